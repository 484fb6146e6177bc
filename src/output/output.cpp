#include "output/output.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// Symbolic links followed at most, as the system itself allows.
constexpr int kMaxLinkHops = 40;
// Not an errno value: a link that the protected-symlinks rule forbids to follow.
constexpr int kRefusedLink = -1;

bool gStdoutClosed = false;
bool gUnnamedAllowed = true;

// The named temporaries that exist, for the signal handler: fixed storage, a name written before
// its entry is marked used.
struct Temporary {
    volatile std::sig_atomic_t used = 0;
    int dir = -1;
    char name[24] = {};
};
Temporary gTemporaries[8];

// ".table-tracante." and six random letters or digits: short, so that the folder of any valid
// name can hold it.
std::string TemporaryName() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[6];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != sizeof random) {
        static unsigned counter = 0;
        const unsigned long seed = static_cast<unsigned long>(::getpid()) * 7919u +
                                   static_cast<unsigned long>(std::time(nullptr)) + ++counter;
        for (std::size_t i = 0; i < sizeof random; ++i)
            random[i] = static_cast<unsigned char>(seed >> (5 * i));
    }
    std::string name = ".table-tracante.";
    for (const unsigned char r : random)
        name += kLetters[r % (sizeof kLetters - 1)];
    return name;
}

void OnSignal(int signal) {
    for (const Temporary& t : gTemporaries)
        if (t.used != 0) ::unlinkat(t.dir, t.name, 0);
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // delivered once the handler returns: the program ends by it
}

int OpenFolder(const char* path) {
    return ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Finds the folder (a descriptor in `dir`) and the name in it of the file `path` names, walking it
// one component at a time so that every symbolic link met, in the folders or at the end, is
// checked by the protected-symlinks rule before it is followed. A link at the end that leads to
// something that is neither a regular file nor a folder (a device, a pipe, /dev/stdout) is kept
// as it is: writing in place follows it. Returns 0 or an errno value (or kRefusedLink).
int Resolve(const std::string& path, int& dir, std::string& base) {
    dir = OpenFolder(!path.empty() && path[0] == '/' ? "/" : ".");
    if (dir < 0) return errno;
    std::vector<std::string> todo;  // components still to walk, the next one last
    auto push = [&todo](const std::string& p) {
        std::size_t end = p.size();
        for (;;) {
            const std::size_t slash = end == 0 ? std::string::npos : p.rfind('/', end - 1);
            const std::size_t begin = slash == std::string::npos ? 0 : slash + 1;
            todo.push_back(p.substr(begin, end - begin));
            if (slash == std::string::npos) return;
            end = slash;
        }
    };
    auto fail = [&dir](int err) {
        ::close(dir);
        dir = -1;
        return err;
    };
    push(path);
    int hops = 0;
    while (!todo.empty()) {
        const std::string c = std::move(todo.back());
        todo.pop_back();
        const bool last = todo.empty();
        if (last && (c.empty() || c == "." || c == "..")) return fail(EISDIR);
        if (c.empty() || c == ".") continue;
        if (last) base = c;
        struct stat st {};
        if (::fstatat(dir, c.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (last && errno == ENOENT) break;  // a new file
            return fail(errno);
        }
        if (S_ISLNK(st.st_mode)) {
            if (++hops > kMaxLinkHops) return fail(ELOOP);
            struct stat folder {};
            if (::fstat(dir, &folder) != 0) return fail(errno);
            if ((folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0 &&
                st.st_uid != ::geteuid() && st.st_uid != folder.st_uid) {
                return fail(kRefusedLink);
            }
            struct stat target {};
            if (last && ::fstatat(dir, c.c_str(), &target, 0) == 0 && !S_ISREG(target.st_mode) &&
                !S_ISDIR(target.st_mode)) {
                return 0;
            }
            std::vector<char> link(PATH_MAX + 1);
            const ssize_t n = ::readlinkat(dir, c.c_str(), link.data(), link.size());
            if (n < 0) return fail(errno);
            if (n == 0 || static_cast<std::size_t>(n) >= link.size()) return fail(ENOENT);
            const std::string to(link.data(), static_cast<std::size_t>(n));
            if (to[0] == '/') {
                ::close(dir);
                dir = OpenFolder("/");
                if (dir < 0) return errno;
            }
            push(to);
            continue;
        }
        if (last) {
            if (S_ISDIR(st.st_mode)) return fail(EISDIR);
            break;
        }
        if (!S_ISDIR(st.st_mode)) return fail(ENOTDIR);
        const int next = ::openat(dir, c.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) return fail(errno);
        ::close(dir);
        dir = next;
    }
    return 0;
}

// Valid UTF-8 starting at `i`: its length, or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80                ? 1
                          : c >= 0xC2 && c < 0xE0 ? 2
                          : c >= 0xE0 && c < 0xF0 ? 3
                          : c >= 0xF0 && c < 0xF5 ? 4
                                                  : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    const auto d = static_cast<unsigned char>(s[i + 1 < s.size() ? i + 1 : i]);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0) || (c == 0xF0 && d < 0x90) ||
        (c == 0xF4 && d >= 0x90))
        return 0;  // overlong, a surrogate, or beyond U+10FFFF
    return n;
}

}  // namespace

std::string OutputErrorText(int err) {
    switch (err) {
        case kRefusedLink:
            return "lien symbolique refusé (dans un dossier partagé, il appartient à un autre "
                   "utilisateur)";
        case ENOSPC:
            return "plus de place sur le disque";
        case EDQUOT:
            return "quota de disque dépassé";
        case EFBIG:
            return "taille de fichier maximale dépassée";
        case EACCES:
        case EPERM:
            return "permission refusée";
        case ENOENT:
            return "dossier introuvable";
        case ENOTDIR:
            return "un élément du chemin n'est pas un dossier";
        case EISDIR:
            return "c'est un dossier";
        case EROFS:
            return "système de fichiers en lecture seule";
        case EPIPE:
            return "le programme qui lisait la sortie s'est arrêté";
        case ENXIO:
            return "aucun programme ne lit ce tube, ou périphérique absent";
        case EIO:
            return "erreur d'entrée-sortie";
        case ELOOP:
            return "trop de liens symboliques";
        case ENAMETOOLONG:
            return "nom trop long";
        default:
            return std::strerror(err);
    }
}

std::string QuotedName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        const std::size_t n = Utf8Length(name, i);
        if (n == 0 || c < 0x20 || c == 0x7F || c == '\\') {
            char escape[5];
            std::snprintf(escape, sizeof escape, c == '\\' ? "\\\\" : "\\x%02X", c);
            out += escape;
            ++i;
        } else {
            out.append(name.substr(i, n));
            i += n;
        }
    }
    return out;
}

void Output::AllowUnnamedTemporaries(bool allow) {
    gUnnamedAllowed = allow;
}

Output::~Output() {
    Cancel();
    if (dir_ >= 0) ::close(dir_);
}

std::string Output::Problem(const std::string& reason) const {
    return "impossible d'écrire « " + QuotedName(name_) + " » : " + reason;
}

std::string Output::ErrnoProblem(int err) const {
    return Problem(OutputErrorText(err));
}

bool Output::Locate(const std::string& name, std::string& error) {
    Cancel();
    if (dir_ >= 0) ::close(dir_);
    dir_ = -1;
    located_ = false;
    name_ = name;
    struct stat st {};
    if (name == "-") {
        if (gStdoutClosed) {
            error = Problem("la sortie standard était fermée au démarrage du programme");
            return false;
        }
        kind_ = Kind::Stdout;
        exists_ = ::fstat(STDOUT_FILENO, &st) == 0;
    } else {
        if (const int err = Resolve(name, dir_, base_); err != 0) {
            error = ErrnoProblem(err);
            return false;
        }
        exists_ = ::fstatat(dir_, base_.c_str(), &st, 0) == 0;
        if (!exists_ && ::fstat(dir_, &st) != 0) {
            error = ErrnoProblem(errno);
            return false;
        }
        kind_ = !exists_ || S_ISREG(st.st_mode) ? Kind::Atomic : Kind::InPlace;
    }
    type_ = st.st_mode & S_IFMT;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    owner_ = st.st_uid;
    group_ = st.st_gid;
    if (exists_) {
        mode_ = st.st_mode & 07777;
    } else {
        mode_ = ::umask(0);
        ::umask(mode_);
        mode_ = 0666 & ~mode_;
    }
    located_ = true;
    return true;
}

bool Output::SameFileAs(const Output& other) const {
    // Writing a character device twice (/dev/null) damages no file.
    if (!located_ || !other.located_ || device_ != other.device_ || inode_ != other.inode_ ||
        (exists_ && S_ISCHR(type_)))
        return false;
    return (exists_ && other.exists_) || (!exists_ && !other.exists_ && base_ == other.base_);
}

bool Output::Create(std::string& error, bool mayWait) {
    if (!located_) {
        error = Problem("sortie non trouvée");
        return false;
    }
    if (kind_ == Kind::Stdout) {
        fd_ = STDOUT_FILENO;
        return true;
    }
    if (kind_ == Kind::InPlace) {
        // A device, a pipe or a socket: written where it is, never replaced.
        struct stat st {};
        int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY;
        if (!mayWait && ::fstatat(dir_, base_.c_str(), &st, 0) == 0 && S_ISFIFO(st.st_mode))
            flags |= O_NONBLOCK;
        do {
            fd_ = ::openat(dir_, base_.c_str(), flags);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) {
            error = ErrnoProblem(errno);
            return false;
        }
        if ((flags & O_NONBLOCK) != 0) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        return true;
    }
    // An unnamed temporary, where it can be given a name at the end (through /proc).
    unnamed_ = false;
    if (gUnnamedAllowed) {
        fd_ = ::openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        char link[32];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd_);
        unnamed_ = fd_ >= 0 && ::access(link, F_OK) == 0;
        if (fd_ >= 0 && !unnamed_) ::close(fd_), fd_ = -1;
    }
    if (!unnamed_) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            Remember(TemporaryName());
            fd_ = ::openat(dir_, temp_.c_str(),
                           O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd_ >= 0) break;
            const int err = errno;
            Forget();
            if (err != EEXIST) {
                error = ErrnoProblem(err);
                return false;
            }
        }
        if (fd_ < 0) {
            error = ErrnoProblem(EEXIST);
            return false;
        }
    }
    // The new file gets the old one's owner and group where allowed, and its permissions (after
    // the owner: a change of owner clears the set-user-ID bits).
    if (exists_ && (owner_ != ::geteuid() || group_ != ::getegid()) &&
        ::fchown(fd_, owner_, group_) != 0) {
        (void)::fchown(fd_, static_cast<uid_t>(-1), group_);
    }
    if (::fchmod(fd_, mode_) != 0) {
        const int err = errno;
        Cancel();
        error = ErrnoProblem(err);
        return false;
    }
    return true;
}

bool Output::Write(const char* data, std::size_t size, std::string& error) {
    if (fd_ < 0) {
        error = Problem("sortie non ouverte");
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = ErrnoProblem(n < 0 ? errno : EIO);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Notes the temporary's name, for the signal handler too when there is room in its list (before
// the file exists: a signal in between has nothing to remove).
void Output::Remember(const std::string& name) {
    temp_ = name;
    for (int i = 0; i < static_cast<int>(std::size(gTemporaries)) && slot_ < 0; ++i) {
        Temporary& t = gTemporaries[i];
        if (t.used != 0) continue;
        std::snprintf(t.name, sizeof t.name, "%s", name.c_str());
        t.dir = dir_;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        t.used = 1;
        slot_ = i;
    }
}

void Output::Forget() {
    if (slot_ >= 0) gTemporaries[slot_].used = 0;
    slot_ = -1;
    temp_.clear();
}

// Gives the unnamed temporary a name in the folder, for the rename.
bool Output::NameTemporary(std::string& error) {
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        Remember(TemporaryName());
        if (::linkat(AT_FDCWD, link, dir_, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            unnamed_ = false;
            return true;
        }
        const int err = errno;
        Forget();
        if (err != EEXIST) {
            error = ErrnoProblem(err);
            return false;
        }
    }
    error = ErrnoProblem(EEXIST);
    return false;
}

bool Output::Commit(std::string& error) {
    if (fd_ < 0) {
        error = Problem("sortie non ouverte");
        return false;
    }
    struct stat st {};
    const bool regular = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
    // A delayed write error (a full disk, a network file system) shows at the sync.
    int err = regular && ::fsync(fd_) != 0 && errno != EINVAL ? errno : 0;
    if (err == 0 && kind_ == Kind::Atomic && unnamed_ && !NameTemporary(error)) {
        Cancel();
        return false;
    }
    if (kind_ == Kind::Stdout) {
        fd_ = -1;
    } else if (err == 0) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) err = errno;
    }
    if (err == 0 && kind_ == Kind::Atomic &&
        ::renameat(dir_, temp_.c_str(), dir_, base_.c_str()) != 0)
        err = errno;
    if (err != 0) {
        Cancel();
        error = ErrnoProblem(err);
        return false;
    }
    Forget();
    return true;
}

void Output::Cancel() {
    if (fd_ >= 0 && kind_ != Kind::Stdout) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlinkat(dir_, temp_.c_str(), 0);
    Forget();
    unnamed_ = false;
}

bool WriteOutput(const std::string& name, std::string_view bytes, std::string& error,
                 bool mayWait) {
    Output out;
    return out.Open(name, error, mayWait) && out.Write(bytes, error) && out.Commit(error);
}

bool ReopenStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        if (fd == STDOUT_FILENO) gStdoutClosed = true;
        // The lowest free number: this one, the ones below being open.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) return false;
    }
    return true;
}

void RemoveTemporariesOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        for (const int other : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

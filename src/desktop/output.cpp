#include "desktop/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

// Symbolic links followed at most, as the system itself allows.
constexpr int kMaxLinkHops = 40;

// Follows symbolic links to the path they finally name, existing or not (a dangling link names
// the file to create).
std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::vector<char> buffer(PATH_MAX);
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) return path;
        std::string link(buffer.data(), static_cast<std::size_t>(n));
        if (link.empty() || link[0] != '/') {
            const auto slash = path.rfind('/');
            link = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + link;
        }
        path = link;
    }
    return path;  // a loop: opening it reports the error
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

QString OutputErrorText(int err) {
    switch (err) {
        case ENOSPC:
            return QStringLiteral("plus de place sur le disque");
        case EDQUOT:
            return QStringLiteral("quota de disque dépassé");
        case EFBIG:
            return QStringLiteral("taille de fichier maximale dépassée");
        case EACCES:
        case EPERM:
            return QStringLiteral("permission refusée");
        case ENOENT:
            return QStringLiteral("dossier introuvable");
        case ENOTDIR:
            return QStringLiteral("un élément du chemin n'est pas un dossier");
        case EISDIR:
            return QStringLiteral("c'est un dossier");
        case EROFS:
            return QStringLiteral("système de fichiers en lecture seule");
        case EPIPE:
            return QStringLiteral("le programme qui lisait la sortie s'est arrêté");
        case ENXIO:
            return QStringLiteral("aucun programme ne lit ce tube, ou périphérique absent");
        case EIO:
            return QStringLiteral("erreur d'entrée-sortie");
        case ELOOP:
            return QStringLiteral("trop de liens symboliques");
        case ENAMETOOLONG:
            return QStringLiteral("nom trop long");
        default:
            return QString::fromLocal8Bit(std::strerror(err));
    }
}

Output::~Output() {
    Cancel();
}

QString Output::Problem(const QString& reason) const {
    return QStringLiteral("impossible d'écrire « %1 » : %2").arg(name_, reason);
}

QString Output::ErrnoProblem(int err) const {
    return Problem(OutputErrorText(err));
}

bool Output::Open(const QString& name, QString& error, bool mayWait) {
    Cancel();
    name_ = name;
    if (name == QLatin1String("-")) {
        kind_ = Kind::Stdout;
        fd_ = STDOUT_FILENO;
        return true;
    }
    const std::string path = name.toLocal8Bit().toStdString();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            error = ErrnoProblem(EISDIR);
            return false;
        }
        // A device, a pipe or a socket: written where it is, never replaced.
        kind_ = Kind::InPlace;
        int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY;
        if (!mayWait && S_ISFIFO(st.st_mode)) flags |= O_NONBLOCK;
        do {
            fd_ = ::open(path.c_str(), flags);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) {
            error = ErrnoProblem(errno);
            return false;
        }
        if ((flags & O_NONBLOCK) != 0) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        return true;
    }

    kind_ = Kind::Atomic;
    target_ = FollowLinks(path);
    std::string temp = DirectoryOf(target_) + "/." + BaseNameOf(target_) + ".XXXXXX";
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error = ErrnoProblem(errno);
        return false;
    }
    temp_ = temp;
    // The new file gets the old one's permissions, or those of any new file.
    struct stat old {};
    const mode_t mode =
        ::stat(target_.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd_, mode) != 0) {
        const int err = errno;
        Cancel();
        error = ErrnoProblem(err);
        return false;
    }
    return true;
}

bool Output::Write(const char* data, std::size_t size, QString& error) {
    if (fd_ < 0) {
        error = Problem(QStringLiteral("sortie non ouverte"));
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

bool Output::Commit(QString& error) {
    if (fd_ < 0) {
        error = Problem(QStringLiteral("sortie non ouverte"));
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // A delayed write error (a full disk, a network file system) shows at the sync.
    if (regular && ::fsync(fd) != 0 && errno != EINVAL) {
        const int err = errno;
        if (kind_ != Kind::Stdout) ::close(fd);
        if (kind_ == Kind::Atomic) ::unlink(temp_.c_str());
        temp_.clear();
        error = ErrnoProblem(err);
        return false;
    }
    if (kind_ == Kind::Stdout) return true;
    if (::close(fd) != 0 && errno != EINTR) {
        const int err = errno;
        if (kind_ == Kind::Atomic) ::unlink(temp_.c_str());
        temp_.clear();
        error = ErrnoProblem(err);
        return false;
    }
    if (kind_ == Kind::InPlace) return true;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        temp_.clear();
        error = ErrnoProblem(err);
        return false;
    }
    temp_.clear();
    return true;
}

void Output::Cancel() {
    if (fd_ >= 0 && kind_ != Kind::Stdout) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool WriteOutput(const QString& name, const QByteArray& bytes, QString& error, bool mayWait) {
    Output out;
    return out.Open(name, error, mayWait) && out.Write(bytes, error) && out.Commit(error);
}

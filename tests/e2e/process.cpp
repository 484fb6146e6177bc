#include "e2e/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

std::vector<std::string> ChildEnvironment(const ProcessOptions& o) {
    auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool drop = false;
        for (const std::string& u : o.unsetEnv)
            drop = drop || name(entry) == u;
        for (const std::string& s : o.setEnv)
            drop = drop || name(entry) == name(s);
        if (!drop) env.push_back(entry);
    }
    env.insert(env.end(), o.setEnv.begin(), o.setEnv.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

Exit FromStatus(int status) {
    Exit e;
    if (WIFSIGNALED(status)) {
        e.signaled = true;
        e.code = WTERMSIG(status);
    } else {
        e.code = WEXITSTATUS(status);
    }
    return e;
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void ChildFail(int reportFd) {
    const int error = errno;
    [[maybe_unused]] const ssize_t n = ::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

void RedirectTo(const std::string& file, int fd, int reportFd) {
    const char* path = file.empty() ? "/dev/null" : file.c_str();
    const int opened = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (opened < 0 || ::dup2(opened, fd) < 0) ChildFail(reportFd);
}

}  // namespace

std::string Exit::Describe() const {
    return signaled ? "killed by signal " + std::to_string(code)
                    : "exit status " + std::to_string(code);
}

Process::Process(const ProcessOptions& options) {
    if (options.argv.empty()) throw std::runtime_error("no program to start");
    std::vector<std::string> args = options.argv;
    std::vector<std::string> env = ChildEnvironment(options);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        ::close(report[0]);
        ::close(report[1]);
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull < 0 || ::dup2(devnull, 0) < 0) ChildFail(report[1]);
        RedirectTo(options.stdoutFile, 1, report[1]);
        RedirectTo(options.stderrFile, 2, report[1]);
        if (options.passFd >= 0) {
            if (::dup2(options.passFd, 3) < 0) ChildFail(report[1]);
        }
        // Nothing else of ours leaks into the child (Qt's sockets, other children's pipes).
        for (int fd = options.passFd >= 0 ? 4 : 3; fd < 1024; ++fd)
            if (fd != report[1]) ::close(fd);
        if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0) ChildFail(report[1]);
        ::signal(SIGPIPE, SIG_DFL);
        ::execvpe(argp[0], argp.data(), envp.data());
        ChildFail(report[1]);
    }
    ::close(report[1]);
    int childErrno = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &childErrno, sizeof childErrno);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got > 0) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        throw std::runtime_error("cannot start " + options.argv[0] + ": " +
                                 std::strerror(childErrno));
    }
}

Process::~Process() {
    Stop();
}

std::optional<Exit> Process::Poll() {
    if (exit_ || pid_ <= 0) return exit_;
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) exit_ = FromStatus(status);
    return exit_;
}

std::optional<Exit> Process::Wait(milliseconds timeout) {
    WaitUntil([this] { return Poll().has_value(); }, timeout, milliseconds(10));
    return exit_;
}

Exit Process::Stop(milliseconds grace) {
    if (pid_ <= 0) return exit_.value_or(Exit{});
    if (!Poll()) {
        ::kill(pid_, SIGTERM);
        if (!Wait(grace)) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            exit_ = FromStatus(status);
        }
    }
    return *exit_;
}

ToolResult RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& setEnv,
                   milliseconds timeout) {
    char name[] = "/tmp/tt-e2e-tool-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    ::close(fd);
    ToolResult result;
    {
        ProcessOptions o;
        o.argv = argv;
        o.setEnv = setEnv;
        o.stdoutFile = name;
        Process p(o);
        if (const auto e = p.Wait(timeout)) {
            result.exit = *e;
        } else {
            result.timedOut = true;
            result.exit = p.Stop(milliseconds(500));
        }
    }
    result.out = ReadFile(name);
    ::unlink(name);
    return result;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace e2e

// Child processes for the end-to-end tests: started with an explicit environment, stopped by their
// own PID, never waited for without a time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct ProcessOptions {
    std::vector<std::string> argv;       // argv[0] is looked up in PATH when it has no '/'
    std::vector<std::string> setEnv;     // "NAME=value", added to (or replacing in) ours
    std::vector<std::string> unsetEnv;   // names removed from ours
    std::string workDir;                 // empty: ours
    std::string stdoutFile, stderrFile;  // empty: /dev/null
    int passFd = -1;                     // given to the child as its fd 3
};

// How a child ended.
struct Exit {
    bool signaled = false;
    int code = 0;  // exit status, or the signal number when signaled
    std::string Describe() const;
};

class Process {
  public:
    // Starts the program; throws std::runtime_error when it cannot be started. The child gets
    // SIGKILL if this process dies first, so nothing outlives a killed test.
    explicit Process(const ProcessOptions& options);
    ~Process();  // Stop()
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }

    // The child's end, once it has ended (does not wait).
    std::optional<Exit> Poll();
    // Waits at most `timeout` for the child to end.
    std::optional<Exit> Wait(milliseconds timeout);
    // SIGTERM, then SIGKILL if it has not ended within `grace`; always reaps it.
    Exit Stop(milliseconds grace = milliseconds(3000));

  private:
    pid_t pid_ = -1;
    std::optional<Exit> exit_;
};

// Runs a short-lived tool to its end and returns its exit and standard output. A tool still
// running after `timeout` is killed and reported as such.
struct ToolResult {
    Exit exit;
    bool timedOut = false;
    std::string out;
    bool ok() const { return !timedOut && !exit.signaled && exit.code == 0; }
};
ToolResult RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& setEnv,
                   milliseconds timeout = milliseconds(20000));

// Reads a whole file (empty when it cannot be read).
std::string ReadFile(const std::string& path);

// Polls `condition` every `step` until it holds or `timeout` has passed; returns its last value.
template <typename F>
bool WaitUntil(F condition, milliseconds timeout, milliseconds step = milliseconds(50));

}  // namespace e2e

#include <thread>

template <typename F>
bool e2e::WaitUntil(F condition, milliseconds timeout, milliseconds step) {
    const auto end = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(step);
    }
}

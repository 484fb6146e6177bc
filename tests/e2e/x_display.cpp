#include "e2e/x_display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <stdexcept>

namespace e2e {

namespace {

// Reads the display number that Xvfb writes once it accepts clients.
std::string ReadDisplayNumber(int fd, Process& server, milliseconds timeout) {
    std::string text;
    const auto end = Clock::now() + timeout;
    while (text.find('\n') == std::string::npos) {
        if (server.Poll()) {
            throw std::runtime_error("Xvfb ended at start-up (" + server.Poll()->Describe() + ")");
        }
        const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now()).count();
        if (left <= 0) throw std::runtime_error("Xvfb did not give its display number in time");
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<long long>(left, 200))) <= 0) continue;
        char buf[32];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) continue;
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

}  // namespace

XDisplay::XDisplay(int width, int height, const std::string& scratchDir)
    : width_(width), height_(height), scratch_(scratchDir) {
    int numberPipe[2];
    if (::pipe2(numberPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    ProcessOptions server;
    // 96 dpi, as the program's layout assumes; no cursor in the screenshots; local clients only.
    server.argv = {
        "Xvfb",    "-displayfd", "3",
        "-screen", "0",          std::to_string(width) + "x" + std::to_string(height) + "x24",
        "-dpi",    "96",         "-nolisten",
        "tcp",     "-nocursor",  "-noreset"};
    server.passFd = numberPipe[1];
    server.stderrFile = scratch_ + "/xvfb.log";
    try {
        server_ = std::make_unique<Process>(server);
        ::close(numberPipe[1]);
        name_ = std::string(1, ':');
        name_ += ReadDisplayNumber(numberPipe[0], *server_, milliseconds(20000));
    } catch (...) {
        ::close(numberPipe[0]);
        throw;
    }
    ::close(numberPipe[0]);

    // The first simulated key switches the server's keyboard to the test-input device, which the
    // server announces as a new keyboard map; a window manager then drops and remakes its key
    // grabs, and a key pressed meanwhile is lost. Make that switch now, before there is one.
    if (const ToolResult r = Tool({"xdotool", "key", "shift"}); !r.ok()) {
        throw std::runtime_error("xdotool cannot type on the display (" + r.exit.Describe() + ")");
    }

    ProcessOptions wm;
    wm.argv = {"openbox", "--sm-disable"};
    // The package's default configuration, not whatever a user keeps in their home.
    wm.setEnv = ClientEnv();
    wm.setEnv.push_back("HOME=" + scratch_);
    wm.setEnv.push_back("XDG_CONFIG_HOME=" + scratch_ + "/config");
    wm.setEnv.push_back("XDG_CACHE_HOME=" + scratch_ + "/cache");
    wm.stderrFile = scratch_ + "/openbox.log";
    windowManager_ = std::make_unique<Process>(wm);
    const bool managed = WaitUntil(
        [this] {
            if (windowManager_->Poll()) return true;
            const ToolResult r = Tool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
            return r.ok() && r.out.find("window id") != std::string::npos;
        },
        milliseconds(20000));
    if (windowManager_->Poll()) {
        throw std::runtime_error("openbox ended at start-up (" +
                                 windowManager_->Poll()->Describe() +
                                 "): " + ReadFile(scratch_ + "/openbox.log"));
    }
    if (!managed) throw std::runtime_error("openbox did not take the display in time");
}

XDisplay::~XDisplay() {
    windowManager_.reset();
    server_.reset();
}

std::vector<std::string> XDisplay::ClientEnv() const {
    return {"DISPLAY=" + name_, "XAUTHORITY=/dev/null"};
}

ToolResult XDisplay::Tool(const std::vector<std::string>& argv, milliseconds timeout) const {
    return RunTool(argv, ClientEnv(), timeout);
}

}  // namespace e2e

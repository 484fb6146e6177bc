#include "e2e/real_window.h"

#include <sys/stat.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/pixels.h"

namespace e2e {

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

// The number after "label:" in xwininfo's report.
std::optional<int> Field(const std::string& report, const std::string& label) {
    const std::size_t at = report.find(label + ":");
    if (at == std::string::npos) return std::nullopt;
    try {
        return std::stoi(report.substr(at + label.size() + 1));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

RealWindow::RealWindow(const XDisplay& display, const std::string& scratchDir,
                       const std::string& workDir)
    : display_(display), scratch_(scratchDir), stderrFile_(scratchDir + "/program.stderr") {
    const std::string runtime = scratch_ + "/runtime";
    ::mkdir(runtime.c_str(), 0700);
    ProcessOptions o;
    // TT_E2E_PROGRAM runs the same tests on another build of the program: a sanitizer build
    // (cmake -DTT_SANITIZE=ON); tests/e2e/lsan.supp says how to run it.
    const char* program = std::getenv("TT_E2E_PROGRAM");
    o.argv = {program != nullptr && *program != '\0' ? program : TT_PROGRAM};
    o.setEnv = display.ClientEnv();
    o.setEnv.push_back("QT_QPA_PLATFORM=xcb");
    o.setEnv.push_back("XDG_RUNTIME_DIR=" + runtime);
    o.unsetEnv = {"WAYLAND_DISPLAY",
                  "SESSION_MANAGER",
                  "QT_SCALE_FACTOR",
                  "QT_SCREEN_SCALE_FACTORS",
                  "QT_AUTO_SCREEN_SCALE_FACTOR",
                  "QT_ENABLE_HIGHDPI_SCALING",
                  "QT_STYLE_OVERRIDE"};
    o.workDir = workDir.empty() ? scratch_ : workDir;
    o.stdoutFile = scratch_ + "/program.stdout";
    o.stderrFile = stderrFile_;
    process_ = std::make_unique<Process>(o);
}

RealWindow::~RealWindow() {
    process_->Stop();
}

std::optional<WindowInfo> RealWindow::Info(unsigned long id) const {
    const ToolResult r = display_.Tool({"xwininfo", "-id", std::to_string(id)});
    if (!r.ok()) return std::nullopt;
    const auto x = Field(r.out, "Absolute upper-left X");
    const auto y = Field(r.out, "Absolute upper-left Y");
    const auto w = Field(r.out, "Width");
    const auto h = Field(r.out, "Height");
    if (!x || !y || !w || !h) return std::nullopt;
    WindowInfo info;
    info.id = id;
    info.rect = QRect(*x, *y, *w, *h);
    info.viewable = r.out.find("Map State: IsViewable") != std::string::npos;
    return info;
}

std::vector<WindowInfo> RealWindow::Windows() const {
    std::vector<WindowInfo> windows;
    const ToolResult r = display_.Tool(
        {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(process_->pid())});
    for (const std::string& line : Lines(r.out)) {
        unsigned long id = 0;
        try {
            id = std::stoul(line);
        } catch (const std::exception&) {
            continue;
        }
        if (const auto info = Info(id); info && info->viewable && info->rect.width() > 50) {
            windows.push_back(*info);
        }
    }
    return windows;
}

bool RealWindow::WaitForMaximizedWindow(std::string& why) {
    const bool found = WaitUntil(
        [&] {
            if (process_->Poll()) return true;
            for (const WindowInfo& w : Windows()) {
                // Maximized: the full width of the screen, and its height but for the title bar.
                if (w.rect.width() == display_.width() &&
                    w.rect.height() >= display_.height() - 60) {
                    main_ = w;
                    return true;
                }
            }
            return false;
        },
        milliseconds(30000), milliseconds(100));
    if (const auto e = process_->Poll()) {
        why = "the program ended (" + e->Describe() + "): " + Stderr();
        return false;
    }
    if (!found) {
        why = "no maximized window within 30 s; windows:";
        for (const WindowInfo& w : Windows()) {
            why += " " + std::to_string(w.rect.width()) + "x" + std::to_string(w.rect.height()) +
                   "+" + std::to_string(w.rect.x()) + "+" + std::to_string(w.rect.y());
        }
        return false;
    }
    // The first ticks draw the diagram (red strokes) on FOND: wait until they reach the screen.
    bool painted = false;
    WaitForClient([](const QImage& c) { return Count(c, layout::kFond, clRed) > 500; },
                  milliseconds(10000), painted);
    if (!painted) {
        why = "no diagram on the window within 10 s";
        return false;
    }
    return true;
}

std::string RealWindow::WmState() const {
    return display_.Tool({"xprop", "-id", std::to_string(main_.id), "_NET_WM_STATE"}).out;
}

QImage RealWindow::Screen() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) throw std::runtime_error("no screen");
    return screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage RealWindow::Client() const {
    return Screen().copy(main_.rect.x(), main_.rect.y(), layout::kWidth, layout::kHeight);
}

QImage RealWindow::WaitForStillClient(milliseconds interval, milliseconds timeout,
                                      bool& met) const {
    QImage previous = Client();
    const auto end = Clock::now() + timeout;
    for (;;) {
        std::this_thread::sleep_for(interval);
        QImage now = Client();
        met = now == previous;
        if (met || Clock::now() >= end) return now;
        previous = now;
    }
}

void RealWindow::Xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const ToolResult r = display_.Tool(argv);
    if (!r.ok()) throw std::runtime_error("xdotool failed: " + r.exit.Describe());
}

void RealWindow::Click(QPoint at, int times) {
    const QPoint s = main_.rect.topLeft() + at;
    std::vector<std::string> args = {"mousemove", std::to_string(s.x()), std::to_string(s.y()),
                                     "click"};
    if (times > 1) {
        // A person's quick repeated clicks: each one a press and a release.
        args.insert(args.end(), {"--repeat", std::to_string(times), "--delay", "15"});
    }
    args.push_back("1");
    Xdotool(args);
}

void RealWindow::Drag(QPoint from, QPoint to) {
    const QPoint a = main_.rect.topLeft() + from;
    const QPoint b = main_.rect.topLeft() + to;
    std::vector<std::string> args = {"mousemove", std::to_string(a.x()), std::to_string(a.y()),
                                     "mousedown", "1"};
    // The hand moves in a few steps, not in one jump.
    for (int step = 1; step <= 8; ++step) {
        const QPoint p = a + (b - a) * step / 8;
        args.insert(args.end(),
                    {"sleep", "0.03", "mousemove", std::to_string(p.x()), std::to_string(p.y())});
    }
    args.insert(args.end(), {"sleep", "0.05", "mouseup", "1"});
    Xdotool(args);
}

void RealWindow::Key(const std::string& keys) {
    Xdotool({"key", "--clearmodifiers", keys});
}

void RealWindow::SelectMenuItem(int item) {
    // The list shows three whole rows. Back to its top first, then down until the item sits in a
    // visible row: rows 0 to 2 as they are, a later item scrolled to the third row.
    Click(layout::kListUpArrow, 8);
    int row = item;
    if (item > 2) {
        Click(layout::kListDownArrow, item - 2);
        row = 2;
    }
    Click(QPoint(160, layout::kListRowTop + row * layout::kListRowHeight + 6));
}

void RealWindow::PressStart() {
    Click(layout::kStartButton.center());
}

void RealWindow::ClickCommentButton() {
    Click(layout::kCommentButton.center());
}

void RealWindow::CloseWithWindowManager() {
    Xdotool({"windowactivate", "--sync", std::to_string(main_.id)});
    Key("alt+F4");
}

std::string RealWindow::Stderr() const {
    return ReadFile(stderrFile_);
}

std::vector<std::string> UnexpectedStderrLines(const std::string& text) {
    // Qt's notice about a locale that is not UTF-8 (a bare console or CI job with LANG unset or
    // set to a legacy encoding): Qt switches to C.UTF-8 and works on. It is the only notice that
    // the program may leave on stderr.
    static const std::regex harmless[] = {
        std::regex(R"(^Detected locale ".*" with character encoding ".*", which is not UTF-8\.$)"),
        std::regex(R"(^Qt depends on a UTF-8 locale, and has switched to ".*" instead\.$)"),
        std::regex(R"(^Qt depends on a UTF-8 locale, but has failed to switch to one\.$)"),
        std::regex(
            R"(^If this causes problems, reconfigure your locale\. See the locale\(1\) manual$)"),
        std::regex(R"(^for more information\.$)"),
    };
    std::vector<std::string> unexpected;
    for (const std::string& line : Lines(text)) {
        bool known = false;
        for (const std::regex& r : harmless)
            known = known || std::regex_match(line, r);
        if (!known) unexpected.push_back(line);
    }
    return unexpected;
}

}  // namespace e2e

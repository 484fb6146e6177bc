// The program started as a person starts it (no option, on the X display) and driven only through
// that display: simulated clicks and keys (xdotool), window queries (xwininfo, xprop) and
// screenshots of the screen.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "e2e/process.h"
#include "e2e/x_display.h"

namespace e2e {

// Where the layout puts the controls that a person uses, in client coordinates.
namespace layout {
inline constexpr int kWidth = 793, kHeight = 553;
inline const QRect kListBox(96, 464, 225, 49);
inline constexpr int kListRowTop = 466, kListRowHeight = 13;  // first row of the menu list
inline const QPoint kListUpArrow(313, 471), kListDownArrow(313, 505);
inline const QRect kStartButton(200, 528, 115, 25);
inline const QRect kSpeedBar(16, 536, 121, 16);
inline const QPoint kSpeedLeftArrow(22, 544), kSpeedRightArrow(130, 544);
inline const QRect kSpeedGroove(30, 536, 93, 16);  // between the two arrows
inline const QRect kCommentButton(60, 380, 180, 30);
inline const QRect kSmallPanel(136, 40, 185, 73);    // RichEdit1
inline const QRect kLargePanel(336, 376, 449, 177);  // RichEdit2
inline const QRect kFond(344, 16, 449, 529);
inline const QRect kChartArea(0, 40, 340, 420);
}  // namespace layout

struct WindowInfo {
    unsigned long id = 0;
    QRect rect;  // the client area on the screen
    bool viewable = false;
};

class RealWindow {
  public:
    // Starts the program in `workDir` (the scratch directory when empty).
    RealWindow(const XDisplay& display, const std::string& scratchDir,
               const std::string& workDir = {});
    ~RealWindow();  // stops the program if it still runs

    // Waits until the program's main window is shown and maximized, then notes where its client
    // area lies. Returns false, with the reason in `why`, when that does not happen in time.
    bool WaitForMaximizedWindow(std::string& why);

    const WindowInfo& main() const { return main_; }
    // Every viewable top-level window of the program (the main window, a message box).
    std::vector<WindowInfo> Windows() const;
    // The window manager's state atoms of the main window (_NET_WM_STATE).
    std::string WmState() const;

    QImage Screen() const;  // the whole screen
    QImage Client() const;  // the client area from (0, 0) to the layout's size
    // Waits until the client picture satisfies `condition`; returns the last picture taken.
    template <typename F>
    QImage WaitForClient(F condition, milliseconds timeout, bool& met) const;
    // Waits until two pictures taken `interval` apart are equal (the drawing has settled).
    QImage WaitForStillClient(milliseconds interval, milliseconds timeout, bool& met) const;

    // A person's actions, in client coordinates.
    void Click(QPoint at, int times = 1);
    void Drag(QPoint from, QPoint to);
    void Key(const std::string& keys);  // xdotool key names, e.g. "alt+F4"
    void SelectMenuItem(int item);      // scrolls the list as needed and clicks the item
    void PressStart();
    void ClickCommentButton();
    void CloseWithWindowManager();  // alt+F4 on the main window, as a user closes it

    Process& process() { return *process_; }
    std::string Stderr() const;

  private:
    std::optional<WindowInfo> Info(unsigned long id) const;
    void Xdotool(const std::vector<std::string>& args) const;

    const XDisplay& display_;
    std::string scratch_;
    std::string stderrFile_;
    std::unique_ptr<Process> process_;
    WindowInfo main_;
};

// What the program writes on stderr that is not one of Qt's usual notices (empty when clean).
std::vector<std::string> UnexpectedStderrLines(const std::string& text);

}  // namespace e2e

#include <thread>

template <typename F>
QImage e2e::RealWindow::WaitForClient(F condition, milliseconds timeout, bool& met) const {
    const auto end = Clock::now() + timeout;
    for (;;) {
        QImage picture = Client();
        met = condition(picture);
        if (met || Clock::now() >= end) return picture;
        std::this_thread::sleep_for(milliseconds(40));
    }
}

// A private X display for the end-to-end tests: Xvfb on a display number it chooses itself (the
// first free one), with the openbox window manager, which maximizes and decorates windows as a
// desktop does (a bare X server leaves a "maximized" window at its design size).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "e2e/process.h"

namespace e2e {

class XDisplay {
  public:
    // Starts the server and the window manager and waits until both are ready; throws
    // std::runtime_error with the reason when one of them cannot be had.
    XDisplay(int width, int height, const std::string& scratchDir);
    ~XDisplay();  // stops the window manager, then the server

    const std::string& name() const { return name_; }  // ":N"
    int width() const { return width_; }
    int height() const { return height_; }

    // What a client of this display needs in its environment.
    std::vector<std::string> ClientEnv() const;

    // Runs an X tool (xdotool, xwininfo, xprop) against this display.
    ToolResult Tool(const std::vector<std::string>& argv,
                    milliseconds timeout = milliseconds(20000)) const;

  private:
    int width_, height_;
    std::string scratch_;
    std::string name_;
    std::unique_ptr<Process> server_;
    std::unique_ptr<Process> windowManager_;
};

}  // namespace e2e

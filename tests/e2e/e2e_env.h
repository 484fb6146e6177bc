// What the real-window tests share: the display that their main started and a scratch directory.
#pragma once

#include <string>

#include "e2e/x_display.h"

inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 800;

namespace e2e {

const XDisplay& Display();
std::string ScratchRoot();

}  // namespace e2e

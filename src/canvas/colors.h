// Named colours of the scenes, with fixed RGB values so that the picture never depends on the
// desktop theme. Values are 0x00RRGGBB.
#pragma once

#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor RGB(int r, int g, int b) {
    return (static_cast<TColor>(r & 0xFF) << 16) | (static_cast<TColor>(g & 0xFF) << 8) |
           static_cast<TColor>(b & 0xFF);
}

inline constexpr TColor clBlack = RGB(0, 0, 0);
inline constexpr TColor clMaroon = RGB(128, 0, 0);
inline constexpr TColor clGreen = RGB(0, 128, 0);
inline constexpr TColor clOlive = RGB(128, 128, 0);
inline constexpr TColor clNavy = RGB(0, 0, 128);
inline constexpr TColor clPurple = RGB(128, 0, 128);
inline constexpr TColor clTeal = RGB(0, 128, 128);
inline constexpr TColor clGray = RGB(128, 128, 128);
inline constexpr TColor clSilver = RGB(192, 192, 192);
inline constexpr TColor clRed = RGB(255, 0, 0);
inline constexpr TColor clLime = RGB(0, 255, 0);
inline constexpr TColor clYellow = RGB(255, 255, 0);
inline constexpr TColor clBlue = RGB(0, 0, 255);
inline constexpr TColor clFuchsia = RGB(255, 0, 255);
inline constexpr TColor clAqua = RGB(0, 255, 255);
inline constexpr TColor clWhite = RGB(255, 255, 255);

// System colours, fixed to the classic desktop scheme the lessons were drawn for.
inline constexpr TColor clBtnFace = RGB(192, 192, 192);
inline constexpr TColor clHighlight = RGB(0, 0, 128);
inline constexpr TColor clWindowText = RGB(0, 0, 0);
inline constexpr TColor clWindow = RGB(255, 255, 255);

// A colour as an opaque pixel of a picture.
constexpr std::uint32_t Opaque(TColor c) {
    return 0xFF000000u | c;
}

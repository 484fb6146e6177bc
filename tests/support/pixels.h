// Questions about pixels, in the scenes' own coordinates.
#pragma once

#include <QImage>
#include <QRect>
#include <functional>
#include <string>

#include "canvas/colors.h"

// FOND's top-left corner in client coordinates.
inline constexpr int kFondX = 344;
inline constexpr int kFondY = 16;

TColor At(const QImage& image, int x, int y);

// Number of pixels of the colour inside the rectangle (clipped to the image).
int Count(const QImage& image, const QRect& area, TColor colour);

// Number of pixels inside the rectangle (clipped to the image) for which `is` holds.
int CountIf(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& is);

// True when every pixel of the rectangle has the colour.
bool All(const QImage& image, const QRect& area, TColor colour);

// Number of pixels that differ between two images of the same size (inside the area if given).
int Differences(const QImage& a, const QImage& b, const QRect& area = QRect());

// The rectangle that bounds the pixels of the colour inside the area (empty if none).
QRect Bounds(const QImage& image, const QRect& area, TColor colour);

// "RRGGBB" for messages.
std::string Hex(TColor colour);

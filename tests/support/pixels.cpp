#include "support/pixels.h"

#include <cstdio>

TColor At(const QImage& image, int x, int y) {
    return FromQRgb(image.pixel(x, y));
}

int CountIf(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& is) {
    const QRect r = area & image.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (is(image.pixel(x, y))) ++n;
    return n;
}

int Count(const QImage& image, const QRect& area, TColor colour) {
    return CountIf(image, area, [colour](QRgb p) { return FromQRgb(p) == colour; });
}

bool All(const QImage& image, const QRect& area, TColor colour) {
    const QRect r = area & image.rect();
    return !r.isEmpty() && Count(image, r, colour) == r.width() * r.height();
}

int Differences(const QImage& a, const QImage& b, const QRect& area) {
    if (a.size() != b.size()) return -1;
    const QRect r = area.isNull() ? a.rect() : (area & a.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (FromQRgb(a.pixel(x, y)) != FromQRgb(b.pixel(x, y))) ++n;
    return n;
}

QRect Bounds(const QImage& image, const QRect& area, TColor colour) {
    const QRect r = area & image.rect();
    QRect found;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (FromQRgb(image.pixel(x, y)) == colour) found |= QRect(x, y, 1, 1);
    return found;
}

std::string Hex(TColor colour) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", colour);
    return buf;
}

#include "desktop/qt_glue.h"

#include <algorithm>
#include <cstring>

QImage ImageView(const Picture& picture) {
    if (picture.isNull()) return QImage();
    return QImage(reinterpret_cast<const uchar*>(picture.constBits()), picture.width(),
                  picture.height(), picture.width() * 4, QImage::Format_RGB32);
}

Picture ToPicture(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Picture out(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        Pixel* to = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            to[x] = 0xFF000000u | from[x];
    }
    return out;
}

QFont MakeFont(const QString& name, int pixelSize, bool bold) {
    QString family = name;
    if (name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0) {
        family = QStringLiteral("Liberation Sans");
    } else if (name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0) {
        // The URW symbol font keeps the classic symbol encoding: W is Omega, q is theta.
        family = QStringLiteral("Standard Symbols PS");
    }
    QFont font(family);
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(
        static_cast<QFont::StyleStrategy>(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return font;
}

#include "canvas/fonts.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <algorithm>
#include <vector>

#include "canvas/canvas.h"

int PointsToPixels(int points) {
    // Rounded like the platform's MulDiv(points, 96, 72).
    const int num = points * 96;
    return num >= 0 ? (num + 36) / 72 : -((-num + 36) / 72);
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

namespace {

std::vector<CanvasFont>& Fonts() {
    static std::vector<CanvasFont>* fonts = [] {
        auto* list = new std::vector<CanvasFont>();
        // Fonts must go before the application does.
        qAddPostRoutine([] { Fonts().clear(); });
        return list;
    }();
    return *fonts;
}

}  // namespace

const CanvasFont& FontFor(const QString& name, int pixels, bool bold) {
    std::vector<CanvasFont>* fonts = &Fonts();
    for (const CanvasFont& f : *fonts) {
        if (f.pixels == pixels && f.bold == bold && f.name == name) return f;
    }
    if (fonts->size() >= 64) fonts->clear();
    static unsigned serial = 0;
    CanvasFont f{name, pixels, bold, MakeFont(name, pixels, bold), 0, 0, QString(), ++serial};
    const QFontMetrics metrics(f.font);
    f.ascent = metrics.ascent();
    f.height = metrics.height();
    f.key = name + QChar(0x1F) + QString::number(pixels) +
            (bold ? QStringLiteral("b") : QStringLiteral("r")) + QChar(0x1F);
    fonts->push_back(std::move(f));
    return fonts->back();
}

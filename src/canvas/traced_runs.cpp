#include "canvas/traced_runs.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHash>
#include <QPen>
#include <cstdlib>
#include <optional>

void PrepareAliased(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setBrushOrigin(0, 0);
    p.setBackgroundMode(Qt::TransparentMode);
}

namespace {

// The runs of the pixels that `draw` paints on a scratch picture of the given size, from
// `origin`; nothing if they reach the picture's border, where they may have been cut.
template <typename Draw>
std::optional<PixelRuns> Trace(QSize size, QPoint origin, Draw draw) {
    QImage scratch(size, QImage::Format_RGB32);
    constexpr QRgb kGround = 0xFF000000u;
    scratch.fill(kGround);
    {
        QPainter p(&scratch);
        PrepareAliased(p);
        draw(p);
    }
    PixelRuns runs;
    for (int y = 0; y < scratch.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (int x = 0; x < scratch.width(); ++x) {
            if (row[x] == kGround) continue;
            int end = x;
            while (end + 1 < scratch.width() && row[end + 1] != kGround)
                ++end;
            if (y == 0 || y == scratch.height() - 1 || x == 0 || end == scratch.width() - 1)
                return std::nullopt;
            runs.spans.push_back({y - origin.y(), x - origin.x(), end - origin.x()});
            runs.bounds |= QRect(QPoint(x, y), QPoint(end, y)).translated(-origin);
            x = end;
        }
    }
    return runs;
}

// Lays out and rasterises a string once, as the painter draws it, into its runs of pixels. A
// margin all round takes the glyphs that overhang their cell; it doubles until it is enough.
TextRun MakeTextRun(const QFont& font, int ascent, int height, const QString& text) {
    TextRun run;
    run.width = QFontMetrics(font).horizontalAdvance(text);
    if (text.isEmpty()) return run;
    for (int margin = std::max(8, height); margin <= 8192; margin *= 2) {
        const QSize size(std::max(1, run.width) + 2 * margin, height + 2 * margin);
        auto runs = Trace(size, QPoint(margin, margin), [&](QPainter& p) {
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QPoint(margin, margin + ascent), text);
        });
        if (runs) {
            run.runs = std::move(*runs);
            break;
        }
    }
    return run;
}

LineStamp MakeLineStamp(int dx, int dy, int width) {
    LineStamp stamp;
    for (int margin = width + 2; margin <= 8192; margin *= 2) {
        const QPoint from(margin + std::max(0, -dx), margin + std::max(0, -dy));
        const QSize size(std::abs(dx) + 2 * margin + 1, std::abs(dy) + 2 * margin + 1);
        auto runs = Trace(size, from, [&](QPainter& p) {
            QPen pen(Qt::white);
            pen.setWidth(width);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            p.setPen(pen);
            p.drawLine(from, from + QPoint(dx, dy));
        });
        if (runs) {
            stamp.runs = std::move(*runs);
            break;
        }
    }
    return stamp;
}

}  // namespace

const LineStamp& LineStampFor(int dx, int dy, int width) {
    static QHash<quint64, LineStamp> stamps;
    const quint64 key = (quint64(quint32(dx)) << 32) ^ (quint64(quint32(dy)) << 8) ^ quint64(width);
    auto found = stamps.constFind(key);
    if (found != stamps.constEnd()) return *found;
    if (stamps.size() >= 4096) stamps.clear();
    return *stamps.insert(key, MakeLineStamp(dx, dy, width));
}

namespace {

QHash<QString, TextRun>& TextRuns() {
    static QHash<QString, TextRun>* runs = [] {
        auto* table = new QHash<QString, TextRun>();
        // Fonts must go before the application does.
        qAddPostRoutine([] { TextRuns().clear(); });
        return table;
    }();
    return *runs;
}

}  // namespace

const TextRun& TextRunFor(const QString& key, const QFont& font, int ascent, int height,
                          const QString& text) {
    QHash<QString, TextRun>& runs = TextRuns();
    auto found = runs.constFind(key);
    if (found != runs.constEnd()) return *found;
    if (runs.size() >= 4096) runs.clear();  // the scenes use a few hundred
    return *runs.insert(key, MakeTextRun(font, ascent, height, text));
}

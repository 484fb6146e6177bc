// Temporary: the shapes traced by Qt's painter, until our own rasteriser replaces it.
#include <QImage>
#include <QPainter>
#include <QPen>
#include <cstdlib>
#include <map>
#include <optional>

#include "canvas/shapes.h"

namespace {

void PrepareAliased(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setBrushOrigin(0, 0);
    p.setBackgroundMode(Qt::TransparentMode);
}

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
            runs.bounds |= Rect::FromCorners({x - origin.x(), y - origin.y()},
                                             {end - origin.x(), y - origin.y()});
            x = end;
        }
    }
    return runs;
}

// Traces a drawing of a shape placed with its bounding box `box`, pen and brush as given.
template <typename Draw>
PixelRuns TraceShape(Rect box, int reach, Draw draw) {
    for (int margin = reach + 4; margin <= 8192; margin *= 2) {
        const QSize size(box.width() + 2 * margin + 1, box.height() + 2 * margin + 1);
        const QPoint origin(margin - box.left(), margin - box.top());
        auto runs = Trace(size, origin, [&](QPainter& p) {
            p.translate(origin);
            draw(p);
        });
        if (runs) return *runs;
    }
    return {};
}

QPen MakePen(int width, Qt::PenJoinStyle join) {
    QPen p(Qt::white);
    const int w = std::max(1, width);
    p.setWidth(w);
    p.setCapStyle(w == 1 ? Qt::FlatCap : Qt::RoundCap);
    p.setJoinStyle(join);
    return p;
}

QRectF OutlineRect(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    return QRectF(left, top, right - 1 - left, bottom - 1 - top);
}

Rect Box(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    return Rect::FromCorners({left, top}, {right, bottom});
}

}  // namespace

const PixelRuns& WideLineRuns(int dx, int dy, int width) {
    static std::map<std::tuple<int, int, int>, PixelRuns> stamps;
    const auto key = std::make_tuple(dx, dy, width);
    if (auto found = stamps.find(key); found != stamps.end()) return found->second;
    if (stamps.size() >= 4096) stamps.clear();
    PixelRuns runs = TraceShape(Box(0, 0, dx, dy), width, [&](QPainter& p) {
        QPen pen(Qt::white);
        pen.setWidth(width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        p.drawLine(QPoint(0, 0), QPoint(dx, dy));
    });
    return stamps.emplace(key, std::move(runs)).first->second;
}

const ShapeRuns& EllipseRuns(int left, int top, int right, int bottom, int penWidth) {
    static std::map<std::tuple<int, int, int, int, int>, ShapeRuns> shapes;
    const auto key = std::make_tuple(left, top, right, bottom, penWidth);
    if (auto found = shapes.find(key); found != shapes.end()) return found->second;
    if (shapes.size() >= 256) shapes.clear();
    const Rect box = Box(left, top, right, bottom);
    const int reach = std::max(1, penWidth) + 2 + std::max(box.width(), box.height()) / 8;
    ShapeRuns s;
    s.fill = TraceShape(box, reach, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(OutlineRect(left, top, right, bottom));
    });
    s.outline = TraceShape(box, reach, [&](QPainter& p) {
        p.setPen(MakePen(penWidth, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(OutlineRect(left, top, right, bottom));
    });
    return shapes.emplace(key, std::move(s)).first->second;
}

ShapeRuns RectangleRuns(int left, int top, int right, int bottom, int penWidth) {
    const Rect box = Box(left, top, right, bottom);
    const int reach = 2 * std::max(1, penWidth) + 1;
    ShapeRuns s;
    s.fill = TraceShape(box, reach, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(OutlineRect(left, top, right, bottom));
    });
    s.outline = TraceShape(box, reach, [&](QPainter& p) {
        p.setPen(MakePen(penWidth, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(OutlineRect(left, top, right, bottom));
    });
    return s;
}

ShapeRuns PolygonRuns(const std::vector<Point>& points, int penWidth) {
    std::vector<QPoint> q;
    Rect box;
    for (const Point& pt : points) {
        q.emplace_back(pt.x, pt.y);
        box |= Rect(pt.x, pt.y, 1, 1);
    }
    const int reach = 2 * std::max(1, penWidth) + 1;
    ShapeRuns s;
    s.fill = TraceShape(box, reach, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(q.data(), int(q.size()), Qt::OddEvenFill);
    });
    s.outline = TraceShape(box, reach, [&](QPainter& p) {
        p.setPen(MakePen(penWidth, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(q.data(), int(q.size()), Qt::OddEvenFill);
    });
    return s;
}

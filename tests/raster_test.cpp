// Our rasteriser against Qt's painter, set up as the canvas sets it up: the very pixels on every
// shape the scenes draw, then on random ellipses, polygons and wide lines (with the share of
// differing pixels printed), the hatched and the missing brush, and the limits.
#include <gtest/gtest.h>

#include <QPainter>
#include <QPen>
#include <array>
#include <chrono>
#include <iostream>
#include <random>

#include "canvas/raster.h"
#include "canvas/shapes.h"

namespace {

constexpr QRgb kGround = 0xFF000000u, kPen = 0xFFFF0000u, kBrush = 0xFF00FF00u;
enum class Fill { kSolid, kCross, kNone };

// A painter as the canvas once drew with: no antialiasing, brush patterns from the origin.
void PrepareAliased(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrushOrigin(0, 0);
}

QImage Blank(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kGround);
    return image;
}

// Draws with a painter as the canvas does: its pen, brush and rectangle conventions.
template <typename Draw>
QImage Painted(QSize size, int width, Qt::PenJoinStyle join, Fill fill, Draw draw) {
    QImage image = Blank(size);
    QPainter p(&image);
    PrepareAliased(p);
    QPen pen{QColor::fromRgb(kPen)};
    pen.setWidth(std::max(1, width));
    pen.setCapStyle(width <= 1 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join);
    p.setPen(pen);
    p.setBrush(fill == Fill::kNone    ? QBrush(Qt::NoBrush)
               : fill == Fill::kSolid ? QBrush(QColor::fromRgb(kBrush))
                                      : QBrush(QColor::fromRgb(kBrush), Qt::CrossPattern));
    draw(p);
    return image;
}

// The canvas's Ellipse(left, top, right, bottom).
QImage QtEllipse(QSize size, std::array<int, 4> r, int width, Fill fill = Fill::kSolid) {
    const int left = std::min(r[0], r[2]), right = std::max(r[0], r[2]);
    const int top = std::min(r[1], r[3]), bottom = std::max(r[1], r[3]);
    return Painted(size, width, Qt::RoundJoin, fill, [&](QPainter& p) {
        p.drawEllipse(QRectF(left, top, right - 1 - left, bottom - 1 - top));
    });
}

raster::Shape Ellipse(std::array<int, 4> r, int pen, std::optional<raster::Rect> clip) {
    return raster::Ellipse(r[0], r[1], r[2], r[3], pen, clip);
}

QImage QtPolygon(QSize size, const std::vector<raster::Point>& points, int width,
                 Fill fill = Fill::kSolid) {
    std::vector<QPoint> q;
    for (const raster::Point& pt : points)
        q.emplace_back(pt.x, pt.y);
    return Painted(size, width, Qt::MiterJoin, fill,
                   [&](QPainter& p) { p.drawPolygon(q.data(), int(q.size()), Qt::OddEvenFill); });
}

QImage QtLine(QSize size, raster::Point from, raster::Point to, int width) {
    return Painted(size, width, Qt::RoundJoin, Fill::kNone,
                   [&](QPainter& p) { p.drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y)); });
}

// The brush's cross hatch, from the picture's origin.
bool Hatched(int x, int y) {
    return (y & 7) == 3 || (x & 7) == 4;
}

void Paint(QImage& image, const std::vector<raster::Span>& spans, QRgb colour, bool hatch = false) {
    for (const raster::Span& s : spans) {
        ASSERT_TRUE(image.rect().contains(s.left, s.y) && image.rect().contains(s.right, s.y));
        for (int x = s.left; x <= s.right; ++x)
            if (!hatch || Hatched(x, s.y)) image.setPixel(x, s.y, colour);
    }
}

QImage Ours(QSize size, const raster::Shape& shape, Fill fill = Fill::kSolid) {
    QImage image = Blank(size);
    Paint(image, shape.underFill, kPen);
    if (fill != Fill::kNone) Paint(image, shape.fill, kBrush, fill == Fill::kCross);
    Paint(image, shape.outline, kPen);
    return image;
}

QImage Ours(QSize size, const std::vector<raster::Span>& line) {
    QImage image = Blank(size);
    Paint(image, line, kPen);
    return image;
}

raster::Rect Whole(QSize size) {
    return {0, 0, size.width() - 1, size.height() - 1};
}

long Count(const QImage& a, const QImage& b, bool (*counted)(QRgb, QRgb)) {
    long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            n += counted(p[x], q[x]);
    }
    return n;
}

long Differing(const QImage& a, const QImage& b) {
    return Count(a, b, [](QRgb p, QRgb q) { return p != q; });
}

long Drawn(const QImage& a) {
    return Count(a, a, [](QRgb p, QRgb) { return p != kGround; });
}

// Spans drawn on a plane, cut to the picture.
std::vector<raster::Span> Cut(std::vector<raster::Span> spans, QSize size) {
    std::erase_if(spans, [&](raster::Span& s) {
        s.left = std::max(s.left, 0);
        s.right = std::min(s.right, size.width() - 1);
        return s.y < 0 || s.y >= size.height() || s.right < s.left;
    });
    return spans;
}

raster::Shape Cut(raster::Shape shape, QSize size) {
    return {Cut(shape.fill, size), Cut(shape.outline, size), Cut(shape.underFill, size)};
}

// Spans in order, one row after another, neither overlapping nor touching.
bool Ordered(const std::vector<raster::Span>& spans) {
    for (size_t i = 0; i < spans.size(); ++i) {
        if (spans[i].right < spans[i].left) return false;
        if (i > 0 && (spans[i].y < spans[i - 1].y ||
                      (spans[i].y == spans[i - 1].y && spans[i].left <= spans[i - 1].right + 1)))
            return false;
    }
    return true;
}

}  // namespace

TEST(RasterScenes, EllipsesAndTheTriangleAreThePaintersPixels) {
    const QSize stage(449, 581), pulley(30, 30), arrow(20, 40);
    for (std::array<int, 4> r : {std::array{68, 15, 118, 65}, std::array{10, 30, 20, 50}})
        EXPECT_EQ(Differing(QtEllipse(stage, r, 1), Ours(stage, Ellipse(r, 1, Whole(stage)))), 0);
    EXPECT_EQ(Differing(QtEllipse(pulley, {0, 0, 30, 30}, 1),
                        Ours(pulley, Ellipse({0, 0, 30, 30}, 1, Whole(pulley)))),
              0);
    const std::vector<raster::Point> triangle = {{1, 21}, {20, 21}, {10, 41}};
    EXPECT_EQ(Differing(QtPolygon(arrow, triangle, 1),
                        Ours(arrow, raster::Polygon(triangle, 1, Whole(arrow)))),
              0);

    // What a scene's ellipse costs.
    const auto start = std::chrono::steady_clock::now();
    size_t spans = 0;
    for (int i = 0; i < 2000; ++i)
        spans += raster::Ellipse(68, 15, 118, 65, 1, Whole(stage)).outline.size();
    const double micros =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        2000;
    EXPECT_EQ(spans, 2000u * raster::Ellipse(68, 15, 118, 65, 1).outline.size());
    std::cout << "Ellipse(68, 15, 118, 65): " << micros << " us a call\n";
    RecordProperty("ellipse_microseconds", std::to_string(micros));
}

TEST(RasterScenes, WideLinesAreThePaintersPixels) {
    struct Case {
        QSize size;
        raster::Point from, to;
    };
    std::vector<Case> cases;
    // the pulley's spokes, to its centre
    for (int dx = -13; dx <= 13; ++dx)
        for (int dy = -13; dy <= 13; ++dy)
            if (dx || dy) cases.push_back({{30, 30}, {15 + dx, 15 + dy}, {15, 15}});
    // the pen's trace, cut by the picture's sides when long
    for (int dx = -450; dx <= 450; ++dx)
        for (int dy : {-1, 1})
            cases.push_back({{397, 500}, {198 - dx / 2, 250}, {198 - dx / 2 + dx, 250 + dy}});
    for (raster::Point d : {raster::Point{0, 516}, raster::Point{29, -19}, raster::Point{-29, 0}})
        cases.push_back({{449, 581}, {200, 30}, {200 + d.x, 30 + d.y}});
    // along the pulley picture's top and bottom edges, half outside
    for (int y : {0, 30})
        for (int x : {0, 30})
            cases.push_back({{30, 30}, {15, y}, {x, y}});
    int differing = 0;
    for (const Case& c : cases) {
        const QImage ours = Ours(c.size, raster::WideLine(c.from, c.to, 2, Whole(c.size)));
        if (QtLine(c.size, c.from, c.to, 2) != ours) {
            ++differing;
            ADD_FAILURE() << "(" << c.from.x << ", " << c.from.y << ") to (" << c.to.x << ", "
                          << c.to.y << ")";
        }
    }
    EXPECT_EQ(differing, 0) << "of " << cases.size() << " lines";
}

// Random shapes of up to 200 pixels, a fair share of them partly outside the picture; each also
// drawn on a plane and cut to the picture, to see what the picture's rectangle changes.
TEST(RasterRandom, ShapesAreThePaintersPixels) {
    const QSize size(240, 180);
    std::mt19937 random(2024);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto point = [&] { return raster::Point{uniform(-60, 300), uniform(-60, 240)}; };
    struct Tally {
        const char* name;
        long shapes = 0, differing = 0, painted = 0, cutDiffering = 0;
    } tallies[4] = {{"ellipses"}, {"polygons"}, {"wide lines"}, {"one-pixel lines"}};
    for (int i = 0; i < 1200; ++i) {
        const int pen = uniform(1, 6);
        Tally& tally = tallies[i % 3 == 2 && pen == 1 ? 3 : i % 3];
        QImage qt, ours, cut;
        const raster::Point a = point();
        if (i % 3 == 0) {
            const std::array r = {a.x, a.y, a.x + uniform(-200, 200), a.y + uniform(-200, 200)};
            const raster::Shape shape = Ellipse(r, pen, Whole(size));
            EXPECT_TRUE(Ordered(shape.fill) && Ordered(shape.outline) && Ordered(shape.underFill));
            qt = QtEllipse(size, r, pen);
            ours = Ours(size, shape);
            cut = Ours(size, Cut(Ellipse(r, pen, std::nullopt), size));
        } else if (i % 3 == 1) {
            std::vector<raster::Point> points(size_t(uniform(3, 7)));
            for (raster::Point& p : points)
                p = {a.x + uniform(-100, 100), a.y + uniform(-100, 100)};
            const raster::Shape shape = raster::Polygon(points, pen, Whole(size));
            EXPECT_TRUE(Ordered(shape.fill) && Ordered(shape.outline));
            qt = QtPolygon(size, points, pen);
            ours = Ours(size, shape);
            cut = Ours(size, Cut(raster::Polygon(points, pen), size));
        } else {
            const raster::Point b = {a.x + uniform(-200, 200), a.y + uniform(-200, 200)};
            const std::vector<raster::Span> line = raster::WideLine(a, b, pen, Whole(size));
            EXPECT_TRUE(Ordered(line));
            qt = QtLine(size, a, b, pen);
            ours = Ours(size, line);
            cut = Ours(size, Cut(raster::WideLine(a, b, pen), size));
        }
        ++tally.shapes;
        tally.differing += Differing(qt, ours);
        tally.cutDiffering += Differing(qt, cut);
        tally.painted += Drawn(qt);
    }
    for (const Tally& t : tallies) {
        std::cout << t.name << ": " << t.shapes << " shapes, " << t.differing << " of " << t.painted
                  << " painted pixels differ (" << t.cutDiffering
                  << " when drawn on a plane and cut)\n";
        RecordProperty(std::string(t.name) + " differing", std::to_string(t.differing));
        RecordProperty(std::string(t.name) + " painted", std::to_string(t.painted));
        EXPECT_EQ(t.differing, 0) << t.name;
    }
}

// A one-pixel outline cut by the picture's edge starts where the painter cuts it: drawn on a
// plane and then cut, it is not the same.
TEST(RasterRandom, OnePixelOutlinesNeedThePicturesRectangle) {
    const QSize size(40, 30);
    const std::vector<raster::Point> points = {{-3, 21}, {-3, 34}, {3, 35}, {-2, 28}, {4, 21}};
    const QImage qt = QtPolygon(size, points, 1, Fill::kNone);
    EXPECT_EQ(Differing(qt, Ours(size, raster::Polygon(points, 1, Whole(size)), Fill::kNone)), 0);
    EXPECT_GT(Differing(qt, Ours(size, Cut(raster::Polygon(points, 1), size), Fill::kNone)), 0);
}

TEST(RasterBrushes, HatchedAndMissingBrushesPaintTheSameSpans) {
    const QSize size(120, 90);
    std::mt19937 random(7);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    int underFill = 0;
    for (int i = 0; i < 300; ++i) {
        const Fill fill = i % 2 ? Fill::kCross : Fill::kNone;
        const int pen = uniform(0, 2) ? 1 : uniform(2, 5);
        if (i % 4 < 2) {
            // flat ellipses too, where a row's brush covers another row's pen
            const int x = uniform(-20, 120), y = uniform(-20, 90);
            const std::array r = {x, y, x + uniform(-60, 60),
                                  y + (i % 8 < 4 ? uniform(-60, 60) : uniform(-5, 5))};
            const raster::Shape shape = Ellipse(r, pen, Whole(size));
            underFill += !shape.underFill.empty();
            EXPECT_EQ(Differing(QtEllipse(size, r, pen, fill), Ours(size, shape, fill)), 0)
                << r[0] << " " << r[1] << " " << r[2] << " " << r[3];
        } else {
            std::vector<raster::Point> points(size_t(uniform(3, 6)));
            for (raster::Point& p : points)
                p = {uniform(-20, 140), uniform(-20, 110)};
            EXPECT_EQ(Differing(QtPolygon(size, points, pen, fill),
                                Ours(size, raster::Polygon(points, pen, Whole(size)), fill)),
                      0);
        }
    }
    EXPECT_GT(underFill, 0);
}

// Shapes a million pixels across, and shapes of no size, are still the painter's pixels; beyond a
// million, or with a pen wider than ten thousand, nothing is drawn.
TEST(RasterLimits, HugeAndDegenerateShapes) {
    const QSize size(100, 80);
    const int m = 1000000;
    const std::array<int, 4> ellipses[] = {{-m, -m, m, m - 1}, {-m, 30, m, 50}, {20, -m, 60, m},
                                           {5, 5, 5, 5},       {5, 5, 6, 6},    {5, 5, 5, 9},
                                           {5, 5, 7, 5}};
    const std::vector<raster::Point> polygons[] = {
        {{5, 5}, {5, 5}, {5, 5}},
        {{5, 5}, {9, 9}},
        {{-m, -m}, {m, 0}, {0, m}},
        {{10, 10}, {10, 10}, {20, 10}, {20, 10}, {15, 30}}};
    const raster::Point lines[][2] = {
        {{-m, 40}, {m, 41}}, {{5, 5}, {5, 5}}, {{50, -m}, {51, m}}, {{-m, -m}, {m, m}}};
    for (int pen : {1, 2, 5}) {
        for (const auto& r : ellipses)
            EXPECT_EQ(Differing(QtEllipse(size, r, pen), Ours(size, Ellipse(r, pen, Whole(size)))),
                      0)
                << r[0] << " " << r[1] << " " << r[2] << " " << r[3] << " pen " << pen;
        for (const auto& points : polygons)
            EXPECT_EQ(Differing(QtPolygon(size, points, pen),
                                Ours(size, raster::Polygon(points, pen, Whole(size)))),
                      0)
                << points.size() << " points, pen " << pen;
        for (const auto& l : lines)
            EXPECT_EQ(Differing(QtLine(size, l[0], l[1], pen),
                                Ours(size, raster::WideLine(l[0], l[1], pen, Whole(size)))),
                      0)
                << l[0].x << " " << l[0].y << " " << l[1].x << " " << l[1].y << " pen " << pen;
    }
    EXPECT_TRUE(raster::Ellipse(-m - 1, 0, 10, 10, 1).outline.empty());
    EXPECT_TRUE(raster::WideLine({0, 0}, {0, m + 1}, 3).empty());
    EXPECT_TRUE(raster::Polygon({{0, 0}, {5, 5}, {-m - 1, 0}}, 1).fill.empty());
    EXPECT_TRUE(raster::WideLine({0, 0}, {10, 10}, 10001).empty());
    EXPECT_FALSE(raster::WideLine({0, 0}, {10, 10}, 10000).empty());
}

// The canvas's Rectangle(l, t, r, b) outside the cases it draws by rows (narrow, a wide pen, left
// of the picture): a polygon through its corners, the painter's pixels.
TEST(RasterRandom, RectanglesAreThePaintersPixels) {
    const QSize size(60, 50);
    std::mt19937 random(7);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int i = 0; i < 1000; ++i) {
        const int l = uniform(-10, 60), t = uniform(-10, 50), pen = uniform(1, 6);
        const int r = l + (i % 2 ? uniform(-70, 70) : uniform(-4, 4)), b = t + uniform(-60, 60);
        const QImage qt = Painted(size, pen, Qt::MiterJoin, Fill::kSolid, [&](QPainter& p) {
            p.drawRect(
                QRectF(std::min(l, r), std::min(t, b), std::abs(r - l) - 1, std::abs(b - t) - 1));
        });
        const ShapeRuns runs = RectangleRuns(l, t, r, b, pen, ::Rect(0, 0, 60, 50));
        raster::Shape shape;
        for (const auto& [from, to] :
             {std::pair{&runs.fill, &shape.fill}, std::pair{&runs.outline, &shape.outline}})
            for (const PixelRuns::Span& span : from->spans)
                to->push_back({span.y, span.left, span.right});
        ASSERT_EQ(Differing(qt, Ours(size, shape)), 0) << l << "," << t << " " << r << "," << b;
    }
}

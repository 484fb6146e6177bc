#include "canvas/raster.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <utility>

namespace raster {
namespace {

using i64 = std::int64_t;

constexpr int kCoordinateLimit = 1000000;
constexpr int kPenLimit = 10000;
// The control arm of a Bézier quarter circle, as a fraction of its radius.
constexpr double kKappa = 0.5522847498;

// ---------------------------------------------------------------------------------------------
// Floating point as the painter does it: fuzzy comparisons, rounding half away from zero.

bool FuzzyCompare(double a, double b) {
    return std::abs(a - b) * 1000000000000. <= std::min(std::abs(a), std::abs(b));
}

bool FuzzyIsNull(double d) {
    return std::abs(d) <= 0.000000000001;
}

int RoundToInt(double d) {
    return static_cast<int>(d + std::copysign(0.5, d));
}

struct PointF {
    double x = 0, y = 0;
};

PointF operator+(PointF a, PointF b) {
    return {a.x + b.x, a.y + b.y};
}
PointF operator-(PointF a, PointF b) {
    return {a.x - b.x, a.y - b.y};
}
PointF operator*(PointF a, double k) {
    return {a.x * k, a.y * k};
}
PointF operator*(double k, PointF a) {
    return {a.x * k, a.y * k};
}

// Points equal to about twelve digits (a coordinate that is zero must be nearly zero).
bool Same(PointF a, PointF b) {
    const auto same = [](double p, double q) {
        return (p == 0 || q == 0) ? FuzzyIsNull(p - q) : FuzzyCompare(p, q);
    };
    return same(a.x, b.x) && same(a.y, b.y);
}

// A segment with the painter's operations on it.
struct LineF {
    PointF p1, p2;

    double dx() const { return p2.x - p1.x; }
    double dy() const { return p2.y - p1.y; }
    double Length() const { return std::hypot(dx(), dy()); }
    bool IsNull() const { return FuzzyCompare(p1.x, p2.x) && FuzzyCompare(p1.y, p2.y); }
    LineF Normal() const { return {p1, p1 + PointF{dy(), -dx()}}; }
    LineF Unit() const {
        const double x = dx(), y = dy();
        const double length = std::hypot(x, y);
        return {p1, {p1.x + x / length, p1.y + y / length}};
    }
    void SetLength(double length) {
        const double old = Length();
        if (old > 0) p2 = {p1.x + length * (dx() / old), p1.y + length * (dy() / old)};
    }
    void Translate(PointF d) {
        p1 = p1 + d;
        p2 = p2 + d;
    }
    // Degrees counter-clockwise from the x axis (y pointing down), in [0, 360).
    double Angle() const {
        const double theta = std::atan2(-dy(), dx()) * (180 / std::numbers::pi);
        const double normalized = theta < 0 ? theta + 360 : theta;
        return FuzzyCompare(normalized, 360) ? 0 : normalized;
    }
    double AngleTo(const LineF& l) const {
        if (IsNull() || l.IsNull()) return 0;
        const double delta = l.Angle() - Angle();
        const double normalized = delta < 0 ? delta + 360 : delta;
        return FuzzyCompare(delta, 360) ? 0 : normalized;
    }
    enum Crossing { kNone, kBounded, kUnbounded };
    Crossing Intersects(const LineF& l, PointF* at) const {
        const PointF a = p2 - p1;
        const PointF b = l.p1 - l.p2;
        const PointF c = p1 - l.p1;
        const double denominator = a.y * b.x - a.x * b.y;
        if (denominator == 0 || !std::isfinite(denominator)) return kNone;
        const double reciprocal = 1 / denominator;
        const double na = (b.y * c.x - b.x * c.y) * reciprocal;
        *at = p1 + a * na;
        if (na < 0 || na > 1) return kUnbounded;
        const double nb = (a.x * c.y - a.y * c.x) * reciprocal;
        if (nb < 0 || nb > 1) return kUnbounded;
        return kBounded;
    }
};

// ---------------------------------------------------------------------------------------------
// Paths of segments and cubic Béziers.

enum class Kind : unsigned char { kMove, kLine, kCurve, kCurveData };

struct Path {
    std::vector<PointF> points;
    std::vector<Kind> kinds;

    void MoveTo(PointF p) { Add(Kind::kMove, p); }
    void LineTo(PointF p) { Add(Kind::kLine, p); }
    void CubicTo(PointF c1, PointF c2, PointF end) {
        Add(Kind::kCurve, c1);
        Add(Kind::kCurveData, c2);
        Add(Kind::kCurveData, end);
    }
    void Add(Kind kind, PointF p) {
        kinds.push_back(kind);
        points.push_back(p);
    }
};

struct Bezier {
    double x1, y1, x2, y2, x3, y3, x4, y4;

    static Bezier FromPoints(PointF a, PointF b, PointF c, PointF d) {
        return {a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y};
    }
    PointF Pt1() const { return {x1, y1}; }
    PointF Pt2() const { return {x2, y2}; }
    PointF Pt3() const { return {x3, y3}; }
    PointF Pt4() const { return {x4, y4}; }

    // Halves at t = 1/2; either half may be this very curve.
    void Split(Bezier* first, Bezier* second) const {
        double c = (x2 + x3) * .5;
        first->x2 = (x1 + x2) * .5;
        second->x3 = (x3 + x4) * .5;
        first->x1 = x1;
        second->x4 = x4;
        first->x3 = (first->x2 + c) * .5;
        second->x2 = (second->x3 + c) * .5;
        first->x4 = second->x1 = (first->x3 + second->x2) * .5;

        c = (y2 + y3) / 2;
        first->y2 = (y1 + y2) * .5;
        second->y3 = (y3 + y4) * .5;
        first->y1 = y1;
        second->y4 = y4;
        first->y3 = (first->y2 + c) * .5;
        second->y2 = (second->y3 + c) * .5;
        first->y4 = second->y1 = (first->y3 + second->y2) * .5;
    }

    PointF PointAt(double t) const {
        const double m = 1. - t;
        double a = x1 * m + x2 * t, b = x2 * m + x3 * t, c = x3 * m + x4 * t;
        a = a * m + b * t;
        b = b * m + c * t;
        const double x = a * m + b * t;
        a = y1 * m + y2 * t, b = y2 * m + y3 * t, c = y3 * m + y4 * t;
        a = a * m + b * t;
        b = b * m + c * t;
        return {x, a * m + b * t};
    }

    PointF NormalAt(double t) const {
        const double m = 1. - t;
        const double a = m * m, b = t * m, c = t * t;
        return {(y2 - y1) * a + (y3 - y2) * b + (y4 - y3) * c,
                -(x2 - x1) * a - (x3 - x2) * b - (x4 - x3) * c};
    }

    LineF StartTangent() const {
        LineF tangent{Pt1(), Pt2()};
        if (tangent.IsNull()) tangent = {Pt1(), Pt3()};
        if (tangent.IsNull()) tangent = {Pt1(), Pt4()};
        return tangent;
    }

    // Keeps the part before t in `left`; this curve becomes the part after.
    void ParameterSplitLeft(double t, Bezier* left) {
        left->x1 = x1;
        left->y1 = y1;
        left->x2 = x1 + t * (x2 - x1);
        left->y2 = y1 + t * (y2 - y1);
        left->x3 = x2 + t * (x3 - x2);
        left->y3 = y2 + t * (y3 - y2);
        x3 = x3 + t * (x4 - x3);
        y3 = y3 + t * (y4 - y3);
        x2 = left->x3 + t * (x3 - left->x3);
        y2 = left->y3 + t * (y3 - left->y3);
        left->x3 = left->x2 + t * (left->x3 - left->x2);
        left->y3 = left->y2 + t * (left->y3 - left->y2);
        left->x4 = x1 = left->x3 + t * (x2 - left->x3);
        left->y4 = y1 = left->y3 + t * (y2 - left->y3);
    }

    Bezier OnInterval(double t0, double t1) const {
        if (t0 == 0 && t1 == 1) return *this;
        Bezier bezier = *this, result{};
        bezier.ParameterSplitLeft(t0, &result);
        bezier.ParameterSplitLeft((t1 - t0) / (1 - t0), &result);
        return result;
    }

    // Appends the end points of the segments that approximate the curve (nine halvings at most).
    void Flatten(std::vector<PointF>& out, double threshold) const {
        std::array<Bezier, 10> stack;
        std::array<int, 10> levels;
        stack[0] = *this;
        levels[0] = 9;
        int top = 0;
        while (top >= 0) {
            Bezier& b = stack[top];
            const double y4y1 = b.y4 - b.y1, x4x1 = b.x4 - b.x1;
            double l = std::abs(x4x1) + std::abs(y4y1);
            double d;
            if (l > 1.) {
                d = std::abs((x4x1) * (b.y1 - b.y2) - (y4y1) * (b.x1 - b.x2)) +
                    std::abs((x4x1) * (b.y1 - b.y3) - (y4y1) * (b.x1 - b.x3));
            } else {
                d = std::abs(b.x1 - b.x2) + std::abs(b.y1 - b.y2) + std::abs(b.x1 - b.x3) +
                    std::abs(b.y1 - b.y3);
                l = 1.;
            }
            if (d < threshold * l || levels[top] == 0) {
                out.push_back(b.Pt4());
                --top;
            } else {
                b.Split(&stack[top + 1], &b);
                levels[top + 1] = --levels[top];
                ++top;
            }
        }
    }

    int Shifted(Bezier* segments, int maxSegments, double offset, float threshold) const;
};

// ---------------------------------------------------------------------------------------------
// Offset curves: a Bézier moved sideways by half the pen, as a few Béziers.

enum class ShiftResult { kOk, kDiscard, kSplit, kCircle };

ShiftResult GoodOffset(const Bezier& b1, const Bezier& b2, double offset, double threshold) {
    const double o2 = offset * offset;
    const double maxDistLine = threshold * offset * offset;
    const double maxDistNormal = threshold * offset;
    const double spacing = 0.25;
    for (double i = spacing; i < 0.99; i += spacing) {
        const PointF p1 = b1.PointAt(i), p2 = b2.PointAt(i);
        double d = (p1.x - p2.x) * (p1.x - p2.x) + (p1.y - p2.y) * (p1.y - p2.y);
        if (std::abs(d - o2) > maxDistLine) return ShiftResult::kSplit;
        const PointF normal = b1.NormalAt(i);
        const double l = std::abs(normal.x) + std::abs(normal.y);
        if (l != 0.0) {
            d = std::abs(normal.x * (p1.y - p2.y) - normal.y * (p1.x - p2.x)) / l;
            if (d > maxDistNormal) return ShiftResult::kSplit;
        }
    }
    return ShiftResult::kOk;
}

ShiftResult Shift(const Bezier& orig, Bezier* shifted, double offset, double threshold) {
    std::array<int, 4> map{};
    const bool p1p2 = orig.x1 == orig.x2 && orig.y1 == orig.y2;
    const bool p2p3 = orig.x2 == orig.x3 && orig.y2 == orig.y3;
    const bool p3p4 = orig.x3 == orig.x4 && orig.y3 == orig.y4;
    std::array<PointF, 4> points;
    int np = 0;
    points[np++] = orig.Pt1();
    map[0] = 0;
    if (!p1p2) points[np++] = orig.Pt2();
    map[1] = np - 1;
    if (!p2p3) points[np++] = orig.Pt3();
    map[2] = np - 1;
    if (!p3p4) points[np++] = orig.Pt4();
    map[3] = np - 1;
    if (np == 1) return ShiftResult::kDiscard;

    const double minX = std::min({orig.x1, orig.x2, orig.x3, orig.x4});
    const double maxX = std::max({orig.x1, orig.x2, orig.x3, orig.x4});
    const double minY = std::min({orig.y1, orig.y2, orig.y3, orig.y4});
    const double maxY = std::max({orig.y1, orig.y2, orig.y3, orig.y4});
    if (np == 4 && maxX - minX < .1 * offset && maxY - minY < .1 * offset) {
        const double l =
            (orig.x1 - orig.x2) * (orig.x1 - orig.x2) +
            (orig.y1 - orig.y2) * (orig.y1 - orig.y2) * (orig.x3 - orig.x4) * (orig.x3 - orig.x4) +
            (orig.y3 - orig.y4) * (orig.y3 - orig.y4);
        const double dot =
            (orig.x1 - orig.x2) * (orig.x3 - orig.x4) + (orig.y1 - orig.y2) * (orig.y3 - orig.y4);
        // Close points turning back: a half circle does.
        if (dot < 0 && dot * dot < 0.8 * l) return ShiftResult::kCircle;
    }

    std::array<PointF, 4> moved;
    const auto unitNormal = [](PointF d) { return LineF{{}, d}.Normal().Unit().p2; };
    PointF prevNormal = unitNormal(points[1] - points[0]);
    moved[0] = points[0] + offset * prevNormal;
    for (int i = 1; i < np - 1; ++i) {
        const PointF nextNormal = unitNormal(points[i + 1] - points[i]);
        const PointF sum = prevNormal + nextNormal;
        const double r = 1.0 + prevNormal.x * nextNormal.x + prevNormal.y * nextNormal.y;
        if (FuzzyIsNull(r)) {
            moved[i] = points[i] + offset * prevNormal;
        } else {
            const double k = offset / r;
            moved[i] = points[i] + k * sum;
        }
        prevNormal = nextNormal;
    }
    moved[np - 1] = points[np - 1] + offset * prevNormal;
    *shifted = Bezier::FromPoints(moved[map[0]], moved[map[1]], moved[map[2]], moved[map[3]]);
    return GoodOffset(orig, *shifted, offset, threshold);
}

bool AddCircle(const Bezier& b, double offset, Bezier* o) {
    std::array<PointF, 3> normals;
    normals[0] = {b.y2 - b.y1, b.x1 - b.x2};
    double dist = std::sqrt(normals[0].x * normals[0].x + normals[0].y * normals[0].y);
    if (FuzzyIsNull(dist)) return false;
    normals[0] = {normals[0].x / dist, normals[0].y / dist};
    normals[2] = {b.y4 - b.y3, b.x3 - b.x4};
    dist = std::sqrt(normals[2].x * normals[2].x + normals[2].y * normals[2].y);
    if (FuzzyIsNull(dist)) return false;
    normals[2] = {normals[2].x / dist, normals[2].y / dist};
    normals[1] = {b.x1 - b.x2 - b.x3 + b.x4, b.y1 - b.y2 - b.y3 + b.y4};
    const double length = -1 * std::sqrt(normals[1].x * normals[1].x + normals[1].y * normals[1].y);
    normals[1] = {normals[1].x / length, normals[1].y / length};

    std::array<double, 2> angles;
    double sign = 1.;
    for (int i = 0; i < 2; ++i) {
        double cosA = normals[i].x * normals[i + 1].x + normals[i].y * normals[i + 1].y;
        cosA = std::clamp(cosA, -1., 1.);
        angles[i] = std::acos(cosA) * std::numbers::inv_pi;
    }
    if (angles[0] + angles[1] > 1.) {
        // more than half a turn
        normals[1] = {-normals[1].x, -normals[1].y};
        angles[0] = 1. - angles[0];
        angles[1] = 1. - angles[1];
        sign = -1.;
    }
    const std::array<PointF, 3> circle = {
        b.Pt1() + normals[0] * offset,
        PointF{0.5 * (b.x1 + b.x4), 0.5 * (b.y1 + b.y4)} + normals[1] * offset,
        b.Pt4() + normals[2] * offset};
    for (int i = 0; i < 2; ++i) {
        const double kappa = 2.0 * kKappa * sign * offset * angles[i];
        o->x1 = circle[i].x;
        o->y1 = circle[i].y;
        o->x2 = circle[i].x - normals[i].y * kappa;
        o->y2 = circle[i].y + normals[i].x * kappa;
        o->x3 = circle[i + 1].x + normals[i + 1].y * kappa;
        o->y3 = circle[i + 1].y - normals[i + 1].x * kappa;
        o->x4 = circle[i + 1].x;
        o->y4 = circle[i + 1].y;
        ++o;
    }
    return true;
}

int Bezier::Shifted(Bezier* segments, int maxSegments, double offset, float threshold) const {
    if (FuzzyCompare(x1, x2) && FuzzyCompare(x1, x3) && FuzzyCompare(x1, x4) &&
        FuzzyCompare(y1, y2) && FuzzyCompare(y1, y3) && FuzzyCompare(y1, y4))
        return 0;
    --maxSegments;
    std::array<Bezier, 10> stack;
    int top = 0, out = 0;
    bool givenUp = false;
    while (true) {
        stack[0] = *this;
        top = 0;
        out = 0;
        bool redo = false;
        while (top >= 0) {
            const int stackSegments = top + 1;
            if (stackSegments == 10 || out == maxSegments - stackSegments) {
                threshold *= 1.5;
                if (threshold > 2.0)
                    givenUp = true;
                else
                    redo = true;
                break;
            }
            const ShiftResult result = Shift(stack[top], &segments[out], offset, threshold);
            if (result == ShiftResult::kDiscard) {
                --top;
            } else if (result == ShiftResult::kOk) {
                ++out;
                --top;
            } else if (result == ShiftResult::kCircle && maxSegments - out >= 2) {
                if (AddCircle(stack[top], offset, &segments[out])) out += 2;
                --top;
            } else {
                stack[top].Split(&stack[top + 1], &stack[top]);
                ++top;
            }
        }
        if (!redo) break;
    }
    if (givenUp) {
        for (; top >= 0; --top) {
            const ShiftResult result = Shift(stack[top], &segments[out], offset, threshold);
            if (result == ShiftResult::kOk || result == ShiftResult::kSplit) ++out;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Arcs as Béziers.

double ArcAngleToT(double angle) {
    if (FuzzyIsNull(angle)) return 0;
    if (FuzzyCompare(angle, 90)) return 1;
    const double radians = angle * (std::numbers::pi / 180);
    const double cosAngle = std::cos(radians), sinAngle = std::sin(radians);
    const double k = kKappa;
    // Newton's method on the prototype quarter circle, for x then y; the mean of both.
    double tc = angle / 90;
    for (int i = 0; i < 2; ++i)
        tc -= ((((2 - 3 * k) * tc + 3 * (k - 1)) * tc) * tc + 1 - cosAngle) /
              (((6 - 9 * k) * tc + 6 * (k - 1)) * tc);
    double ts = tc;
    for (int i = 0; i < 2; ++i)
        ts -= ((((3 * k - 2) * ts - 6 * k + 3) * ts + 3 * k) * ts - sinAngle) /
              (((9 * k - 6) * ts + 12 * k - 6) * ts + 3 * k);
    return 0.5 * (tc + ts);
}

struct RectF {
    double x, y, w, h;
};

PointF EllipsePointAt(const RectF& r, double angle) {
    const double w2 = r.w / 2, h2 = r.h / 2;
    const double theta = angle - 360 * std::floor(angle / 360);
    double t = theta / 90;
    const int quadrant = static_cast<int>(t);
    t -= quadrant;
    t = ArcAngleToT(90 * t);
    if (quadrant & 1) t = 1 - t;
    const double m = 1. - t;
    double b = m * m, c = t * t;
    const double d = c * t, a = b * m;
    b *= 3. * t;
    c *= 3. * m;
    PointF p{a + b + c * kKappa, d + c + b * kKappa};
    if (quadrant == 1 || quadrant == 2) p.x = -p.x;
    if (quadrant == 0 || quadrant == 1) p.y = -p.y;
    return PointF{r.x + r.w / 2, r.y + r.h / 2} + PointF{w2 * p.x, h2 * p.y};
}

// The Béziers of the arc of the ellipse in `r` from `startAngle` over `sweep` degrees
// (counter-clockwise when positive): control points three by three; returns the start point.
PointF ArcCurves(const RectF& r, double startAngle, double sweep, std::vector<PointF>& curves) {
    curves.clear();
    if (r.w == 0 && r.h == 0) return {};
    const double x = r.x, y = r.y, w = r.w, w2 = r.w / 2, w2k = w2 * kKappa;
    const double h = r.h, h2 = r.h / 2, h2k = h2 * kKappa;
    const std::array<PointF, 13> points = {{{x + w, y + h2},
                                            {x + w, y + h2 + h2k},
                                            {x + w2 + w2k, y + h},
                                            {x + w2, y + h},
                                            {x + w2 - w2k, y + h},
                                            {x, y + h2 + h2k},
                                            {x, y + h2},
                                            {x, y + h2 - h2k},
                                            {x + w2 - w2k, y},
                                            {x + w2, y},
                                            {x + w2 + w2k, y},
                                            {x + w, y + h2 - h2k},
                                            {x + w, y + h2}}};
    sweep = std::clamp(sweep, -360., 360.);
    if (startAngle == 0.0) {
        if (sweep == 360.0) {
            for (int i = 11; i >= 0; --i)
                curves.push_back(points[i]);
            return points[12];
        }
        if (sweep == -360.0) {
            for (int i = 1; i <= 12; ++i)
                curves.push_back(points[i]);
            return points[0];
        }
    }
    int startSegment = static_cast<int>(std::floor(startAngle / 90));
    int endSegment = static_cast<int>(std::floor((startAngle + sweep) / 90));
    double startT = (startAngle - startSegment * 90) / 90;
    double endT = (startAngle + sweep - endSegment * 90) / 90;
    const int delta = sweep > 0 ? 1 : -1;
    if (delta < 0) {
        startT = 1 - startT;
        endT = 1 - endT;
    }
    if (FuzzyIsNull(startT - 1.)) {
        startT = 0;
        startSegment += delta;
    }
    if (FuzzyIsNull(endT)) {
        endT = 1;
        endSegment -= delta;
    }
    startT = ArcAngleToT(startT * 90);
    endT = ArcAngleToT(endT * 90);
    const bool splitAtStart = !FuzzyIsNull(startT);
    const bool splitAtEnd = !FuzzyIsNull(endT - 1.);
    const int end = endSegment + delta;
    if (startSegment == end) {
        const int j = 3 * (3 - ((startSegment % 4) + 4) % 4);
        return delta > 0 ? points[j + 3] : points[j];
    }
    const PointF startPoint = EllipsePointAt(r, startAngle);
    const PointF endPoint = EllipsePointAt(r, startAngle + sweep);
    for (int i = startSegment; i != end; i += delta) {
        const int j = 3 * (3 - ((i % 4) + 4) % 4);
        Bezier b = delta > 0
                       ? Bezier::FromPoints(points[j + 3], points[j + 2], points[j + 1], points[j])
                       : Bezier::FromPoints(points[j], points[j + 1], points[j + 2], points[j + 3]);
        if (startSegment == endSegment && FuzzyCompare(startT, endT)) return startPoint;
        if (i == startSegment) {
            if (i == endSegment && splitAtEnd)
                b = b.OnInterval(startT, endT);
            else if (splitAtStart)
                b = b.OnInterval(startT, 1);
        } else if (i == endSegment && splitAtEnd) {
            b = b.OnInterval(0, endT);
        }
        curves.push_back(b.Pt2());
        curves.push_back(b.Pt3());
        curves.push_back(b.Pt4());
    }
    curves.back() = endPoint;
    return startPoint;
}

// ---------------------------------------------------------------------------------------------
// The stroke of a path for a pen wider than a pixel: its outline, as a path filled non-zero.

enum class Join { kMiter, kRound, kRoundCap };

class Stroker {
  public:
    Stroker(double width, Join join) : width_(width), join_(join) {
        curveThreshold_ = width > 4 ? 1.0 / width : 0.25;
    }

    // Strokes `path` (a line back to its first point when `close`).
    Path Stroke(const Path& path, bool close) {
        out_ = Path{};
        elements_.clear();
        for (size_t i = 0; i < path.points.size(); ++i) {
            if (path.kinds[i] == Kind::kMove) {
                if (elements_.size() > 1) ProcessSubpath();
                elements_.clear();
            }
            elements_.push_back({path.kinds[i], path.points[i]});
        }
        if (close && !path.points.empty()) elements_.push_back({Kind::kLine, path.points[0]});
        if (elements_.size() > 1) ProcessSubpath();
        return std::move(out_);
    }

  private:
    struct Element {
        Kind kind;
        PointF p;
    };

    void EmitMoveTo(PointF p) {
        back2_ = back1_;
        back1_ = p;
        out_.MoveTo(p);
    }
    void EmitLineTo(PointF p) {
        back2_ = back1_;
        back1_ = p;
        out_.LineTo(p);
    }
    void EmitCubicTo(PointF c1, PointF c2, PointF end) {
        if (c2.x == end.x && c2.y == end.y)
            back2_ = (c1.x == end.x && c1.y == end.y) ? back1_ : c1;
        else
            back2_ = c2;
        back1_ = end;
        out_.CubicTo(c1, c2, end);
    }

    void ProcessSubpath() {
        // The same subpath backwards: curve control points swap roles.
        std::vector<Element> backward(elements_.rbegin(), elements_.rend());
        backward[0].kind = Kind::kMove;
        for (size_t i = 1; i < backward.size(); ++i) {
            const Kind later = elements_[elements_.size() - i].kind;
            Kind& kind = backward[i].kind;
            if (later == Kind::kLine)
                kind = Kind::kLine;
            else if (later == Kind::kCurveData)
                kind = kind == Kind::kCurve ? Kind::kCurveData : Kind::kCurve;
            else if (later == Kind::kCurve)
                kind = Kind::kCurveData;
        }
        LineF forwardTangent{}, backwardTangent{};
        const bool forwardClosed = StrokeSide(elements_, false, &forwardTangent);
        const bool backwardClosed = StrokeSide(backward, !forwardClosed, &backwardTangent);
        if (!backwardClosed && !forwardTangent.IsNull())
            JoinPoints(elements_[0].p, forwardTangent, Join::kRoundCap);
    }

    // One side of the stroke, offset to the left of the direction of travel; true when the
    // subpath is closed.
    bool StrokeSide(const std::vector<Element>& elements, bool capFirst, LineF* startTangent) {
        constexpr int kMaxOffset = 16;
        std::array<Bezier, kMaxOffset> offsetCurves;
        const PointF start = elements[0].p;
        PointF prev = start;
        bool first = true;
        const double offset = width_ / 2;
        for (size_t i = 1; i < elements.size(); ++i) {
            const Element& e = elements[i];
            if (e.kind == Kind::kLine) {
                LineF line{prev, e.p};
                if (Same(line.p1, line.p2)) continue;
                LineF normal = line.Normal();
                normal.SetLength(offset);
                line.Translate({normal.dx(), normal.dy()});
                if (first) {
                    if (capFirst)
                        JoinPoints(prev, line, Join::kRoundCap);
                    else
                        EmitMoveTo(line.p1);
                    *startTangent = line;
                    first = false;
                } else {
                    JoinPoints(prev, line, join_);
                }
                EmitLineTo(line.p2);
                prev = e.p;
            } else if (e.kind == Kind::kCurve && i + 2 < elements.size()) {
                const PointF c2 = elements[i + 1].p, end = elements[i + 2].p;
                i += 2;
                const Bezier bezier = Bezier::FromPoints(prev, e.p, c2, end);
                const int count = bezier.Shifted(offsetCurves.data(), kMaxOffset, offset,
                                                 static_cast<float>(curveThreshold_));
                if (count) {
                    LineF tangent = bezier.StartTangent();
                    tangent.Translate(offsetCurves[0].Pt1() - bezier.Pt1());
                    if (first) {
                        if (capFirst)
                            JoinPoints(prev, tangent, Join::kRoundCap);
                        else
                            EmitMoveTo(offsetCurves[0].Pt1());
                        *startTangent = tangent;
                        first = false;
                    } else {
                        JoinPoints(prev, tangent, join_);
                    }
                    for (int k = 0; k < count; ++k)
                        EmitCubicTo(offsetCurves[k].Pt2(), offsetCurves[k].Pt3(),
                                    offsetCurves[k].Pt4());
                }
                prev = end;
            }
        }
        if (FuzzyCompare(start.x, prev.x) && FuzzyCompare(start.y, prev.y)) {
            if (!first) JoinPoints(prev, *startTangent, join_);
            return true;
        }
        return false;
    }

    // Goes round the corner at `focal` from the last point emitted to the start of `next`.
    void JoinPoints(PointF focal, const LineF& next, Join join) {
        if (FuzzyCompare(back1_.x, next.p1.x) && FuzzyCompare(back1_.y, next.p1.y)) return;
        const LineF prev{back2_, back1_};
        PointF crossing;
        const LineF::Crossing type = prev.Intersects(next, &crossing);
        // On the inside of a corner, the outline goes through the corner itself.
        const auto inside = [&] {
            const double angle = LineF{prev.p2, next.p1}.AngleTo(prev);
            return type == LineF::kBounded || (angle > 90 && !FuzzyCompare(angle, 90));
        };
        if (join == Join::kMiter) {
            const double limit = width_ * 2;  // the pen's miter limit is twice its width
            if (inside()) {
                EmitLineTo(focal);
                EmitLineTo(next.p1);
                return;
            }
            const LineF miter{back1_, crossing};
            if (type == LineF::kNone || miter.Length() > limit) {
                LineF l1 = prev;
                l1.SetLength(limit);
                l1.Translate({prev.dx(), prev.dy()});
                LineF l2 = next;
                l2.SetLength(limit);
                l2.Translate({-l2.dx(), -l2.dy()});
                EmitLineTo(l1.p2);
                EmitLineTo(l2.p1);
                EmitLineTo(next.p1);
            } else {
                EmitLineTo(crossing);
                EmitLineTo(next.p1);
            }
        } else if (join == Join::kRound) {
            const double offset = width_ / 2;
            if (inside()) {
                EmitLineTo(focal);
                EmitLineTo(next.p1);
                return;
            }
            const LineF axis{{0, 0}, {1, 0}};
            const double prevAngle = axis.AngleTo(prev), nextAngle = axis.AngleTo(next);
            std::vector<PointF> curves;
            ArcCurves({focal.x - offset, focal.y - offset, offset * 2, offset * 2}, prevAngle + 90,
                      -std::abs(nextAngle - prevAngle), curves);
            for (size_t i = 0; i + 2 < curves.size(); i += 3)
                EmitCubicTo(curves[i], curves[i + 1], curves[i + 2]);
            EmitLineTo(next.p1);
        } else {
            // A round cap: half a circle as two quarter Béziers.
            const double offset = width_ / 2;
            LineF l1 = prev;
            const double dot = prev.dx() * next.dx() + prev.dy() * next.dy();
            if (dot > 0)
                l1 = {prev.p2, prev.p1};
            else
                l1.Translate({l1.dx(), l1.dy()});
            l1.SetLength(kKappa * offset);
            LineF l2{focal, prev.p2};
            l2.Translate({-l2.dy(), l2.dx()});
            l2.SetLength(kKappa * offset);
            EmitCubicTo(l1.p2, l2.p2, l2.p1);
            l2 = {l2.p1, {l2.p1.x - l2.dx(), l2.p1.y - l2.dy()}};
            l1.Translate({next.p1.x - l1.p1.x, next.p1.y - l1.p1.y});
            EmitCubicTo(l2.p2, l1.p2, l1.p1);
        }
    }

    double width_;
    Join join_;
    double curveThreshold_;
    std::vector<Element> elements_;
    PointF back1_, back2_;
    Path out_;
};

// ---------------------------------------------------------------------------------------------
// Filling: curves flattened, points rounded to 1/64 pixel, then a scan line at each pixel
// centre.

struct Fixed {  // 26.6
    i64 x, y;
};

struct Outline {
    std::vector<Fixed> points;
    std::vector<int> contourEnds;  // index of each contour's last point
};

Outline ToOutline(const Path& path) {
    std::vector<PointF> elements;
    std::vector<bool> moves;
    size_t subpathStart = 0;
    const auto closeSubpath = [&] {
        if (!elements.empty() && !Same(elements.back(), elements[subpathStart])) {
            const PointF start = elements[subpathStart];
            elements.push_back(start);
            moves.push_back(false);
        }
    };
    const size_t count = path.points.size();
    for (size_t i = 0; i < count; ++i) {
        const PointF p = path.points[i];
        switch (path.kinds[i]) {
            case Kind::kMove:
                if (i == count - 1) continue;
                closeSubpath();
                subpathStart = elements.size();
                elements.push_back(p);
                moves.push_back(true);
                break;
            case Kind::kLine:
                elements.push_back(p);
                moves.push_back(false);
                break;
            case Kind::kCurve:
                if (i + 2 < count && !elements.empty()) {
                    Bezier::FromPoints(elements.back(), p, path.points[i + 1], path.points[i + 2])
                        .Flatten(elements, 0.25);
                    moves.resize(elements.size(), false);
                }
                i += 2;
                break;
            case Kind::kCurveData:
                break;
        }
    }
    closeSubpath();
    Outline outline;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (moves[i] && i != 0) outline.contourEnds.push_back(int(outline.points.size()) - 1);
        outline.points.push_back({RoundToInt(elements[i].x * 64), RoundToInt(elements[i].y * 64)});
    }
    if (!outline.points.empty()) outline.contourEnds.push_back(int(outline.points.size()) - 1);
    return outline;
}

// Normalises spans into sorted, non-overlapping, non-adjacent runs.
std::vector<Span> Normalize(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
        return a.y != b.y ? a.y < b.y : a.left < b.left;
    });
    std::vector<Span> out;
    for (const Span& s : spans) {
        if (s.right < s.left) continue;
        if (!out.empty() && out.back().y == s.y && i64(s.left) <= i64(out.back().right) + 1)
            out.back().right = std::max(out.back().right, s.right);
        else
            out.push_back(s);
    }
    return out;
}

// 16.16 fixed point.
constexpr i64 kOne = 65536;
i64 FromDouble(double d) {
    return static_cast<i64>(d * 65536.);
}
i64 Multiply(i64 a, i64 b) {
    return (a * b) >> 16;
}

class ScanConverter {
  public:
    ScanConverter(const Rect& clip, bool winding)
        : clip_(clip),
          left_(i64(clip.left) * kOne),
          right_((i64(clip.right) + 1) * kOne),
          mask_(winding ? ~0 : 1) {}

    std::vector<Span> Fill(const Outline& outline) {
        if (outline.points.size() < 3 || outline.contourEnds.empty()) return {};
        i64 minY = outline.points[0].y, maxY = minY;
        for (const Fixed& p : outline.points) {
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        top_ = int(std::max(i64(clip_.top), (minY + 32) >> 6));
        bottom_ = int(std::min(i64(clip_.bottom), (maxY - 32) >> 6));
        if (top_ > bottom_) return {};
        int first = 0;
        for (int last : outline.contourEnds) {
            for (int j = first; j < last; ++j)
                MergeLine(outline.points[j], outline.points[j + 1]);
            first = last + 1;
        }
        return Scan();
    }

  private:
    struct Edge {
        i64 x, delta;
        int top, bottom, winding;
    };

    void MergeLine(Fixed a, Fixed b) {
        int winding = 1;
        if (a.y > b.y) {
            std::swap(a, b);
            winding = -1;
        }
        int iTop = int(std::max(i64(top_), (a.y + 32) >> 6));
        int iBottom = int(std::min(i64(bottom_), (b.y - 32) >> 6));
        if (iTop > iBottom) return;
        const i64 aFP = kOne / 2 + a.x * 1024;
        if (b.x == a.x) {
            edges_.push_back({std::clamp(aFP, left_, right_), 0, iTop, iBottom, winding});
            return;
        }
        const double slope = double(b.x - a.x) / double(b.y - a.y);
        const i64 slopeFP = FromDouble(slope);
        i64 xFP = aFP + Multiply(slopeFP, i64(iTop) * kOne + kOne / 2 - a.y * 1024);
        if (Clip(xFP, iTop, iBottom, slopeFP, left_, winding)) return;
        if (Clip(xFP, iTop, iBottom, slopeFP, right_, winding)) return;
        edges_.push_back({xFP, slopeFP, iTop, iBottom, winding});
    }

    // Replaces the part of an edge beyond a side of the clip by a vertical edge on that side;
    // true when nothing of the edge is left to add.
    bool Clip(i64& xFP, int& iTop, int& iBottom, i64 slopeFP, i64 edgeFP, int winding) {
        const bool right = edgeFP == right_;
        if (xFP == edgeFP) {
            if ((slopeFP > 0) ^ right) return false;
            edges_.push_back({edgeFP, 0, iTop, iBottom, winding});
            return true;
        }
        const i64 lastFP = xFP + slopeFP * (iBottom - iTop);
        if (lastFP == edgeFP) {
            if ((slopeFP < 0) ^ right) return false;
            edges_.push_back({edgeFP, 0, iTop, iBottom, winding});
            return true;
        }
        if ((lastFP < edgeFP) ^ (xFP < edgeFP)) {
            const i64 deltaY = static_cast<i64>(double(edgeFP - xFP) / (double(slopeFP) / 65536.));
            if ((xFP < edgeFP) ^ right) {
                // the top of the edge is outside
                const int iHeight = int((deltaY + 1) >> 16);
                const int iMiddle = iTop + iHeight;
                edges_.push_back({edgeFP, 0, iTop, iMiddle, winding});
                if (iMiddle == iBottom) return true;
                xFP += slopeFP * (iHeight + 1);
                iTop = iMiddle + 1;
            } else {
                // the bottom of the edge is outside
                const int iHeight = int(deltaY >> 16);
                const int iMiddle = iTop + iHeight;
                if (iMiddle != iBottom) {
                    edges_.push_back({edgeFP, 0, iMiddle + 1, iBottom, winding});
                    iBottom = iMiddle;
                }
            }
            return false;
        }
        if ((xFP < edgeFP) ^ right) {
            edges_.push_back({edgeFP, 0, iTop, iBottom, winding});
            return true;
        }
        return false;
    }

    std::vector<Span> Scan() {
        std::vector<Span> spans;
        if (edges_.empty()) return spans;
        std::sort(edges_.begin(), edges_.end(),
                  [](const Edge& a, const Edge& b) { return a.top < b.top; });
        std::vector<Edge*> active;
        size_t next = 0;
        for (int y = edges_[0].top; y <= bottom_; ++y) {
            for (; next < edges_.size() && edges_[next].top == y; ++next)
                active.push_back(&edges_[next]);
            if (active.empty()) {
                if (next == edges_.size()) break;
                y = edges_[next].top - 1;
                continue;
            }
            for (size_t i = 1; i < active.size(); ++i) {
                Edge* e = active[i];
                size_t j = i;
                for (; j > 0 && e->x < active[j - 1]->x; --j)
                    active[j] = active[j - 1];
                active[j] = e;
            }
            int x = 0, winding = 0;
            size_t kept = 0;
            for (Edge* e : active) {
                const int current = int(e->x >> 16);
                if ((winding & mask_) && current > x) spans.push_back({y, x, current - 1});
                x = current;
                winding += e->winding;
                if (e->bottom != y) {
                    e->x += e->delta;
                    active[kept++] = e;
                }
            }
            active.resize(kept);
        }
        return spans;
    }

    Rect clip_;
    i64 left_, right_;
    int mask_;
    int top_ = 0, bottom_ = 0;
    std::vector<Edge> edges_;
};

std::vector<Span> FillPath(const Path& path, bool winding, const Rect& clip) {
    return Normalize(ScanConverter(clip, winding).Fill(ToOutline(path)));
}

// ---------------------------------------------------------------------------------------------
// The one-pixel pen: each segment walked along its longer axis in 26.6 fixed point, with care at
// the joins so that corners neither lose nor repeat a pixel.

class CosmeticStroker {
  public:
    explicit CosmeticStroker(const Rect& clip)
        : clip_(clip),
          xmin_(clip.left - 1.0),
          xmax_(clip.right + 2.0),
          ymin_(clip.top - 1.0),
          ymax_(clip.bottom + 2.0) {}

    std::vector<Span> Pixels() { return Normalize(std::move(pixels_)); }

    // A single line, without its last point.
    void DrawLine(PointF p1, PointF p2) {
        lastPixel_ = kNoPixel;
        Stroke(p1.x, p1.y, p2.x, p2.y, 0);
    }

    // A polygon, closed.
    void DrawPolygon(const std::vector<PointF>& points) {
        PointF p = points[0];
        const PointF movedTo = p;
        lastPixel_ = kNoPixel;
        // The segment that comes back to the first point: the closing one, or the last one
        // when the polygon repeats its first point at the end.
        const size_t n = points.size();
        const PointF before = n > 2 && points[n - 1].x == p.x && points[n - 1].y == p.y
                                  ? points[n - 2]
                                  : points[n - 1];
        CalculateLastPoint(before.x, before.y, p.x, p.y);
        for (size_t i = 1; i < points.size(); ++i) {
            const PointF p2 = points[i];
            const bool moveNextStart = Stroke(p.x, p.y, p2.x, p2.y, 0);
            // Where a point was dropped, the next line starts from the last point drawn.
            if (moveNextStart || i == 1 || i == points.size() - 1) p = p2;
        }
        Stroke(p.x, p.y, movedTo.x, movedTo.y, 0);
    }

    // A path of one closed subpath of curves and lines.
    void DrawPath(const Path& path) {
        const std::vector<PointF>& pts = path.points;
        const size_t n = pts.size();
        lastPixel_ = kNoPixel;
        const bool closed = pts[0].x == pts[n - 1].x && pts[0].y == pts[n - 1].y;
        if (closed && n >= 2)
            CalculateLastPoint(pts[n - 2].x, pts[n - 2].y, pts[n - 1].x, pts[n - 1].y);
        PointF p = pts[0];
        for (size_t i = 1; i < n;) {
            if (path.kinds[i] == Kind::kCurve && i + 2 < n) {
                RenderCubic(p, pts[i], pts[i + 1], pts[i + 2]);
                p = pts[i + 2];
                i += 3;
            } else {
                Stroke(p.x, p.y, pts[i].x, pts[i].y, 0);
                p = pts[i];
                ++i;
            }
        }
    }

  private:
    struct Pixel {
        int x, y;
        bool operator==(const Pixel&) const = default;
    };
    static constexpr Pixel kNoPixel{INT_MIN, INT_MIN};
    enum Direction {
        kNoDirection = 0,
        kTopToBottom = 1,
        kBottomToTop = 2,
        kLeftToRight = 4,
        kRightToLeft = 8
    };
    static constexpr int kVerticalMask = 3, kHorizontalMask = 12;
    enum Caps { kCapBegin = 1, kCapEnd = 2 };

    static bool Known(const Pixel& p) { return p.x != INT_MIN; }

    void Plot(int x, int y) {
        if (x < clip_.left || x > clip_.right || y < clip_.top || y > clip_.bottom) return;
        pixels_.push_back({y, x, x});
    }

    static int To26Dot6(double v) { return static_cast<int>(v * 64.); }
    static i64 Divide16(i64 a, i64 b) { return (a * 65536) / b; }

    static int SwapCaps(int caps) { return ((caps & kCapBegin) << 1) | ((caps & kCapEnd) >> 1); }
    // Moves the ends of a line by half a pixel for caps.
    static void CapAdjust(int caps, int& from, int& to, i64& other, i64 increment) {
        if (caps & kCapBegin) {
            from -= 32;
            other -= increment >> 1;
        }
        if (caps & kCapEnd) to += 32;
    }

    // Cuts a line to the picture and a pixel round it; true when nothing is left.
    bool ClipLine(double& x1, double& y1, double& x2, double& y2) {
        if (x1 < xmin_) {
            if (x2 <= xmin_) return Clipped();
            y1 += (y2 - y1) / (x2 - x1) * (xmin_ - x1);
            x1 = xmin_;
        } else if (x1 > xmax_) {
            if (x2 >= xmax_) return Clipped();
            y1 += (y2 - y1) / (x2 - x1) * (xmax_ - x1);
            x1 = xmax_;
        }
        if (x2 < xmin_) {
            lastPixel_.x = INT_MIN;
            y2 += (y2 - y1) / (x2 - x1) * (xmin_ - x2);
            x2 = xmin_;
        } else if (x2 > xmax_) {
            lastPixel_.x = INT_MIN;
            y2 += (y2 - y1) / (x2 - x1) * (xmax_ - x2);
            x2 = xmax_;
        }
        if (y1 < ymin_) {
            if (y2 <= ymin_) return Clipped();
            x1 += (x2 - x1) / (y2 - y1) * (ymin_ - y1);
            y1 = ymin_;
        } else if (y1 > ymax_) {
            if (y2 >= ymax_) return Clipped();
            x1 += (x2 - x1) / (y2 - y1) * (ymax_ - y1);
            y1 = ymax_;
        }
        if (y2 < ymin_) {
            lastPixel_.x = INT_MIN;
            x2 += (x2 - x1) / (y2 - y1) * (ymin_ - y2);
            y2 = ymin_;
        } else if (y2 > ymax_) {
            lastPixel_.x = INT_MIN;
            x2 += (x2 - x1) / (y2 - y1) * (ymax_ - y2);
            y2 = ymax_;
        }
        return false;
    }
    bool Clipped() {
        lastPixel_.x = INT_MIN;
        return true;
    }

    // The direction and last pixel of a closed subpath's last segment, so that its first
    // segment joins it properly.
    void CalculateLastPoint(double rx1, double ry1, double rx2, double ry2) {
        lastPixel_ = kNoPixel;
        if (ClipLine(rx1, ry1, rx2, ry2)) return;
        int x1 = To26Dot6(rx1), y1 = To26Dot6(ry1), x2 = To26Dot6(rx2), y2 = To26Dot6(ry2);
        const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
        if (dx < dy) {
            const bool swapped = y1 > y2;
            if (swapped) {
                std::swap(y1, y2);
                std::swap(x1, x2);
            }
            const i64 xinc = Divide16(x2 - x1, y2 - y1);
            i64 x = i64(x1) * 1024;
            const int y = (y1 + 32) >> 6, ys = (y2 + 32) >> 6;
            const int round = xinc > 0 ? 32 : 0;
            if (y != ys) {
                x += ((y * 64 + round - y1) * xinc) >> 6;
                if (swapped) {
                    lastPixel_ = {int(x >> 16), y};
                    lastDir_ = kBottomToTop;
                } else {
                    lastPixel_ = {int((x + (ys - y - 1) * xinc) >> 16), ys - 1};
                    lastDir_ = kTopToBottom;
                }
                lastAxisAligned_ = std::abs(xinc) < (1 << 14);
            }
        } else {
            if (!dx) return;
            const bool swapped = x1 > x2;
            if (swapped) {
                std::swap(x1, x2);
                std::swap(y1, y2);
            }
            const i64 yinc = Divide16(y2 - y1, x2 - x1);
            i64 y = i64(y1) * 1024;
            const int x = (x1 + 32) >> 6, xs = (x2 + 32) >> 6;
            const int round = yinc > 0 ? 32 : 0;
            if (x != xs) {
                y += ((x * 64 + round - x1) * yinc) >> 6;
                if (swapped) {
                    lastPixel_ = {x, int(y >> 16)};
                    lastDir_ = kRightToLeft;
                } else {
                    lastPixel_ = {xs - 1, int((y + (xs - x - 1) * yinc) >> 16)};
                    lastDir_ = kLeftToRight;
                }
                lastAxisAligned_ = std::abs(yinc) < (1 << 14);
            }
        }
    }

    // One segment, walked along its major axis; returns false when it drew less than a pixel
    // (its end point is then dropped and the next segment starts where this one started).
    bool Stroke(double rx1, double ry1, double rx2, double ry2, int caps) {
        bool didDraw = std::abs(rx2 - rx1) + std::abs(ry2 - ry1) >= 1.0;
        if (ClipLine(rx1, ry1, rx2, ry2)) return true;
        int x1 = To26Dot6(rx1), y1 = To26Dot6(ry1), x2 = To26Dot6(rx2), y2 = To26Dot6(ry2);
        const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
        Pixel last = lastPixel_;
        if (dx < dy) {
            // mostly vertical
            Direction dir = kTopToBottom;
            bool swapped = false;
            if (y1 > y2) {
                swapped = true;
                std::swap(y1, y2);
                std::swap(x1, x2);
                caps = SwapCaps(caps);
                dir = kBottomToTop;
            }
            const i64 xinc = Divide16(x2 - x1, y2 - y1);
            i64 x = i64(x1) * 1024;
            if ((lastDir_ ^ kVerticalMask) == dir) caps |= swapped ? kCapEnd : kCapBegin;
            CapAdjust(caps, y1, y2, x, xinc);
            int y = (y1 + 32) >> 6, ys = (y2 + 32) >> 6;
            const int round = xinc > 0 ? 32 : 0;
            // Where the cap moved the start off the previous segment's last pixel, move it back.
            if ((caps & kCapBegin) && lastPixel_.y == y + 1) y++;
            if (y != ys) {
                x += ((y * 64 + round - y1) * xinc) >> 6;
                Pixel first{int(x >> 16), y};
                last = {int((x + (ys - y - 1) * xinc) >> 16), ys - 1};
                if (swapped) std::swap(first, last);
                const bool axisAligned = std::abs(xinc) < (1 << 14);
                if (Known(lastPixel_)) {
                    if (first == lastPixel_) {
                        // the corner pixel is already drawn
                        if (swapped) {
                            --ys;
                        } else {
                            ++y;
                            x += xinc;
                        }
                    } else if (lastDir_ != dir &&
                               (((axisAligned && lastAxisAligned_) && lastPixel_.x != first.x &&
                                 lastPixel_.y != first.y) ||
                                (std::abs(lastPixel_.x - first.x) > 1 ||
                                 std::abs(lastPixel_.y - first.y) > 1))) {
                        // a gap at the corner: one more pixel
                        if (swapped) {
                            ++ys;
                        } else {
                            --y;
                            x -= xinc;
                        }
                    } else if (lastDir_ == dir && std::abs(lastPixel_.x - first.x) <= 1 &&
                               std::abs(lastPixel_.y - first.y) > 1) {
                        // a jump along the same direction: half a step over
                        x += xinc >> 1;
                        last.x = int((swapped ? x : x + (ys - y - 1) * xinc) >> 16);
                    }
                }
                lastDir_ = dir;
                lastAxisAligned_ = axisAligned;
                do {
                    Plot(int(x >> 16), y);
                    x += xinc;
                } while (++y < ys);
                didDraw = true;
            }
        } else {
            // mostly horizontal
            if (!dx) return true;
            Direction dir = kLeftToRight;
            bool swapped = false;
            if (x1 > x2) {
                swapped = true;
                std::swap(x1, x2);
                std::swap(y1, y2);
                caps = SwapCaps(caps);
                dir = kRightToLeft;
            }
            const i64 yinc = Divide16(y2 - y1, x2 - x1);
            i64 y = i64(y1) * 1024;
            if ((lastDir_ ^ kHorizontalMask) == dir) caps |= swapped ? kCapEnd : kCapBegin;
            CapAdjust(caps, x1, x2, y, yinc);
            int x = (x1 + 32) >> 6, xs = (x2 + 32) >> 6;
            const int round = yinc > 0 ? 32 : 0;
            if ((caps & kCapBegin) && lastPixel_.x == x + 1) x++;
            if (x != xs) {
                y += ((x * 64 + round - x1) * yinc) >> 6;
                Pixel first{x, int(y >> 16)};
                last = {xs - 1, int((y + (xs - x - 1) * yinc) >> 16)};
                if (swapped) std::swap(first, last);
                const bool axisAligned = std::abs(yinc) < (1 << 14);
                if (Known(lastPixel_)) {
                    if (first == lastPixel_) {
                        if (swapped) {
                            --xs;
                        } else {
                            ++x;
                            y += yinc;
                        }
                    } else if (lastDir_ != dir &&
                               (((axisAligned && lastAxisAligned_) && lastPixel_.x != first.x &&
                                 lastPixel_.y != first.y) ||
                                (std::abs(lastPixel_.x - first.x) > 1 ||
                                 std::abs(lastPixel_.y - first.y) > 1))) {
                        if (swapped) {
                            ++xs;
                        } else {
                            --x;
                            y -= yinc;
                        }
                    } else if (lastDir_ == dir && std::abs(lastPixel_.x - first.x) <= 1 &&
                               std::abs(lastPixel_.y - first.y) > 1) {
                        y += yinc >> 1;
                        last.y = int((swapped ? y : y + (xs - x - 1) * yinc) >> 16);
                    }
                }
                lastDir_ = dir;
                lastAxisAligned_ = axisAligned;
                do {
                    Plot(x, int(y >> 16));
                    y += yinc;
                } while (++x < xs);
                didDraw = true;
            }
        }
        lastPixel_ = last;
        return didDraw;
    }

    // A cubic cut in halves (six times at most) until each part is nearly straight.
    void RenderCubic(PointF p1, PointF p2, PointF p3, PointF p4) {
        constexpr int kMaxSubdivisions = 6;
        std::array<PointF, 3 * kMaxSubdivisions + 4> points;
        points[3] = p1;
        points[2] = p2;
        points[1] = p3;
        points[0] = p4;
        Subdivide(points.data(), kMaxSubdivisions);
    }

    // `points` runs backwards: points[3] is the start, points[0] the end.
    void Subdivide(PointF* points, int level) {
        if (level) {
            const double dx = points[3].x - points[0].x, dy = points[3].y - points[0].y;
            const double len = 0.25 * (std::abs(dx) + std::abs(dy));
            if (std::abs(dx * (points[0].y - points[2].y) - dy * (points[0].x - points[2].x)) >=
                    len ||
                std::abs(dx * (points[0].y - points[1].y) - dy * (points[0].x - points[1].x)) >=
                    len) {
                SplitBackwards(points);
                --level;
                Subdivide(points + 3, level);
                Subdivide(points, level);
                return;
            }
        }
        Stroke(points[3].x, points[3].y, points[0].x, points[0].y, 0);
    }

    static void SplitBackwards(PointF* points) {
        const double half = .5;
        double a, b, c, d;
        points[6].x = points[3].x;
        c = points[1].x;
        d = points[2].x;
        points[1].x = a = (points[0].x + c) * half;
        points[5].x = b = (points[3].x + d) * half;
        c = (c + d) * half;
        points[2].x = a = (a + c) * half;
        points[4].x = b = (b + c) * half;
        points[3].x = (a + b) * half;

        points[6].y = points[3].y;
        c = points[1].y;
        d = points[2].y;
        points[1].y = a = (points[0].y + c) * half;
        points[5].y = b = (points[3].y + d) * half;
        c = (c + d) * half;
        points[2].y = a = (a + c) * half;
        points[4].y = b = (b + c) * half;
        points[3].y = (a + b) * half;
    }

    Rect clip_;
    double xmin_, xmax_, ymin_, ymax_;
    std::vector<Span> pixels_;
    Pixel lastPixel_ = kNoPixel;
    int lastDir_ = kNoDirection;
    bool lastAxisAligned_ = false;
};

// ---------------------------------------------------------------------------------------------
// The midpoint ellipse of a one-pixel pen: rows from the middle outwards, each pair of rows
// painted brush first, then pen.

struct RowPaint {
    int y, left, right;
    bool pen;
};

void EllipseRows(int x, int y, int length, const Rect& rect, const Rect& clip,
                 std::vector<RowPaint>& strokes) {
    if (length == 0) return;
    const int width = rect.right - rect.left + 1, height = rect.bottom - rect.top + 1;
    const int midx = rect.left + (width + 1) / 2;
    const int midy = rect.top + (height + 1) / 2;
    x = x + midx;
    y = midy - y;
    // outline spans: top left, top right, bottom left, bottom right
    const int leftX = midx + (midx - x) - (length - 1) - (width & 1);
    const int leftLen = std::min(length, x - leftX);
    const int bottomY = midy + (midy - y) - (height & 1);
    const bool top = y >= clip.top && y <= clip.bottom;
    const bool bottom = y < bottomY && bottomY >= clip.top && bottomY <= clip.bottom;
    if (leftX + leftLen < x) {
        const int fillX = leftX + leftLen - 1;
        const int fillLen = std::max(0, x - fillX);
        if (top) strokes.push_back({y, fillX, fillX + fillLen - 1, false});
        if (bottom) strokes.push_back({bottomY, fillX, fillX + fillLen - 1, false});
    }
    if (top) {
        strokes.push_back({y, leftX, leftX + leftLen - 1, true});
        strokes.push_back({y, x, x + length - 1, true});
    }
    if (bottom) {
        strokes.push_back({bottomY, leftX, leftX + leftLen - 1, true});
        strokes.push_back({bottomY, x, x + length - 1, true});
    }
}

Shape MidpointEllipse(const Rect& rect, const Rect& clip) {
    std::vector<RowPaint> strokes;
    const int width = rect.right - rect.left + 1, height = rect.bottom - rect.top + 1;
    const i64 rows = std::min<i64>(height, i64(clip.bottom) - clip.top + 1) + 2;
    strokes.reserve(size_t(std::clamp<i64>(rows, 0, 1 << 20)) * 3);
    const double a = double(width) / 2, b = double(height) / 2;
    double d = b * b - (a * a * b) + 0.25 * a * a;
    int x = 0, y = (height + 1) / 2, startx = 0;
    // region 1: the flatter part, one row at a time
    while (a * a * (2 * y - 1) > 2 * b * b * (x + 1)) {
        if (d < 0) {
            d += b * b * (2 * x + 3);
            ++x;
        } else {
            d += b * b * (2 * x + 3) + a * a * (-2 * y + 2);
            EllipseRows(startx, y, x - startx + 1, rect, clip, strokes);
            startx = ++x;
            --y;
        }
    }
    EllipseRows(startx, y, x - startx + 1, rect, clip, strokes);
    // region 2: the steeper part
    // (y - 1)² in 32 bits, as the painter computes it (it wraps beyond 46341 rows)
    const auto square32 = [](int v) {
        return static_cast<int>(static_cast<std::uint32_t>(v) * static_cast<std::uint32_t>(v));
    };
    d = b * b * (x + 0.5) * (x + 0.5) + a * a * (square32(y - 1) - b * b);
    const int miny = height & 1;
    while (y > miny) {
        if (d < 0) {
            d += b * b * (2 * x + 2) + a * a * (-2 * y + 3);
            ++x;
        } else {
            d += a * a * (-2 * y + 3);
        }
        --y;
        EllipseRows(x, y, 1, rect, clip, strokes);
    }

    // Cut to the clip, then keep, for each pixel, what was painted last: rows in order, the
    // paints of each row in the order they came.
    int minY = INT_MAX, maxY = INT_MIN;
    for (RowPaint& s : strokes) {
        s.left = std::max(s.left, clip.left);
        s.right = std::min(s.right, clip.right);
        if (s.right < s.left) continue;
        minY = std::min(minY, s.y);
        maxY = std::max(maxY, s.y);
    }
    Shape shape;
    if (minY > maxY) return shape;
    std::vector<int> rowStart(size_t(maxY - minY) + 2, 0);
    for (const RowPaint& s : strokes)
        if (s.right >= s.left) ++rowStart[size_t(s.y - minY) + 1];
    for (size_t i = 1; i < rowStart.size(); ++i)
        rowStart[i] += rowStart[i - 1];
    std::vector<RowPaint> byRow(size_t(rowStart.back()));
    std::vector<int> next(rowStart.begin(), rowStart.end() - 1);
    for (const RowPaint& s : strokes)
        if (s.right >= s.left) byRow[size_t(next[size_t(s.y - minY)]++)] = s;
    const auto append = [](std::vector<Span>& out, Span span) {
        if (!out.empty() && out.back().y == span.y && out.back().right + 1 >= span.left)
            out.back().right = std::max(out.back().right, span.right);
        else
            out.push_back(span);
    };
    std::vector<int> cuts;
    for (size_t row = 0; row + 1 < rowStart.size(); ++row) {
        const int begin = rowStart[row], end = rowStart[row + 1];
        const int rowY = minY + int(row);
        cuts.clear();
        for (int i = begin; i < end; ++i) {
            cuts.push_back(byRow[size_t(i)].left);
            cuts.push_back(byRow[size_t(i)].right + 1);
        }
        for (size_t i = 1; i < cuts.size(); ++i)  // a handful: insertion sort
            for (size_t j = i; j > 0 && cuts[j] < cuts[j - 1]; --j)
                std::swap(cuts[j], cuts[j - 1]);
        for (size_t c = 0; c + 1 < cuts.size(); ++c) {
            const int from = cuts[c], to = cuts[c + 1] - 1;
            if (to < from) continue;
            int lastPainted = -1;  // 0: brush, 1: pen
            bool penBefore = false;
            for (int i = begin; i < end; ++i) {
                const RowPaint& s = byRow[size_t(i)];
                if (s.left > from || s.right < to) continue;
                if (!s.pen && lastPainted == 1) penBefore = true;
                if (!s.pen) append(shape.fill, {rowY, from, to});
                lastPainted = s.pen ? 1 : 0;
            }
            if (lastPainted == 1) append(shape.outline, {rowY, from, to});
            if (lastPainted == 0 && penBefore) append(shape.underFill, {rowY, from, to});
        }
    }
    return shape;
}

// ---------------------------------------------------------------------------------------------

bool InRange(int v) {
    return v >= -kCoordinateLimit && v <= kCoordinateLimit;
}

// The clip for shapes on an unbounded plane: the shape's bounds, with room for the pen.
Rect ClipFor(const std::optional<Rect>& clip, int left, int top, int right, int bottom, int pen) {
    if (clip) return *clip;
    const int margin = 4 * pen + 8;
    return {left - margin, top - margin, right + margin, bottom + margin};
}

bool Empty(const Rect& r) {
    return r.right < r.left || r.bottom < r.top;
}

}  // namespace

std::vector<Span> WideLine(Point from, Point to, int width, const std::optional<Rect>& clip) {
    if (!InRange(from.x) || !InRange(from.y) || !InRange(to.x) || !InRange(to.y) ||
        width > kPenLimit)
        return {};
    width = std::max(1, width);
    const Rect area = ClipFor(clip, std::min(from.x, to.x), std::min(from.y, to.y),
                              std::max(from.x, to.x), std::max(from.y, to.y), width);
    if (Empty(area)) return {};
    const PointF a{double(from.x), double(from.y)}, b{double(to.x), double(to.y)};
    if (width == 1) {
        if (from.x == to.x && from.y == to.y) {
            if (from.x < area.left || from.x > area.right || from.y < area.top ||
                from.y > area.bottom)
                return {};
            return {{from.y, from.x, from.x}};
        }
        CosmeticStroker stroker(area);
        stroker.DrawLine(a, b);
        return stroker.Pixels();
    }
    Path line;
    line.MoveTo(a);
    line.LineTo(b);
    return FillPath(Stroker(width, Join::kRound).Stroke(line, false), true, area);
}

Shape Ellipse(int left, int top, int right, int bottom, int penWidth,
              const std::optional<Rect>& clip) {
    if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom) ||
        penWidth > kPenLimit)
        return {};
    const int pen = std::max(1, penWidth);
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    // The painter's rectangle, from (left, top) to (right - 1, bottom - 1), turned the right way
    // round when it is one pixel narrow.
    RectF r{double(left), double(top), double(right - 1 - left), double(bottom - 1 - top)};
    if (r.w < 0) {
        r.x += r.w;
        r.w = -r.w;
    }
    if (r.h < 0) {
        r.y += r.h;
        r.h = -r.h;
    }
    const Rect area = ClipFor(clip, left - 1, top - 1, right, bottom, pen);
    if (Empty(area)) return {};
    if (pen == 1 && r.w > 0 && r.h > 0) {
        const Rect rect{int(r.x), int(r.y), int(r.x) + int(r.w) - 1, int(r.y) + int(r.h) - 1};
        // Flat ellipses reach out of their rectangle: on a plane, nothing is cut.
        return MidpointEllipse(
            rect, clip ? *clip : Rect{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2});
    }
    Path path;
    std::vector<PointF> curves;
    path.MoveTo(ArcCurves(r, 0, -360, curves));
    if (curves.empty()) return {};
    for (size_t i = 0; i + 2 < curves.size(); i += 3)
        path.CubicTo(curves[i], curves[i + 1], curves[i + 2]);
    Shape shape;
    shape.fill = FillPath(path, false, area);
    if (pen == 1) {
        CosmeticStroker stroker(area);
        stroker.DrawPath(path);
        shape.outline = stroker.Pixels();
    } else {
        shape.outline = FillPath(Stroker(pen, Join::kRound).Stroke(path, false), true, area);
    }
    return shape;
}

Shape Polygon(const std::vector<Point>& points, int penWidth, const std::optional<Rect>& clip) {
    if (points.size() < 2 || penWidth > kPenLimit) return {};
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const Point& p : points) {
        if (!InRange(p.x) || !InRange(p.y)) return {};
        left = std::min(left, p.x);
        top = std::min(top, p.y);
        right = std::max(right, p.x);
        bottom = std::max(bottom, p.y);
    }
    const int pen = std::max(1, penWidth);
    const Rect area = ClipFor(clip, left, top, right, bottom, pen);
    if (Empty(area)) return {};
    std::vector<PointF> corners;
    for (const Point& p : points)
        corners.push_back({double(p.x), double(p.y)});
    // A one-pixel pen outlines a rectangle given corner by corner as a rectangle: from its
    // top-left corner, clockwise, and without a closing point.
    const auto& q = points;
    const bool rectangle =
        (q.size() == 4 || (q.size() == 5 && q[0].x == q[4].x && q[0].y == q[4].y)) &&
        q[0].x == q[3].x && q[1].x == q[2].x && q[0].y == q[1].y && q[2].y == q[3].y &&
        q[0].x < q[2].x && q[0].y < q[2].y;
    if (pen == 1 && rectangle) corners.resize(4);

    Shape shape;
    Path path;
    path.MoveTo(corners[0]);
    for (size_t i = 1; i < corners.size(); ++i)
        path.LineTo(corners[i]);
    shape.fill = FillPath(path, false, area);
    if (pen == 1) {
        CosmeticStroker stroker(area);
        stroker.DrawPolygon(corners);
        shape.outline = stroker.Pixels();
    } else {
        shape.outline = FillPath(Stroker(pen, Join::kMiter).Stroke(path, true), true, area);
    }
    return shape;
}

}  // namespace raster

// The shapes from our rasteriser, each worked out once (bounded caches, started again when full):
// the scenes draw the same discs, spokes and trace segments tick after tick.
#include <map>
#include <tuple>

#include "canvas/raster.h"
#include "canvas/shapes.h"

namespace {

PixelRuns ToRuns(const std::vector<raster::Span>& spans) {
    PixelRuns runs;
    runs.spans.reserve(spans.size());
    for (const raster::Span& s : spans) {
        runs.spans.push_back({s.y, s.left, s.right});
        runs.bounds |= Rect::FromCorners({s.left, s.y}, {s.right, s.y});
    }
    return runs;
}

ShapeRuns ToRuns(const raster::Shape& shape) {
    return {ToRuns(shape.underFill), ToRuns(shape.fill), ToRuns(shape.outline)};
}

raster::Rect Clip(Rect picture) {
    return {picture.left(), picture.top(), picture.right(), picture.bottom()};
}

template <typename Key, typename Value, typename Make>
const Value& Cached(std::map<Key, Value>& cache, const Key& key, std::size_t limit, Make make) {
    if (auto found = cache.find(key); found != cache.end()) return found->second;
    if (cache.size() >= limit) cache.clear();
    return cache.emplace(key, make()).first->second;
}

}  // namespace

const PixelRuns& WideLineRuns(int dx, int dy, int width) {
    // A wide line cut by the picture's edge has the pixels of the whole line that are inside it:
    // its runs from the origin hold wherever it is put.
    static std::map<std::tuple<int, int, int>, PixelRuns> lines;
    return Cached(lines, std::tuple(dx, dy, width), 4096, [&] {
        return ToRuns(raster::WideLine({0, 0}, {dx, dy}, width));
    });
}

const ShapeRuns& EllipseRuns(int left, int top, int right, int bottom, int penWidth, Rect picture) {
    static std::map<std::tuple<int, int, int, int, int, int, int>, ShapeRuns> ellipses;
    return Cached(
        ellipses, std::tuple(left, top, right, bottom, penWidth, picture.width(), picture.height()),
        256,
        [&] { return ToRuns(raster::Ellipse(left, top, right, bottom, penWidth, Clip(picture))); });
}

ShapeRuns RectangleRuns(int left, int top, int right, int bottom, int penWidth, Rect picture) {
    // The rectangle's outline as a polygon through its corners (its last column and row are
    // right - 1 and bottom - 1).
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    return PolygonRuns({{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}},
                       penWidth, picture);
}

ShapeRuns PolygonRuns(const std::vector<Point>& points, int penWidth, Rect picture) {
    std::vector<raster::Point> corners;
    corners.reserve(points.size());
    for (const Point& p : points)
        corners.push_back({p.x, p.y});
    return ToRuns(raster::Polygon(corners, penWidth, Clip(picture)));
}

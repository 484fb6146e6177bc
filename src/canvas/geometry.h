// Points and rectangles in pixel coordinates. A rectangle is its top-left corner and its size;
// right() and bottom() are its last column and row (inclusive), and a rectangle of no width or no
// height is empty. Only what the canvas and its shells use.
#pragma once

#include <algorithm>

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
    Point operator+(Point o) const { return {x + o.x, y + o.y}; }
    Point operator-(Point o) const { return {x - o.x, y - o.y}; }
};

class Rect {
  public:
    constexpr Rect() = default;
    constexpr Rect(int x, int y, int width, int height) : x_(x), y_(y), w_(width), h_(height) {}
    // From its first and last column and row (both included).
    static constexpr Rect FromCorners(Point topLeft, Point bottomRight) {
        return Rect(topLeft.x, topLeft.y, bottomRight.x - topLeft.x + 1,
                    bottomRight.y - topLeft.y + 1);
    }

    constexpr int x() const { return x_; }
    constexpr int y() const { return y_; }
    constexpr int left() const { return x_; }
    constexpr int top() const { return y_; }
    constexpr int right() const { return x_ + w_ - 1; }
    constexpr int bottom() const { return y_ + h_ - 1; }
    constexpr int width() const { return w_; }
    constexpr int height() const { return h_; }
    constexpr Point topLeft() const { return {x_, y_}; }
    constexpr bool isEmpty() const { return w_ <= 0 || h_ <= 0; }
    constexpr bool contains(Point p) const {
        return p.x >= x_ && p.y >= y_ && p.x <= right() && p.y <= bottom();
    }
    constexpr bool contains(const Rect& r) const {
        return !r.isEmpty() && !isEmpty() && r.x_ >= x_ && r.y_ >= y_ && r.right() <= right() &&
               r.bottom() <= bottom();
    }
    constexpr bool intersects(const Rect& r) const { return !(*this & r).isEmpty(); }

    constexpr Rect translated(int dx, int dy) const { return Rect(x_ + dx, y_ + dy, w_, h_); }
    constexpr Rect translated(Point d) const { return translated(d.x, d.y); }
    // Moves the sides: left and top by dx1, dy1, right and bottom by dx2, dy2.
    constexpr Rect adjusted(int dx1, int dy1, int dx2, int dy2) const {
        return Rect(x_ + dx1, y_ + dy1, w_ - dx1 + dx2, h_ - dy1 + dy2);
    }

    // The common part (empty if none).
    constexpr Rect operator&(const Rect& r) const {
        if (isEmpty() || r.isEmpty()) return Rect();
        const int l = std::max(x_, r.x_), t = std::max(y_, r.y_);
        const int rt = std::min(right(), r.right()), b = std::min(bottom(), r.bottom());
        if (rt < l || b < t) return Rect();
        return FromCorners({l, t}, {rt, b});
    }
    // The smallest rectangle holding both (an empty one adds nothing).
    constexpr Rect operator|(const Rect& r) const {
        if (isEmpty()) return r;
        if (r.isEmpty()) return *this;
        return FromCorners({std::min(x_, r.x_), std::min(y_, r.y_)},
                           {std::max(right(), r.right()), std::max(bottom(), r.bottom())});
    }
    Rect& operator&=(const Rect& r) { return *this = *this & r; }
    Rect& operator|=(const Rect& r) { return *this = *this | r; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;

  private:
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
};

// A small drawing layer with the vocabulary the scenes are written in: bitmaps, canvases with a
// persistent pen, brush, font and copy mode, MoveTo/LineTo, Rectangle, Ellipse, Polygon, TextOut
// and Draw, over pictures of our own (picture.h).
//
// Pixel rules:
//  - a width-1 LineTo leaves out its end point; wider pens have round ends;
//  - Rectangle(l, t, r, b) and Ellipse(l, t, r, b) cover columns l..r-1 and rows t..b-1 with a
//    width-1 pen; a pen of width w straddles the outline, w/2 pixels outside it;
//  - Draw copies a bitmap with the canvas's CopyMode (source copy, AND, OR);
//  - new bitmaps are white;
//  - text is drawn 1-bit, from the glyph set, with the top-left of its cell at (x, y); once a
//    solid brush has been set, the next shape, line, text or Handle() makes the text background
//    opaque in its colour, until SetBkMode(..., TRANSPARENT); a hatched brush leaves it
//    unpainted. A copy (Draw) leaves the brush as it is, as the platform's bit-block copy does.
//
// Speed (every frame redraws about a megabyte of pixels, 50 times a second at most), each part
// in its own file:
//  - pixel_kernels: rectangles, copies, thin lines, and the runs of pixels of text and shapes,
//    written straight into the pictures;
//  - shapes: text, wide lines, ellipses and polygons worked out once, kept as runs of pixels;
//  - fill_memory: areas filled with one colour are remembered until drawn on, and filling them
//    again with that colour is skipped; the part reported as drawn on holds every changed pixel;
//  - picture: a picture copied by Assign shares its source's pixels until drawn on.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "canvas/colors.h"
#include "canvas/geometry.h"
#include "canvas/picture.h"

class TBitmap;
struct FontFace;

using TPoint = Point;

enum TBrushStyle { bsSolid, bsClear, bsCross };
enum TCopyMode { cmSrcCopy, cmSrcAnd, cmSrcPaint };

// Text background modes, as the platform call SetBkMode takes them.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
};

// The brush remembers that it was set: the next drawing call makes the text background follow
// it (opaque in its colour when solid, transparent when hatched or clear).
class TBrush {
  public:
    // A property whose every assignment is counted.
    template <typename T>
    class Setting {
      public:
        explicit Setting(T value) : value_(value) {}
        Setting& operator=(T v) {
            value_ = v;
            ++sets_;
            return *this;
        }
        operator T() const { return value_; }
        unsigned Sets() const { return sets_; }

      private:
        T value_;
        unsigned sets_ = 0;
    };

    Setting<TColor> Color{clWhite};
    Setting<TBrushStyle> Style{bsSolid};

    // Changes whenever the brush is set.
    unsigned Generation() const { return 1 + Color.Sets() + Style.Sets(); }
};

struct TFont {
    std::string Name = "MS Sans Serif";
    int Size = 8;  // points, at 96 pixels per inch
    TColor Color = clWindowText;
    bool Bold = false;
};

// Pixel height of a font of the given point size at 96 dpi, rounded as the platform does.
int PointsToPixels(int points);

// What a canvas tells whoever keeps a copy of its picture (a view at a zoom): what it drew, and
// where text went, so that text can be drawn again at another size.
class CanvasListener {
  public:
    struct Text {
        std::string_view text;
        const TFont& font;
        Rect cell;                     // its cell in the picture
        std::optional<TColor> ground;  // the opaque background, if any
        Rect ink;                      // the pixels its glyphs cover
    };
    virtual ~CanvasListener() = default;
    virtual void Drawn(const Picture& picture, const Rect& area) = 0;
    // The picture changed behind the canvas (replaced, resized, shared): look at it again.
    virtual void Replaced() = 0;
    // About to draw text (`picture` as it is under it), then the text drawn.
    virtual void BeforeText(const Picture& picture) = 0;
    virtual void TextDrawn(const Picture& picture, const Text& text) = 0;
};

class TCanvas {
  public:
    explicit TCanvas(Picture* image);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TCopyMode CopyMode = cmSrcCopy;

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int left, int top, int right, int bottom);
    void Ellipse(int left, int top, int right, int bottom);
    void Polygon(std::initializer_list<TPoint> points);
    void TextOut(int x, int y, std::string_view text);
    void Draw(int x, int y, const TBitmap* bitmap);
    int TextWidth(std::string_view text);
    int TextHeight(std::string_view text);

    // The device handle of the canvas, for SetBkMode. Taking it brings the brush up to date.
    TCanvas* Handle();

    Point PenPos() const { return pos_; }

    // Back to the defaults of a fresh canvas: black pen of width 1, solid white brush,
    // "MS Sans Serif" 8 pt, source copy, opaque text background.
    void Reset();

    // Takes the pen, brush, font, copy mode, pen position and text background of another canvas,
    // and what it knows of its picture (that picture having been copied with them).
    void CopyStateFrom(const TCanvas& other);

    const Picture* Image() const { return image_; }

    // The part of the picture drawn on since the last call (for repainting only what changed).
    Rect TakeDirtyRect();
    // The picture changed behind the canvas (`area` of it, or all of it).
    void PictureChanging(const Rect& area);

    void SetListener(CanvasListener* listener) { listener_ = listener; }
    CanvasListener* Listener() const { return listener_; }

  private:
    friend void SetBkMode(TCanvas* handle, int mode);
    void RealizeBrush();
    bool RectangleDirect(int left, int top, int right, int bottom);
    const FontFace& CurrentFace();
    // Paints a shape's runs with the brush, then the pen.
    void PaintShape(const struct ShapeRuns& shape);
    // Makes the picture writable for a call that paints every pixel of `covered`; a picture
    // still shared with its source gets its own pixels without copying that area.
    void DetachFor(const Rect& covered);
    void MarkDirty(const Rect& changed);
    // Fills an area with a colour, skipping what is known to have it already.
    void Fill(Rect area, Pixel rgb);
    // Forgets what the canvas knows of its picture's pixels.
    void ForgetPicture();

    Picture* image_;
    Rect dirty_;
    Point pos_{0, 0};
    int bkMode_ = OPAQUE;
    TColor bkColor_ = clWhite;
    unsigned realizedBrush_ = 0;      // a fresh brush is yet to be seen
    const FontFace* face_ = nullptr;  // for the current Font

    // Areas filled with one colour and not drawn on since, most recent last.
    struct Uniform {
        Rect area;
        Pixel colour;
    };
    std::vector<Uniform> uniform_;

    CanvasListener* listener_ = nullptr;
    bool drawingText_ = false;  // the listener hears of text as text
};

using HDC = TCanvas*;

void SetBkMode(HDC handle, int mode);

// An off-screen picture with its canvas. New bitmaps (and the area a resize adds) are white. A
// copy shares the picture until either is drawn on, and has the canvas's state.
class TBitmap {
  public:
    TBitmap();
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int w) { SetSize(w, height_); }
    void SetHeight(int h) { SetSize(width_, h); }
    void SetSize(int w, int h);

    TCanvas* Canvas() { return &canvas_; }
    const TCanvas* Canvas() const { return &canvas_; }

    // Takes over the picture of another bitmap; the canvas goes back to its defaults.
    void Assign(const TBitmap& source);

    const Picture& Image() const { return image_; }
    // The picture, to be changed behind the canvas.
    Picture& WritableImage();
    // Gives the picture pixels of its own, if it shares them with a copy: the next drawing then
    // costs what it costs on a picture drawn on before.
    void Detach() { image_.detach(); }

  private:
    int width_ = 0;
    int height_ = 0;
    Picture image_;  // null while either side is 0
    TCanvas canvas_;
};

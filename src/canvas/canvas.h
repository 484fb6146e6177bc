// A small drawing layer over QImage/QPainter with the vocabulary the scenes are written in:
// bitmaps, canvases with a persistent pen, brush, font and copy mode, MoveTo/LineTo, Rectangle,
// Ellipse, Polygon, TextOut and Draw.
//
// Pixel rules:
//  - a width-1 LineTo leaves out its end point; wider pens have round ends;
//  - Rectangle(l, t, r, b) and Ellipse(l, t, r, b) cover columns l..r-1 and rows t..b-1 with a
//    width-1 pen; a pen of width w straddles the outline, w/2 pixels outside it;
//  - Draw copies a bitmap with the canvas's CopyMode (source copy, AND, OR);
//  - new bitmaps are white;
//  - text is drawn without antialiasing with the top-left of its cell at (x, y); once a solid
//    brush has been set, the next shape, line, text or Handle() makes the text background opaque
//    in its colour, until SetBkMode(..., TRANSPARENT); a hatched brush leaves it unpainted. A
//    copy (Draw) leaves the brush as it is, as the platform's bit-block copy does.
//
// Speed (every frame redraws about a megabyte of pixels, 50 times a second at most), each part
// in its own file:
//  - pixel_kernels: rectangles, copies, thin lines, and the runs of pixels of text and wide
//    lines, written straight into 32-bit pictures;
//  - traced_runs: text and wide lines rasterised once by the painter, kept as runs of pixels;
//  - fill_memory: areas filled with one colour are remembered until drawn on, and filling them
//    again with that colour is skipped; the part reported as drawn on holds every changed pixel;
//  - bitmap: a picture copied by Assign shares its source's pixels until drawn on;
//  - fonts: each face and size set up once;
//  - canvas: the drawing calls; the other shapes share one painter kept from call to call.
// Pixels of 32-bit pictures are opaque (0xffRRGGBB), as Qt keeps them.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <initializer_list>
#include <memory>
#include <vector>

#include "canvas/colors.h"

class QPainter;
class TBitmap;
class ZoomTwin;
struct TextRun;
struct LineStamp;

struct TPoint {
    int x;
    int y;
};

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
    class ColorValue {
      public:
        ColorValue& operator=(TColor c) {
            value_ = c;
            ++owner_->generation_;
            return *this;
        }
        operator TColor() const { return value_; }

      private:
        friend class TBrush;
        explicit ColorValue(TBrush* owner) : owner_(owner) {}
        TBrush* owner_;
        TColor value_ = clWhite;
    };
    class StyleValue {
      public:
        StyleValue& operator=(TBrushStyle s) {
            value_ = s;
            ++owner_->generation_;
            return *this;
        }
        operator TBrushStyle() const { return value_; }

      private:
        friend class TBrush;
        explicit StyleValue(TBrush* owner) : owner_(owner) {}
        TBrush* owner_;
        TBrushStyle value_ = bsSolid;
    };

    TBrush() : Color(this), Style(this) {}
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;

    ColorValue Color;
    StyleValue Style;

    unsigned Generation() const { return generation_; }

  private:
    unsigned generation_ = 1;
};

struct TFont {
    QString Name = QStringLiteral("MS Sans Serif");
    int Size = 8;  // points, at 96 pixels per inch
    TColor Color = clWindowText;
    bool Bold = false;
};

// Pixel height of a font of the given point size at 96 dpi, rounded as the platform does.
int PointsToPixels(int points);

// Builds the Qt font that stands in for a face name ("Arial", "MS Sans Serif", "Symbol", ...).
QFont MakeFont(const QString& name, int pixelSize, bool bold);

class TCanvas {
  public:
    explicit TCanvas(QImage* image);
    ~TCanvas();
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
    void TextOut(int x, int y, const QString& text);
    void Draw(int x, int y, const TBitmap* bitmap);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);

    // The device handle of the canvas, for SetBkMode. Taking it brings the brush up to date.
    TCanvas* Handle();

    QPoint PenPos() const { return pos_; }

    // Back to the defaults of a fresh canvas: black pen of width 1, solid white brush,
    // "MS Sans Serif" 8 pt, source copy, opaque text background.
    void Reset();

    // What a canvas keeps from one call to the next (pen, brush, font, copy mode, pen position,
    // text background), as a value to put back later.
    struct State {
        TPen pen;
        TColor brushColor = clWhite;
        TBrushStyle brushStyle = bsSolid;
        bool brushPending = false;  // set, and not yet seen by a drawing call
        TFont font;
        TCopyMode copyMode = cmSrcCopy;
        QPoint pos;
        int bkMode = OPAQUE;
        TColor bkColor = clWhite;
    };
    State SaveState() const;
    void RestoreState(const State& state);

    QImage* Image() const { return image_; }
    void SetImage(QImage* image);

    // The part of the image drawn on since the last call (for repainting only what changed).
    QRect TakeDirtyRect();

    // Ends the painter that the last drawing calls shared (see Painter()).
    void EndPaint();

    // Keeps a copy of the picture at a zoom for the screen (none at 1, see zoom_twin.h), and
    // gives it up to date.
    void SetZoom(double zoom);
    ZoomTwin* Twin();

  private:
    friend void SetBkMode(TCanvas* handle, int mode);
    void RealizeBrush();
    bool RectangleDirect(int left, int top, int right, int bottom);
    const QFont& CurrentFont();
    int CurrentAscent();
    const TextRun& Run(const QString& text);
    const LineStamp* WideLineStamp(QPoint to) const;

    // The painter for the calls that need one, kept from one call to the next: setting one up
    // costs more than most of the scenes' drawing calls. It is ended when the picture is
    // replaced, resized, handed out for writing or shared by Assign, and when the canvas goes.
    QPainter& Painter();
    // Makes the picture writable for a call that paints every pixel of `covered`; a picture
    // still shared with its source gets its own buffer without copying that area.
    void DetachFor(const QRect& covered);

    void MarkDirty(const QRect& changed);
    // The picture is about to change behind the canvas (given out for writing, resized, replaced).
    void PictureChanging(const QRect& area);
    // Fills an area with a colour, skipping what is known to have it already.
    void Fill(QRect area, QRgb rgb);
    // Forgets what the canvas knows of its picture's pixels (the picture changed behind it).
    void ForgetPicture();
    friend class TBitmap;

    QImage* image_;
    QRect dirty_;
    QPoint pos_{0, 0};
    int bkMode_ = OPAQUE;
    TColor bkColor_ = clWhite;
    unsigned realizedBrush_ = 0;

    // Cache of the Qt font for the current TFont.
    QString fontName_;
    int fontPixels_ = -1;
    bool fontBold_ = false;
    QFont font_;
    int fontAscent_ = 0;
    int fontHeight_ = 0;
    QString fontKey_;
    unsigned fontSerial_ = 0;

    // Areas filled with one colour and not drawn on since, most recent last.
    struct Uniform {
        QRect area;
        QRgb colour;
    };
    std::vector<Uniform> uniform_;

    std::unique_ptr<QPainter> painter_;
    const uchar* painterBits_ = nullptr;
    unsigned painterFont_ = 0;  // the font serial the painter was given

    std::unique_ptr<ZoomTwin> twin_;
    bool twinStale_ = false;    // the picture changed behind the canvas
    bool drawingText_ = false;  // the twin draws text itself
};

using HDC = TCanvas*;

void SetBkMode(HDC handle, int mode);

// An off-screen picture with its canvas. New bitmaps (and the area a resize adds) are white.
class TBitmap {
  public:
    TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int w) { SetSize(w, height_); }
    void SetHeight(int h) { SetSize(width_, h); }
    void SetSize(int w, int h);

    TCanvas* Canvas() { return canvas_.get(); }

    // Takes over the picture of another bitmap; the canvas goes back to its defaults.
    void Assign(const TBitmap& source);

    const QImage& Image() const { return image_; }
    QImage& Image();

  private:
    int width_ = 0;
    int height_ = 0;
    QImage image_;  // null while either side is 0
    std::unique_ptr<TCanvas> canvas_;
};

// What the desktop shell needs to show the core's values with Qt: pictures as images, colours,
// the fonts that stand in for the face names the window uses, and the commentary pages as Qt
// rich text.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include "canvas/colors.h"
#include "canvas/picture.h"

class QTextDocument;
namespace richtext {
struct Document;
}

// The picture as an image that shares its pixels: valid while the picture lives unchanged.
QImage ImageView(const Picture& picture);
// A copy of an image as a picture.
Picture ToPicture(const QImage& image);

inline QColor ToQColor(TColor c) {
    return QColor::fromRgb(static_cast<QRgb>(Opaque(c)));
}

// The Qt font that stands in for a face name ("Arial", "MS Sans Serif", "Symbol"...): 1-bit,
// fully hinted, without kerning, as the window draws its labels.
QFont MakeFont(const QString& name, int pixelSize, bool bold);

inline QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Replaces the whole content of `out` with the formatted document (not undoable, unmodified).
// A QTextEdit that shows `out` keeps its own cursor, which the insertion pushes to the end of the
// text: move it back to the start (QTextEdit::moveCursor) to show the top of the page.
void RenderInto(const richtext::Document& doc, QTextDocument& out);

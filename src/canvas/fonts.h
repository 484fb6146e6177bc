// The fonts of the canvases. Each face, size and weight is set up once (the scenes switch
// between a handful of them many times a frame) and kept for the life of the program.
#pragma once

#include <QFont>
#include <QString>

// A font as the canvases use it: the Qt font and its metrics, set up once for each face, size
// and weight (the scenes switch between a handful of them many times a frame).
struct CanvasFont {
    QString name;
    int pixels;
    bool bold;
    QFont font;
    int ascent;
    int height;
    QString key;  // names the font in the text cache
    unsigned serial;
};

const CanvasFont& FontFor(const QString& name, int pixels, bool bold);

// The glyph set against Qt: data/glyphs.txt is what make_glyphs writes with today's fonts and Qt,
// and a string laid out from it covers exactly the pixels the canvas's painter covers, with the
// same advance.
#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <random>
#include <string>

#include "canvas/glyphs.h"

extern const unsigned char glyph_set[];
extern const std::size_t glyph_set_size;

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The font as the canvas set it up for Qt: no antialiasing, full hinting, no kerning.
QFont QtFont(const glyphs::Font& f) {
    QFont font(QString::fromStdString(f.face));
    font.setPixelSize(f.pixels);
    font.setBold(f.bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return font;
}

// The string as the canvas drew it with Qt: its cell's top-left at (m, m) in a scratch picture
// (glyphs overhang their cell by a few pixels, never by its height).
glyphs::Run Painted(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    const int m = metrics.height();
    glyphs::Run run{metrics.horizontalAdvance(text), {}};
    QImage picture(run.width + 2 * m, metrics.height() + 2 * m, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter p(&picture);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QPoint(m, m + metrics.ascent()), text);
    p.end();
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0, end; x < picture.width(); x = end + 1) {
            for (end = x; end < picture.width() && row[end] != 0xFF000000u;)
                ++end;
            if (end > x) run.spans.push_back({y - m, x - m, end - 1 - m});
        }
    }
    return run;
}

TEST(Glyphs, SetIsWhatTheGeneratorWritesAndIsBuiltIn) {
    QTemporaryDir dir;
    const QString written = dir.filePath("glyphs.txt");
    QProcess tool;
    tool.start(QStringLiteral(TT_MAKE_GLYPHS), {written});
    ASSERT_TRUE(tool.waitForFinished(120000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QByteArray committed = Contents(QStringLiteral(TT_GLYPH_SET));
    ASSERT_FALSE(committed.isEmpty());
    EXPECT_TRUE(Contents(written) == committed)
        << "the fonts or Qt changed: run make_glyphs data/glyphs.txt and check the differences";
    EXPECT_TRUE(QByteArray(reinterpret_cast<const char*>(glyph_set), qsizetype(glyph_set_size)) ==
                committed);
}

// Every glyph alone, a few edge strings and random strings over each font's characters.
TEST(Glyphs, LayoutPaintsWhatQtPaints) {
    ASSERT_EQ(glyphs::Fonts().size(), 12u);
    std::mt19937 random(2024);
    for (const glyphs::Font& font : glyphs::Fonts()) {
        const QFont qt = QtFont(font);
        EXPECT_EQ(glyphs::Ascent(font), QFontMetrics(qt).ascent());
        EXPECT_EQ(glyphs::Height(font), QFontMetrics(qt).height());
        std::vector<std::u32string> texts = {U"", U" ", U"   ", U"a b", U"?"};
        for (const glyphs::Glyph& glyph : font.glyphs)
            texts.push_back(std::u32string(1, glyph.code));
        for (int i = 0; i < 60; ++i) {
            std::u32string text(random() % 41, U' ');
            for (char32_t& c : text)
                c = font.glyphs[random() % font.glyphs.size()].code;
            texts.push_back(text);
        }
        int failures = 0;
        for (const std::u32string& text : texts) {
            const QString s = QString::fromUcs4(text.data(), qsizetype(text.size()));
            const glyphs::Run ours = glyphs::Layout(font, s.toStdString());
            const glyphs::Run painted = Painted(qt, s);
            if (ours.width == painted.width && ours.spans == painted.spans) continue;
            ADD_FAILURE() << font.face << " " << font.pixels << (font.bold ? " bold" : "") << ": \""
                          << s.toStdString() << "\" is " << ours.width << " wide in "
                          << ours.spans.size() << " spans, painted " << painted.width << " wide in "
                          << painted.spans.size();
            if (++failures == 5) break;
        }
    }
}

TEST(Glyphs, FacesSizesAndFallbacks) {
    const struct {
        const char* face;
        int pixels;
        bool bold;
        const char* found;
        int foundPixels;
        bool foundBold;
    } kFonts[] = {
        {"Arial", 11, false, "Liberation Sans", 11, false},
        {"ms sans serif", 20, false, "Liberation Sans", 20, false},
        {"SYMBOL", 53, false, "Standard Symbols PS", 53, false},
        {"Courier", 13, true, "Liberation Sans", 13, true},      // unknown face
        {"Arial", 14, false, "Liberation Sans", 13, false},      // nearest size
        {"Arial", 10, false, "Liberation Sans", 9, false},       // as near as 11: the smaller
        {"Arial", 12, true, "Liberation Sans", 11, true},        // the weight first
        {"Symbol", 15, true, "Standard Symbols PS", 16, false},  // no bold at all
        {"Arial", 100, false, "Liberation Sans", 20, false},
    };
    for (const auto& f : kFonts) {
        const glyphs::Font& font = glyphs::FontFor(f.face, f.pixels, f.bold);
        EXPECT_EQ(font.face, f.found) << f.face << " " << f.pixels;
        EXPECT_EQ(font.pixels, f.foundPixels) << f.face << " " << f.pixels;
        EXPECT_EQ(font.bold, f.foundBold) << f.face << " " << f.pixels;
    }
    // Malformed UTF-8 and characters the font lacks are drawn as '?'.
    const struct {
        const char* face;
        const char* text;
        const char* drawn;
    } kMalformed[] = {
        {"Arial",
         "a\xFF"
         "b\x80",
         "a?b?"},  // bytes that start nothing
        {"Arial",
         "a\xE2\x82"
         "b\xC3",
         "a?b?"},                                              // characters cut short
        {"Arial", "\xC0\xAF\xE0\x80\xAF", "?????"},            // overlong forms
        {"Arial", "\xED\xA0\x80\xF4\x90\x80\x80", "???????"},  // a surrogate, beyond U+10FFFF
        {"Arial", "x\xE4\xB8\xAD\xF0\x9F\x98\x80", "x??"},     // not in the font
        {"Symbol", "\xC3\xA9\xE2\x82\xAC", "??"},
    };
    for (const auto& t : kMalformed) {
        const glyphs::Font& font = glyphs::FontFor(t.face, 13, false);
        const glyphs::Run run = glyphs::Layout(font, t.text), drawn = glyphs::Layout(font, t.drawn);
        EXPECT_TRUE(run.width == drawn.width && run.spans == drawn.spans) << t.drawn;
    }
}

}  // namespace

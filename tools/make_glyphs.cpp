// Writes the program's glyph set: every face, size and character the canvases draw text with,
// rasterised once by Qt exactly as the canvas used to draw it (no antialiasing, full hinting, no
// kerning), so that drawing a frame needs neither Qt nor the installed fonts.
//
//   make_glyphs data/glyphs.txt
//
// The output is a text file, the same bytes for the same fonts and Qt. Its format:
//
//   font FACE|PIXELS|BOLD|ASCENT|HEIGHT
//   CODE ADVANCE LEFT TOP WIDTH HEIGHT ROWS
//
// one `font` line, then one line a glyph in increasing code points. CODE is the code point in
// hexadecimal; LEFT and TOP place the glyph's bitmap from the top-left of the text's cell (the pen
// at the cell's left, the baseline ASCENT below its top); ROWS are the bitmap's rows from the top,
// each (WIDTH + 3) / 4 hexadecimal digits with the leftmost pixel in the highest bit, and "-" for
// a glyph without pixels. Lines starting with '#' are comments.
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// What the glyph set holds: each face at each size in points (at 96 dots per inch), with its
// characters.
enum class Repertoire { kLatin, kAscii };

struct Entry {
    const char* family;
    int points;
    bool bold;
    Repertoire repertoire;
};

constexpr Entry kSet[] = {
    {"Liberation Sans", 6, false, Repertoire::kLatin},
    {"Liberation Sans", 7, false, Repertoire::kLatin},
    {"Liberation Sans", 8, false, Repertoire::kLatin},
    {"Liberation Sans", 9, false, Repertoire::kLatin},
    {"Liberation Sans", 10, false, Repertoire::kLatin},
    {"Liberation Sans", 12, false, Repertoire::kLatin},
    {"Liberation Sans", 15, false, Repertoire::kLatin},
    {"Liberation Sans", 8, true, Repertoire::kLatin},
    {"Liberation Sans", 10, true, Repertoire::kLatin},
    // The scenes' "Symbol": ASCII codes drawn in the symbol encoding (W is Omega, q is theta).
    {"Standard Symbols PS", 10, false, Repertoire::kAscii},
    {"Standard Symbols PS", 12, false, Repertoire::kAscii},
    {"Standard Symbols PS", 40, false, Repertoire::kAscii},
};

// Beyond ASCII and Latin-1, the Latin faces carry these (the typographic punctuation of French
// text and the signs of the lessons' formulas).
constexpr char32_t kLatinExtras[] = U"ŒœŸ–—‘’“”…•€−≈≤≥≠√∞ΔΩαβγδζθλμπτφω";

std::vector<char32_t> CodePoints(Repertoire repertoire) {
    std::vector<char32_t> codes;
    for (char32_t c = 0x20; c <= 0x7E; ++c)
        codes.push_back(c);
    if (repertoire == Repertoire::kAscii) return codes;
    for (char32_t c = 0xA0; c <= 0xFF; ++c)
        codes.push_back(c);
    for (const char32_t* c = kLatinExtras; *c; ++c)
        codes.push_back(*c);
    std::sort(codes.begin(), codes.end());
    return codes;
}

// Points to pixels at 96 dots per inch, rounded as the canvas does.
int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

// The font as the canvas sets it up.
QFont MakeFont(const Entry& entry) {
    QFont font(QString::fromLatin1(entry.family));
    font.setPixelSize(PointsToPixels(entry.points));
    font.setBold(entry.bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(
        static_cast<QFont::StyleStrategy>(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return font;
}

struct Bitmap {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<bool> pixels;  // row by row
};

// The pixels `text` covers, drawn as the canvas draws it: its cell's top-left at a margin inside
// a scratch picture, the margin doubling until no pixel reaches the border.
Bitmap Render(const QFont& font, int ascent, int cellHeight, int advance, const QString& text) {
    for (int margin = std::max(8, cellHeight);; margin *= 2) {
        QImage scratch(std::max(1, advance) + 2 * margin, cellHeight + 2 * margin,
                       QImage::Format_RGB32);
        constexpr QRgb kGround = 0xFF000000u;
        scratch.fill(kGround);
        {
            QPainter p(&scratch);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QPoint(margin, margin + ascent), text);
        }
        int x0 = scratch.width(), y0 = scratch.height(), x1 = -1, y1 = -1;
        for (int y = 0; y < scratch.height(); ++y) {
            for (int x = 0; x < scratch.width(); ++x) {
                if (scratch.pixel(x, y) == kGround) continue;
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
        }
        if (x1 < 0) return {};
        if (x0 == 0 || y0 == 0 || x1 == scratch.width() - 1 || y1 == scratch.height() - 1) continue;
        Bitmap bitmap{x0 - margin, y0 - margin, x1 - x0 + 1, y1 - y0 + 1, {}};
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                bitmap.pixels.push_back(scratch.pixel(x, y) != kGround);
        return bitmap;
    }
}

std::string Hex(const Bitmap& bitmap) {
    if (bitmap.pixels.empty()) return "-";
    static const char kDigits[] = "0123456789ABCDEF";
    std::string rows;
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; x += 4) {
            int nibble = 0;
            for (int i = 0; i < 4; ++i) {
                const bool on = x + i < bitmap.width && bitmap.pixels[y * bitmap.width + x + i];
                nibble = nibble << 1 | (on ? 1 : 0);
            }
            rows += kDigits[nibble];
        }
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_glyphs OUTPUT\n");
        return 2;
    }
    std::string out =
        "# The glyph set of the canvases, written by tools/make_glyphs: do not edit.\n"
        "# font FACE|PIXELS|BOLD|ASCENT|HEIGHT\n"
        "# CODE ADVANCE LEFT TOP WIDTH HEIGHT ROWS\n";
    std::string missing;
    for (const Entry& entry : kSet) {
        const QFont font = MakeFont(entry);
        // Without the face, Qt would quietly take another one.
        if (!QFontInfo(font).family().startsWith(QLatin1String(entry.family))) {
            std::fprintf(stderr, "make_glyphs: %s is not installed (Qt offers %s)\n", entry.family,
                         qPrintable(QFontInfo(font).family()));
            return 1;
        }
        const QFontMetrics metrics(font);
        const QRawFont raw = QRawFont::fromFont(font);
        char line[160];
        std::snprintf(line, sizeof line, "font %s|%d|%d|%d|%d\n", entry.family, font.pixelSize(),
                      entry.bold ? 1 : 0, metrics.ascent(), metrics.height());
        out += line;
        for (char32_t code : CodePoints(entry.repertoire)) {
            if (!raw.supportsCharacter(code)) {
                std::snprintf(line, sizeof line, " %s %d%s U+%04X", entry.family, entry.points,
                              entry.bold ? "b" : "", unsigned(code));
                missing += line;
                continue;
            }
            const QString text = QString::fromUcs4(&code, 1);
            const int advance = metrics.horizontalAdvance(text);
            const Bitmap bitmap = Render(font, metrics.ascent(), metrics.height(), advance, text);
            std::snprintf(line, sizeof line, "%X %d %d %d %d %d ", unsigned(code), advance,
                          bitmap.left, bitmap.top, bitmap.width, bitmap.height);
            out += line + Hex(bitmap) + '\n';
        }
    }
    if (!missing.empty())
        std::fprintf(stderr, "make_glyphs: not in the fonts:%s\n", missing.c_str());
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(out.data(), qint64(out.size())) != qint64(out.size())) {
        std::fprintf(stderr, "make_glyphs: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

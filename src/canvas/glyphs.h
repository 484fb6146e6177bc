// The glyph set the canvases draw text with: every face, size and character the scenes use,
// rasterised once without antialiasing and built into the program (data/glyphs.txt, written by
// tools/make_glyphs), so that text looks the same whatever fonts the machine has. A string is its
// glyphs side by side, each at the whole-pixel advance of the ones before it (no kerning, no
// ligatures), which is how the painter drew it with these fonts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace glyphs {

// A run of covered pixels along a row: `right` included, from the cell's top-left.
struct Span {
    int y, left, right;
    friend bool operator==(const Span&, const Span&) = default;
};

struct Glyph {
    char32_t code;
    int advance;
    int first, count;  // its spans in Font::spans, by row then column
};

struct Font {
    std::string face;  // "Liberation Sans", "Standard Symbols PS"
    int pixels = 0;
    bool bold = false;
    int ascent = 0;             // from the cell's top to the baseline
    int height = 0;             // of the cell
    std::vector<Glyph> glyphs;  // by code point
    std::vector<Span> spans;    // from the pen at the cell's top-left

    const Glyph* Find(char32_t code) const;  // nullptr if the font lacks it
};

// Every font of the set, in the order of the data.
const std::vector<Font>& Fonts();

// The face as the scenes name it ("Arial" and "MS Sans Serif" are Liberation Sans, "Symbol" is
// Standard Symbols PS, whose ASCII codes are Greek letters and signs; the set's own face names
// work too; case does not matter; any other name gives Liberation Sans) at a size in pixels. A
// size or weight not in the set gives the nearest size of that weight, or of the face's other
// weight if it has none; between two sizes as near, the smaller.
const Font& FontFor(std::string_view face, int pixels, bool bold);

inline int Ascent(const Font& font) {
    return font.ascent;
}
inline int Height(const Font& font) {
    return font.height;
}

struct Run {
    int width = 0;            // the advance of the string
    std::vector<Span> spans;  // by row then column, neither touching nor overlapping
};

// The pixels of a UTF-8 string drawn with its cell's top-left at (0, 0). Each malformed sequence
// (a byte that starts no character, a character cut short, an overlong form, a surrogate, a code
// beyond U+10FFFF) and each character the font lacks is drawn as the font's '?'.
Run Layout(const Font& font, std::string_view utf8);

}  // namespace glyphs

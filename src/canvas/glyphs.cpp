#include "canvas/glyphs.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <tuple>
#include <utility>

// data/glyphs.txt, built in by cmake/embed.cmake.
extern const unsigned char glyph_set[];
extern const std::size_t glyph_set_size;

namespace glyphs {

namespace {

// The next field of a line, up to `separator`; the line goes on after it.
std::string_view Field(std::string_view& line, char separator = ' ') {
    const std::size_t end = line.find(separator);
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end + 1);
    return field;
}

bool Int(std::string_view field, int& value, int base = 10) {
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value, base);
    return error == std::errc() && stop == end;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "CODE ADVANCE LEFT TOP WIDTH HEIGHT ROWS" (see tools/make_glyphs.cpp); false if malformed.
bool ParseGlyph(std::string_view line, Font& font) {
    int code, advance, left, top, width, height;
    if (!Int(Field(line), code, 16) || !Int(Field(line), advance) || !Int(Field(line), left) ||
        !Int(Field(line), top) || !Int(Field(line), width) || !Int(Field(line), height))
        return false;
    const std::string_view rows = Field(line);
    const auto within = [](int value, int low) { return value >= low && value <= 4096; };
    if (code < 0 || code > 0x10FFFF || !within(advance, 0) || !within(left, -4096) ||
        !within(top, -4096) || !within(width, 0) || !within(height, 0))
        return false;
    const int digits = (width + 3) / 4;
    if (width * height == 0 ? rows != "-" : rows.size() != std::size_t(digits) * height)
        return false;
    Glyph glyph{char32_t(code), advance, int(font.spans.size()), 0};
    for (int y = 0; y < height && width > 0; ++y) {
        int start = -1;  // of the run being read
        for (int d = 0; d < digits; ++d) {
            const int nibble = HexDigit(rows[y * digits + d]);
            if (nibble < 0) return false;
            if (nibble == (start < 0 ? 0 : 15)) continue;  // no run starts or ends in it
            for (int x = 4 * d; x < 4 * d + 4; ++x) {
                const bool on = x < width && (nibble >> (4 * d + 3 - x)) & 1;
                if (on && start < 0) start = x;
                if (!on && start >= 0) {
                    font.spans.push_back({top + y, left + start, left + x - 1});
                    start = -1;
                }
            }
        }
        if (start >= 0) font.spans.push_back({top + y, left + start, left + width - 1});
    }
    glyph.count = int(font.spans.size()) - glyph.first;
    font.glyphs.push_back(glyph);
    return true;
}

// The fonts of the data; lines it cannot read are left out.
std::vector<Font> Parse(std::string_view text) {
    std::vector<Font> fonts;
    while (!text.empty()) {
        std::string_view line = Field(text, '\n');
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.starts_with("font ")) {
            line.remove_prefix(5);
            Font font;
            font.face = Field(line, '|');
            int bold = 0;
            if (Int(Field(line, '|'), font.pixels) && Int(Field(line, '|'), bold) &&
                Int(Field(line, '|'), font.ascent) && Int(Field(line, '|'), font.height)) {
                font.bold = bold != 0;
                fonts.push_back(std::move(font));
            }
        } else if (!line.empty() && line[0] != '#' && !fonts.empty()) {
            const std::size_t spans = fonts.back().spans.size();
            if (!ParseGlyph(line, fonts.back())) fonts.back().spans.resize(spans);
        }
    }
    for (Font& font : fonts) {
        std::stable_sort(font.glyphs.begin(), font.glyphs.end(),
                         [](const Glyph& a, const Glyph& b) { return a.code < b.code; });
    }
    return fonts;
}

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

// Calls `emit` with each character of `utf8`, U+FFFD for each malformed sequence: the longest
// start of a valid sequence, or else one byte.
template <typename Emit>
void Decode(std::string_view utf8, Emit emit) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = utf8[i++];
        int more = 0;
        char32_t code = lead;
        unsigned char low = 0x80, high = 0xBF;  // of the next byte
        if (lead < 0x80) {
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2, code = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;   // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3, code = lead & 0x07;
            if (lead == 0xF0) low = 0x90;   // overlong
            if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
        } else {
            code = 0xFFFD;
        }
        for (; more > 0; --more, low = 0x80, high = 0xBF) {
            const unsigned char next = i < utf8.size() ? utf8[i] : 0;
            if (next < low || next > high) {
                code = 0xFFFD;
                break;
            }
            code = code << 6 | (next & 0x3F);
            ++i;
        }
        emit(code);
    }
}

}  // namespace

const Glyph* Font::Find(char32_t code) const {
    const auto found = std::lower_bound(glyphs.begin(), glyphs.end(), code,
                                        [](const Glyph& g, char32_t c) { return g.code < c; });
    return found != glyphs.end() && found->code == code ? &*found : nullptr;
}

const std::vector<Font>& Fonts() {
    static const std::vector<Font> fonts =
        Parse(std::string_view(reinterpret_cast<const char*>(glyph_set), glyph_set_size));
    return fonts;
}

const Font& FontFor(std::string_view face, int pixels, bool bold) {
    const std::string_view family =
        SameName(face, "Symbol") || SameName(face, "Standard Symbols PS") ? "Standard Symbols PS"
                                                                          : "Liberation Sans";
    const Font* best = nullptr;
    const auto rank = [&](const Font& f) {
        return std::tuple(f.face != family, f.bold != bold, std::abs(f.pixels - pixels), f.pixels);
    };
    for (const Font& font : Fonts()) {
        if (!best || rank(font) < rank(*best)) best = &font;
    }
    static const Font kNone;
    return best ? *best : kNone;
}

Run Layout(const Font& font, std::string_view utf8) {
    Run run;
    const Glyph* question = font.Find(U'?');
    std::vector<std::pair<const Glyph*, int>> placed;  // the glyphs with pixels, at their pen
    placed.reserve(utf8.size());
    int top = INT_MAX, bottom = INT_MIN;
    Decode(utf8, [&](char32_t code) {
        const Glyph* glyph = font.Find(code);
        if (!glyph) glyph = question;
        if (!glyph) return;
        if (glyph->count > 0) {
            top = std::min(top, font.spans[glyph->first].y);
            bottom = std::max(bottom, font.spans[glyph->first + glyph->count - 1].y);
            placed.emplace_back(glyph, run.width);
        }
        run.width += glyph->advance;
    });
    if (placed.empty()) return run;
    // The spans row by row, each row in the order of the glyphs.
    std::vector<int> next(bottom - top + 2, 0);
    for (const auto& [glyph, x] : placed) {
        for (int i = glyph->first; i < glyph->first + glyph->count; ++i)
            ++next[font.spans[i].y - top + 1];
    }
    for (std::size_t row = 1; row < next.size(); ++row)
        next[row] += next[row - 1];
    std::vector<Span> rows(next.back());
    for (const auto& [glyph, x] : placed) {
        for (int i = glyph->first; i < glyph->first + glyph->count; ++i) {
            const Span& s = font.spans[i];
            rows[next[s.y - top]++] = {s.y, s.left + x, s.right + x};
        }
    }
    // Glyphs that overhang their neighbours put a row slightly out of order: sort it, then join
    // the spans that touch or overlap.
    run.spans.reserve(rows.size());
    for (std::size_t begin = 0, end; begin < rows.size(); begin = end) {
        for (end = begin + 1; end < rows.size() && rows[end].y == rows[begin].y; ++end) {
            for (std::size_t k = end; k > begin && rows[k].left < rows[k - 1].left; --k)
                std::swap(rows[k], rows[k - 1]);
        }
        for (std::size_t k = begin; k < end; ++k) {
            if (k > begin && rows[k].left <= run.spans.back().right + 1)
                run.spans.back().right = std::max(run.spans.back().right, rows[k].right);
            else
                run.spans.push_back(rows[k]);
        }
    }
    return run;
}

}  // namespace glyphs

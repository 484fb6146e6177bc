// Our own reader for the commentary documents: a small, robust subset of RTF 1.x.
//
// ReadDocument turns any bytes into a document model (never throws, never fails: a file that
// is not RTF is shown as plain text); each shell shows that model in its own way.
#pragma once

#include <compare>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace richtext {

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    auto operator<=>(const Color&) const = default;
};

struct CharFormat {
    std::string font;     // font family as the document names it; empty: the panel's own font
    int halfPoints = 24;  // font size in half-points; 0: the panel's own size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::optional<Color> foreground;  // none: the panel's text colour
    std::optional<Color> background;  // none: no highlight
    friend bool operator==(const CharFormat&, const CharFormat&) = default;
    // An order, for keeping each distinct format once (spelled out: some standard libraries
    // cannot order an optional).
    friend bool operator<(const CharFormat& a, const CharFormat& b) {
        const auto packed = [](const std::optional<Color>& c) {
            return c ? (c->red << 16 | c->green << 8 | c->blue) : -1;
        };
        const int af = packed(a.foreground), ab = packed(a.background);
        const int bf = packed(b.foreground), bb = packed(b.background);
        return std::tie(a.font, a.halfPoints, a.bold, a.italic, a.underline, a.strike, af, ab) <
               std::tie(b.font, b.halfPoints, b.bold, b.italic, b.underline, b.strike, bf, bb);
    }
};

enum class Alignment : std::uint8_t { Left, Center, Right, Justify };

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;  // all in twips (1/1440 inch)
    int rightIndent = 0;
    int firstLineIndent = 0;  // relative to the left indent, negative for a hanging indent
    int spaceBefore = 0;
    int spaceAfter = 0;
    auto operator<=>(const ParagraphFormat&) const = default;
};

// Views of the document, valid as long as the document they come from.
// A run is a stretch of text with one character format. Its text is UTF-8 and holds no paragraph
// break: U+2028 stands for a line break inside the paragraph, '\t' for a tab.
struct Run {
    std::string_view text;
    const CharFormat& format;
};

struct Paragraph {
    const ParagraphFormat& format;
    const CharFormat& mark;  // format of the paragraph mark: gives an empty paragraph its height
    std::vector<Run> runs;
};

// What a page may ask of its layout, here or in a browser: laying it out must stay quick (well
// under a second) and small whatever the file says. A page beyond any bound is refused whole
// (Document::refusal says why, in French). Its height is estimated as it would be in a column of
// kReferenceWidth twips, every font taken as at least 12 pt and every character as 0.6 em wide
// (an ideograph as an em, a tab as 1200 twips).
inline constexpr std::size_t kMaxParagraphs = 5000;
inline constexpr std::size_t kMaxRuns = 10000;      // stretches of text of one format
inline constexpr std::size_t kMaxFormats = 256;     // distinct character or paragraph formats
inline constexpr int kMaxSpacing = 2835;            // twips before or after a paragraph: 5 cm
inline constexpr int kMaxFontHalfPoints = 288;      // 144 pt
inline constexpr std::size_t kMaxWordLength = 500;  // characters with no break between them
inline constexpr long long kMaxHeight = 1'474'016;  // twips: 26 m
inline constexpr long long kReferenceWidth = 5760;  // twips: 4 inches

// The document is stored compactly, so that even a file made only of paragraph marks or of
// one-character runs costs a few times its size: all the text in one string, runs and paragraphs
// as end offsets, each distinct format once.
struct Document {
    struct RunSpan {
        std::uint32_t textEnd;  // the run's text ends here in `text`; it starts where the previous
                                // run (of any paragraph) ended
        std::uint16_t format;   // index in `charFormats`
    };
    struct ParagraphSpan {
        std::uint32_t runsEnd;  // the paragraph's runs end here in `runs`
        std::uint16_t format;   // index in `paragraphFormats`
        std::uint16_t mark;     // index in `charFormats`
    };

    std::string text;
    // Empty when the file read as a complete RTF document; otherwise what was wrong with it, in
    // a few French words for the user (the text is kept as far as it could be read).
    std::string damage;
    // Empty unless the page is beyond one of the bounds above: then it is all there is.
    std::string refusal;
    std::vector<CharFormat> charFormats;
    std::vector<ParagraphFormat> paragraphFormats;
    std::deque<RunSpan> runs;
    std::deque<ParagraphSpan> paragraphs;

    std::size_t size() const { return paragraphs.size(); }
    bool empty() const { return paragraphs.empty(); }
    Paragraph operator[](std::size_t index) const;  // index < size()
};

// Reads RTF if the bytes (after an optional UTF-8 byte order mark and white space) start with
// "{\rtf"; anything else is plain text, UTF-8 if valid and Windows-1252 otherwise, one
// paragraph per line. Memory and time are linear in the size of the input; reading stops at the
// first bound the page goes beyond.
Document ReadDocument(std::string_view bytes);

// The text of the document, paragraphs separated by '\n' (for tests and diagnostics).
std::string PlainText(const Document& doc);

// The text of one paragraph.
std::string PlainText(const Paragraph& paragraph);

}  // namespace richtext

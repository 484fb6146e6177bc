// The RTF reader: one pass over the bytes with an explicit group stack.
//
// Everything the input controls is bounded: the group stack stops growing at kMaxDepth (deeper
// levels are only counted), numbers are clamped, tables have a maximum size, and nothing is
// ever reserved from a number read in the file. Unknown control words are ignored, so a file
// from a newer writer still shows its text.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/encoding.h"
#include "richtext/rtf.h"

namespace richtext {
namespace {

constexpr std::size_t kMaxDepth = 1000;      // stored group levels
constexpr std::size_t kMaxTableSize = 4096;  // fonts and colours (documents use a few)
constexpr std::size_t kMaxFontName = 63;     // bytes; Windows face names are 31 characters
constexpr int kMaxTwips = 31680;             // 22 inches, the largest page a word processor allows
constexpr int kMinHalfPoints = 2;            // 1 pt
constexpr int kMaxHalfPoints = 3276;         // 1638 pt
constexpr int kMaxUnicodeSkip = 1000;
constexpr std::size_t kMaxInput = std::size_t{1} << 30;

enum class Destination : std::uint8_t { Body, Skip, FontTable, ColorTable };

enum class Key : std::uint8_t {
    Par,
    Line,
    Tab,
    Cell,
    Plain,
    Pard,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    FontSize,
    Font,
    DefaultFont,
    Foreground,
    Background,
    Red,
    Green,
    Blue,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstLineIndent,
    SpaceBefore,
    SpaceAfter,
    CodePage,
    UnicodeSkip,
    Unicode,
    Binary,
    FontTable,
    ColorTable,
    SkipDestination,
    KeepDestination,
    Symbol,
};

struct Keyword {
    std::string_view word;
    Key key;
    char32_t symbol = 0;  // for Key::Symbol
};

// Sorted by word for the binary search below.
constexpr std::array kKeywords = std::to_array<Keyword>({
    {"annotation", Key::SkipDestination},
    {"ansicpg", Key::CodePage},
    {"atnauthor", Key::SkipDestination},
    {"atndate", Key::SkipDestination},
    {"atnid", Key::SkipDestination},
    {"atnref", Key::SkipDestination},
    {"author", Key::SkipDestination},
    {"b", Key::Bold},
    {"bin", Key::Binary},
    {"bkmkend", Key::SkipDestination},
    {"bkmkstart", Key::SkipDestination},
    {"blue", Key::Blue},
    {"bullet", Key::Symbol, 0x2022},
    {"cb", Key::Background},
    {"cell", Key::Cell},
    {"cf", Key::Foreground},
    {"chcbpat", Key::Background},
    {"colorschememapping", Key::SkipDestination},
    {"colortbl", Key::ColorTable},
    {"comment", Key::SkipDestination},
    {"company", Key::SkipDestination},
    {"datastore", Key::SkipDestination},
    {"deff", Key::DefaultFont},
    {"docvar", Key::SkipDestination},
    {"emdash", Key::Symbol, 0x2014},
    {"emspace", Key::Symbol, 0x2003},
    {"endash", Key::Symbol, 0x2013},
    {"enspace", Key::Symbol, 0x2002},
    {"f", Key::Font},
    {"fi", Key::FirstLineIndent},
    {"filetbl", Key::SkipDestination},
    {"fldinst", Key::SkipDestination},
    {"fldrslt", Key::KeepDestination},
    {"fonttbl", Key::FontTable},
    {"footer", Key::SkipDestination},
    {"footerf", Key::SkipDestination},
    {"footerl", Key::SkipDestination},
    {"footerr", Key::SkipDestination},
    {"footnote", Key::SkipDestination},
    {"fs", Key::FontSize},
    {"generator", Key::SkipDestination},
    {"green", Key::Green},
    {"header", Key::SkipDestination},
    {"headerf", Key::SkipDestination},
    {"headerl", Key::SkipDestination},
    {"headerr", Key::SkipDestination},
    {"highlight", Key::Background},
    {"i", Key::Italic},
    {"info", Key::SkipDestination},
    {"keywords", Key::SkipDestination},
    {"latentstyles", Key::SkipDestination},
    {"ldblquote", Key::Symbol, 0x201C},
    {"li", Key::LeftIndent},
    {"lin", Key::LeftIndent},
    {"line", Key::Line},
    {"listoverridetable", Key::SkipDestination},
    {"listpicture", Key::SkipDestination},
    {"listtable", Key::SkipDestination},
    {"lquote", Key::Symbol, 0x2018},
    {"mmathPr", Key::SkipDestination},
    {"nonshppict", Key::SkipDestination},
    {"object", Key::SkipDestination},
    {"operator", Key::SkipDestination},
    {"page", Key::Par},
    {"par", Key::Par},
    {"pard", Key::Pard},
    {"pgdsctbl", Key::SkipDestination},
    {"pict", Key::SkipDestination},
    {"plain", Key::Plain},
    {"pn", Key::SkipDestination},
    {"private", Key::SkipDestination},
    {"qc", Key::AlignCenter},
    {"qd", Key::AlignJustify},
    {"qj", Key::AlignJustify},
    {"ql", Key::AlignLeft},
    {"qmspace", Key::Symbol, 0x2005},
    {"qr", Key::AlignRight},
    {"rdblquote", Key::Symbol, 0x201D},
    {"red", Key::Red},
    {"revtbl", Key::SkipDestination},
    {"ri", Key::RightIndent},
    {"rin", Key::RightIndent},
    {"row", Key::Par},
    {"rquote", Key::Symbol, 0x2019},
    {"rsidtbl", Key::SkipDestination},
    {"sa", Key::SpaceAfter},
    {"sb", Key::SpaceBefore},
    {"sect", Key::Par},
    {"shp", Key::SkipDestination},
    {"shppict", Key::SkipDestination},
    {"strike", Key::Strike},
    {"striked", Key::Strike},
    {"stylesheet", Key::SkipDestination},
    {"tab", Key::Tab},
    {"tc", Key::SkipDestination},
    {"template", Key::SkipDestination},
    {"themedata", Key::SkipDestination},
    {"title", Key::SkipDestination},
    {"txe", Key::SkipDestination},
    {"u", Key::Unicode},
    {"uc", Key::UnicodeSkip},
    {"ul", Key::Underline},
    {"uld", Key::Underline},
    {"uldash", Key::Underline},
    {"uldashd", Key::Underline},
    {"uldashdd", Key::Underline},
    {"uldb", Key::Underline},
    {"ulhwave", Key::Underline},
    {"ulldash", Key::Underline},
    {"ulnone", Key::UnderlineNone},
    {"ulth", Key::Underline},
    {"ulthd", Key::Underline},
    {"ulthdash", Key::Underline},
    {"ulthdashd", Key::Underline},
    {"ulthdashdd", Key::Underline},
    {"ulthldash", Key::Underline},
    {"ululdbwave", Key::Underline},
    {"ulw", Key::Underline},
    {"ulwave", Key::Underline},
    {"userprops", Key::SkipDestination},
    {"v", Key::Hidden},
    {"wgrffmtfilter", Key::SkipDestination},
    {"xe", Key::SkipDestination},
    {"xmlnstbl", Key::SkipDestination},
    {"zwj", Key::Symbol, 0x200D},
    {"zwnj", Key::Symbol, 0x200C},
});

constexpr bool KeywordsSorted() {
    for (std::size_t i = 1; i < kKeywords.size(); ++i) {
        if (!(kKeywords[i - 1].word < kKeywords[i].word)) return false;
    }
    return true;
}
static_assert(KeywordsSorted(), "the keyword table must stay sorted for the binary search");

const Keyword* FindKeyword(std::string_view word) {
    const auto it =
        std::lower_bound(kKeywords.begin(), kKeywords.end(), word,
                         [](const Keyword& entry, std::string_view w) { return entry.word < w; });
    return it != kKeywords.end() && it->word == word ? &*it : nullptr;
}

// Character properties as the groups carry them: the font is still a number of the font table.
struct CharState {
    int font = -1;  // -1: the document's default font
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    std::optional<Color> foreground;
    std::optional<Color> background;
    bool operator==(const CharState&) const = default;
};

struct GroupState {
    CharState chars;
    ParagraphFormat paragraph;
    Destination destination = Destination::Body;
    int unicodeSkip = 1;  // fallback characters after each \u
};

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Clamp(std::int64_t value, int low, int high) {
    return static_cast<int>(std::clamp<std::int64_t>(value, low, high));
}

// A character that ends the paragraph it appears in: runs never hold one.
constexpr char32_t kParagraphSeparator = 0x2029;

// The noncharacters U+FDD0..U+FDEF are for a program's internal use, not text: Qt's rich text
// marks frames with two of them (and would start a new block there).
bool IsNoncharacter(char32_t cp) {
    return cp >= 0xFDD0 && cp <= 0xFDEF;
}

// Whether a line may break after this character: after a space or a dash, and between the
// ideographs and syllables of the scripts written without spaces. Fewer places than Unicode's
// line breaking rules find, so that a word counted here is never shorter than a browser's.
bool BreaksAfter(char32_t cp) {
    return cp == ' ' || cp == '\t' || cp == '-' || cp == 0xAD || cp == 0x2028 ||
           (cp >= 0x2000 && cp <= 0x200B && cp != 0x2007) || cp == 0x2010 ||
           (cp >= 0x2012 && cp <= 0x2014) || cp == 0x3000 || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x3FFFF);
}

// A font size as the height estimate takes it: none under 12 pt (the panel's own, 0, included), so
// that small print does not buy more text to lay out.
long long EstimatedHalfPoints(int halfPoints) {
    return std::max(halfPoints, 24);
}

// Appends paragraphs and runs to a document, keeping each distinct format once, and measures the
// page against the bounds of its layout (see rtf.h): past the first one it goes beyond, it takes
// nothing more.
class DocumentBuilder {
  public:
    // The index of the format; past kMaxFormats of them (only a hostile file gets there: each
    // costs its layout a font to find) the page is refused and new formats get `fallback`.
    std::uint16_t CharFormatId(const CharFormat& format, std::uint16_t fallback) {
        return Intern(doc_.charFormats, charIds_, format, fallback);
    }
    std::uint16_t ParagraphFormatId(const ParagraphFormat& format) {
        return Intern(doc_.paragraphFormats, paragraphIds_, format, 0);
    }

    bool Refused() const { return !refusal_.empty(); }

    void Append(char32_t cp, std::uint16_t format) {
        if (!Measure(cp, format)) return;
        if (!runOpen_ || doc_.runs.back().format != format) NewRun(format);
        AppendUtf8(doc_.text, cp);
        doc_.runs.back().textEnd = static_cast<std::uint32_t>(doc_.text.size());
    }

    // One well-formed UTF-8 sequence, the character `cp`.
    void AppendUtf8Text(std::string_view utf8, char32_t cp, std::uint16_t format) {
        if (utf8.empty() || !Measure(cp, format)) return;
        if (!runOpen_ || doc_.runs.back().format != format) NewRun(format);
        doc_.text.append(utf8);
        doc_.runs.back().textEnd = static_cast<std::uint32_t>(doc_.text.size());
    }

    bool ParagraphHasText() const { return runOpen_; }
    std::uint16_t LastRunFormat() const { return doc_.runs.empty() ? 0 : doc_.runs.back().format; }

    void EndParagraph(std::uint16_t format, std::uint16_t mark) {
        if (Refused()) return;
        doc_.paragraphs.push_back({static_cast<std::uint32_t>(doc_.runs.size()), format, mark});
        runOpen_ = false;
        // The paragraph's lines, each as high as its largest font, and its spaces.
        const ParagraphFormat& f = doc_.paragraphFormats[format];
        const long long lineHalfPoints =
            std::max(paragraphHalfPoints_, EstimatedHalfPoints(doc_.charFormats[mark].halfPoints));
        const long long width =
            std::max<long long>(kReferenceWidth - std::max(f.leftIndent, 0) -
                                    std::max(f.rightIndent, 0) - std::max(f.firstLineIndent, 0),
                                720);
        height_ +=
            f.spaceBefore + f.spaceAfter + (1 + paragraphWidth_ / width) * lineHalfPoints * 12;
        paragraphWidth_ = 0;
        paragraphHalfPoints_ = 0;
        word_ = 0;
        if (doc_.charFormats[mark].halfPoints > kMaxFontHalfPoints) {
            Refuse("il contient du texte de plus de " + std::to_string(kMaxFontHalfPoints / 2) +
                   " points");
        } else if (f.spaceBefore > kMaxSpacing || f.spaceAfter > kMaxSpacing) {
            Refuse("un paragraphe y est espacé de plus de " +
                   std::to_string(kMaxSpacing * 254 / 144000) + " cm");
        } else if (doc_.paragraphs.size() > kMaxParagraphs) {
            Refuse("il a plus de " + std::to_string(kMaxParagraphs) + " paragraphes");
        } else {
            CheckHeight(height_);
        }
    }

    Document Take() {
        if (Refused()) {
            doc_ = Document{};
            doc_.refusal = std::move(refusal_);
        }
        return std::move(doc_);
    }

  private:
    template <typename Format>
    std::uint16_t Intern(std::vector<Format>& table, std::map<Format, std::uint16_t>& ids,
                         const Format& format, std::uint16_t fallback) {
        if (const auto it = ids.find(format); it != ids.end()) return it->second;
        if (table.size() >= kMaxFormats) {
            Refuse("il a plus de " + std::to_string(kMaxFormats) + " mises en forme différentes");
            return fallback;
        }
        const auto id = static_cast<std::uint16_t>(table.size());
        table.push_back(format);
        ids.emplace(format, id);
        return id;
    }

    // The character's share of its paragraph's estimated width and height, and of the word it
    // ends or continues; false once the page is refused.
    bool Measure(char32_t cp, std::uint16_t format) {
        if (Refused()) return false;
        const int halfPoints = doc_.charFormats[format].halfPoints;
        const long long size = EstimatedHalfPoints(halfPoints);
        paragraphHalfPoints_ = std::max(paragraphHalfPoints_, size);
        if (cp == 0x2028) {  // a line break: the rest of the line is taken
            paragraphWidth_ += kReferenceWidth - paragraphWidth_ % kReferenceWidth;
        } else {
            paragraphWidth_ += cp == '\t'                       ? 1200
                               : BreaksAfter(cp) && cp > 0x2E00 ? size * 10
                                                                : size * 6;
        }
        word_ = BreaksAfter(cp) ? 0 : word_ + 1;
        // A long paragraph is refused as it grows, at the widest its lines can be.
        CheckHeight(height_ + (1 + paragraphWidth_ / kReferenceWidth) * paragraphHalfPoints_ * 12);
        if (halfPoints > kMaxFontHalfPoints) {
            Refuse("il contient du texte de plus de " + std::to_string(kMaxFontHalfPoints / 2) +
                   " points");
        } else if (word_ > kMaxWordLength) {
            Refuse("il contient plus de " + std::to_string(kMaxWordLength) +
                   " caractères à la suite sans coupure possible");
        }
        return !Refused();
    }

    void NewRun(std::uint16_t format) {
        doc_.runs.push_back({static_cast<std::uint32_t>(doc_.text.size()), format});
        runOpen_ = true;
        if (doc_.runs.size() > kMaxRuns)
            Refuse("sa mise en forme change plus de " + std::to_string(kMaxRuns) + " fois");
    }

    void CheckHeight(long long height) {
        if (height > kMaxHeight)
            Refuse("il ferait plus de " + std::to_string(kMaxHeight * 254 / 14400000) +
                   " m de haut une fois mis en page");
    }

    void Refuse(std::string why) {
        if (refusal_.empty()) refusal_ = std::move(why);
    }

    Document doc_;
    std::string refusal_;
    long long height_ = 0;               // twips, the paragraphs ended so far
    long long paragraphWidth_ = 0;       // twips of text in the paragraph going on
    long long paragraphHalfPoints_ = 0;  // its largest font
    std::size_t word_ = 0;               // characters since the last break
    std::map<CharFormat, std::uint16_t> charIds_;
    std::map<ParagraphFormat, std::uint16_t> paragraphIds_;
    bool runOpen_ = false;  // the last run belongs to the current paragraph and may grow
};

class RtfReader {
  public:
    explicit RtfReader(std::string_view input) : in_(input) { stack_.emplace_back(); }

    Document Read() {
        while (pos_ < in_.size() && !builder_.Refused()) {
            const auto c = static_cast<unsigned char>(in_[pos_++]);
            switch (c) {
                case '{':
                    OpenGroup();
                    break;
                case '}':
                    CloseGroup();
                    break;
                case '\\':
                    ControlSequence();
                    break;
                case '\r':
                case '\n':
                    break;  // line ends in the file are not text
                default:
                    RawCharacter(c);
                    break;
            }
        }
        return Finish();
    }

  private:
    GroupState& State() { return stack_.back(); }
    Destination Dest() const { return stack_.back().destination; }

    // ---- groups

    void OpenGroup() {
        skipFallback_ = 0;
        starPending_ = false;
        if (stack_.size() < kMaxDepth) {
            stack_.push_back(stack_.back());
        } else {
            ++extraDepth_;
        }
    }

    void CloseGroup() {
        skipFallback_ = 0;
        starPending_ = false;
        if (extraDepth_ > 0) {
            --extraDepth_;
            return;
        }
        if (stack_.size() <= 1) {  // unbalanced '}': nothing to close
            NoteDamage("une accolade fermante est en trop");
            return;
        }
        if (Dest() == Destination::FontTable) CommitFont();
        if (Dest() == Destination::ColorTable && colorStarted_) CommitColor();
        stack_.pop_back();
    }

    // ---- lexing

    void ControlSequence() {
        if (pos_ >= in_.size()) return;  // a lone backslash at the end
        const auto c = static_cast<unsigned char>(in_[pos_]);
        if (!IsLetter(c)) {
            ++pos_;
            ControlSymbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && IsLetter(static_cast<unsigned char>(in_[pos_])))
            ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);

        bool hasParameter = false;
        bool negative = false;
        std::int64_t value = 0;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            IsDigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && IsDigit(static_cast<unsigned char>(in_[pos_]))) {
            hasParameter = true;
            // Past ten digits the value is clamped anyway: stop accumulating, keep consuming.
            if (value < 10'000'000'000) value = value * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word
        const int parameter = Clamp(negative ? -value : value, std::numeric_limits<int>::min(),
                                    std::numeric_limits<int>::max());
        ControlWord(word, hasParameter, parameter);
    }

    // True if this token is one of the fallback characters that follow a \u (and so is dropped).
    bool SkippedAsFallback() {
        if (skipFallback_ == 0) return false;
        --skipFallback_;
        return true;
    }

    void ControlSymbol(unsigned char c) {
        if (c == '\r' || c == '\n') {  // a backslash before a line end is a paragraph mark
            if (SkippedAsFallback()) return;
            ParagraphBreak();
            return;
        }
        if (c == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && pos_ < in_.size()) {
                const int h = HexValue(static_cast<unsigned char>(in_[pos_]));
                if (h < 0) break;
                value = value * 16 + h;
                ++digits;
                ++pos_;
            }
            if (digits == 0) return;  // not an escape after all: the next byte reads as usual
            if (SkippedAsFallback()) return;
            starPending_ = false;
            Output(DecodeByte(codePage_, static_cast<unsigned char>(value)));
            return;
        }
        if (c == '*') {
            starPending_ = true;
            return;
        }
        if (SkippedAsFallback()) return;
        starPending_ = false;
        switch (c) {
            case '\\':
            case '{':
            case '}':
                Output(c);
                break;
            case '~':
                Output(0x00A0);  // non-breaking space
                break;
            case '_':
                Output(0x2011);  // non-breaking hyphen
                break;
            case '\t':
                Output('\t');
                break;
            default:
                break;  // \- (optional hyphen), \| \: and the rest show nothing
        }
    }

    void RawCharacter(unsigned char c) {
        if (SkippedAsFallback()) return;
        starPending_ = false;
        switch (Dest()) {
            case Destination::Body:
                Output(DecodeByte(codePage_, c));
                break;
            case Destination::FontTable:
                if (c == ';') {
                    CommitFont();
                } else {
                    Output(DecodeByte(codePage_, c));
                }
                break;
            case Destination::ColorTable:
                if (c == ';') CommitColor();
                break;
            case Destination::Skip:
                break;
        }
    }

    // ---- control words

    void ControlWord(std::string_view word, bool hasParameter, int parameter) {
        const Keyword* keyword = FindKeyword(word);
        if (keyword != nullptr && keyword->key == Key::Binary) {
            // Raw data follows, whatever the destination: step over it without looking.
            const std::size_t length = parameter > 0 ? static_cast<std::size_t>(parameter) : 0;
            if (length > in_.size() - pos_) {
                pos_ = in_.size();  // data past the end: the document ends here
                NoteDamage("des données binaires dépassent la fin du fichier");
                return;
            }
            pos_ += length;
            SkippedAsFallback();
            return;
        }
        if (SkippedAsFallback()) return;
        if (starPending_) {
            // \* marks a destination we may ignore: we keep only a field's result.
            starPending_ = false;
            if (keyword == nullptr || keyword->key != Key::KeepDestination) {
                State().destination = Destination::Skip;
                return;
            }
        }
        if (keyword == nullptr || Dest() == Destination::Skip) return;

        GroupState& s = State();
        CharState& ch = s.chars;
        ParagraphFormat& pf = s.paragraph;
        const bool on = !hasParameter || parameter != 0;
        switch (keyword->key) {
            case Key::Par:
                ParagraphBreak();
                break;
            case Key::Line:
                Output(0x2028);
                break;
            case Key::Tab:
            case Key::Cell:
                Output('\t');
                break;
            case Key::Symbol:
                Output(keyword->symbol);
                break;
            case Key::Unicode:
                UnicodeCharacter(hasParameter ? parameter : 0);
                skipFallback_ = s.unicodeSkip;
                break;
            case Key::UnicodeSkip:
                s.unicodeSkip = Clamp(hasParameter ? parameter : 1, 0, kMaxUnicodeSkip);
                break;
            case Key::Plain:
                ch = CharState{};
                break;
            case Key::Pard:
                pf = ParagraphFormat{};
                break;
            case Key::Bold:
                ch.bold = on;
                break;
            case Key::Italic:
                ch.italic = on;
                break;
            case Key::Underline:
                ch.underline = on;
                break;
            case Key::UnderlineNone:
                ch.underline = false;
                break;
            case Key::Strike:
                ch.strike = on;
                break;
            case Key::Hidden:
                ch.hidden = on;
                break;
            case Key::FontSize:
                ch.halfPoints =
                    hasParameter ? Clamp(parameter, kMinHalfPoints, kMaxHalfPoints) : 24;
                break;
            case Key::Font:
                if (Dest() == Destination::FontTable) {
                    CommitFont();
                    fontNumber_ = hasParameter ? parameter : 0;
                } else if (fonts_.contains(parameter)) {
                    ch.font = parameter;
                }
                break;
            case Key::DefaultFont:
                defaultFont_ = parameter;
                runStateValid_ = false;
                break;
            case Key::Foreground:
                if (const auto colour = TableColor(parameter)) ch.foreground = *colour;
                break;
            case Key::Background:
                if (const auto colour = TableColor(parameter)) ch.background = *colour;
                break;
            case Key::Red:
                pendingColor_.red = static_cast<std::uint8_t>(Clamp(parameter, 0, 255));
                colorStarted_ = true;
                break;
            case Key::Green:
                pendingColor_.green = static_cast<std::uint8_t>(Clamp(parameter, 0, 255));
                colorStarted_ = true;
                break;
            case Key::Blue:
                pendingColor_.blue = static_cast<std::uint8_t>(Clamp(parameter, 0, 255));
                colorStarted_ = true;
                break;
            case Key::AlignLeft:
                pf.alignment = Alignment::Left;
                break;
            case Key::AlignCenter:
                pf.alignment = Alignment::Center;
                break;
            case Key::AlignRight:
                pf.alignment = Alignment::Right;
                break;
            case Key::AlignJustify:
                pf.alignment = Alignment::Justify;
                break;
            case Key::LeftIndent:
                pf.leftIndent = Clamp(parameter, -kMaxTwips, kMaxTwips);
                break;
            case Key::RightIndent:
                pf.rightIndent = Clamp(parameter, -kMaxTwips, kMaxTwips);
                break;
            case Key::FirstLineIndent:
                pf.firstLineIndent = Clamp(parameter, -kMaxTwips, kMaxTwips);
                break;
            case Key::SpaceBefore:
                pf.spaceBefore = Clamp(parameter, 0, kMaxTwips);
                break;
            case Key::SpaceAfter:
                pf.spaceAfter = Clamp(parameter, 0, kMaxTwips);
                break;
            case Key::CodePage:
                codePage_ = IsSupportedCodePage(parameter) ? parameter : 1252;
                break;
            case Key::FontTable:
                s.destination = Destination::FontTable;
                fontNumber_ = -1;
                fontName_.clear();
                break;
            case Key::ColorTable:
                s.destination = Destination::ColorTable;
                pendingColor_ = Color{};
                colorStarted_ = false;
                break;
            case Key::SkipDestination:
                s.destination = Destination::Skip;
                break;
            case Key::KeepDestination:
            case Key::Binary:
                break;
        }
    }

    // The colour of a \cf / \cb index: a present but "auto" entry gives an empty colour;
    // an index outside the table gives nothing at all (the word is ignored).
    std::optional<std::optional<Color>> TableColor(int index) const {
        if (index >= 0 && static_cast<std::size_t>(index) < colors_.size()) return colors_[index];
        if (index == 0) return std::optional<Color>{};  // no table: 0 is still "auto"
        return std::nullopt;
    }

    // ---- tables

    void CommitFont() {
        runStateValid_ = false;  // a font number may now name another face
        while (!fontName_.empty() && fontName_.back() == ' ')
            fontName_.pop_back();
        const std::size_t lead = fontName_.find_first_not_of(' ');
        if (lead != std::string::npos && fontNumber_ >= 0 &&
            (fonts_.size() < kMaxTableSize || fonts_.contains(fontNumber_))) {
            fonts_[fontNumber_] = fontName_.substr(lead);
        }
        fontName_.clear();
    }

    void CommitColor() {
        if (colors_.size() < kMaxTableSize) {
            colors_.push_back(colorStarted_ ? std::optional<Color>(pendingColor_) : std::nullopt);
        }
        pendingColor_ = Color{};
        colorStarted_ = false;
    }

    // ---- text

    void UnicodeCharacter(int value) {
        // \u takes a signed 16-bit value: negative numbers stand for 32768..65535.
        if (value < 0) value = value >= -32768 ? value + 65536 : -1;
        if (value >= 0xD800 && value <= 0xDBFF) {
            FlushSurrogate();
            highSurrogate_ = static_cast<char32_t>(value);
            return;
        }
        if (value >= 0xDC00 && value <= 0xDFFF) {
            if (highSurrogate_ == 0) {
                Output(kReplacementCharacter);
                return;
            }
            const char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (value - 0xDC00);
            highSurrogate_ = 0;
            Output(cp);
            return;
        }
        if (value < 0 || value > 0x10FFFF) {
            Output(kReplacementCharacter);
        } else if (value != 0) {
            Output(static_cast<char32_t>(value));
        }
    }

    // A high surrogate not followed by its low half is shown as U+FFFD.
    void FlushSurrogate() {
        if (highSurrogate_ == 0) return;
        highSurrogate_ = 0;
        Output(kReplacementCharacter);
    }

    void Output(char32_t cp) {
        FlushSurrogate();
        if (cp == kParagraphSeparator) {
            ParagraphBreak();
            return;
        }
        if (cp < 0x20 && cp != '\t') return;  // control characters are never text
        if (IsNoncharacter(cp)) cp = kReplacementCharacter;
        switch (Dest()) {
            case Destination::Body:
                AppendToParagraph(cp);
                break;
            case Destination::FontTable:
                // A face name is one plain line of text, and short.
                if (cp != '\t' && cp != 0x2028 && fontName_.size() + 4 <= kMaxFontName) {
                    AppendUtf8(fontName_, cp);
                }
                break;
            default:
                break;
        }
    }

    CharFormat Resolve(const CharState& s) const {
        CharFormat f;
        auto font = fonts_.find(s.font >= 0 ? s.font : defaultFont_);
        if (font != fonts_.end()) f.font = font->second;
        f.halfPoints = s.halfPoints;
        f.bold = s.bold;
        f.italic = s.italic;
        f.underline = s.underline;
        f.strike = s.strike;
        f.foreground = s.foreground;
        f.background = s.background;
        return f;
    }

    void AppendToParagraph(char32_t cp) {
        const GroupState& s = State();
        if (s.chars.hidden) return;
        // Formats are looked up only when the group state changes, not for every character.
        if (!runStateValid_ || !(s.chars == runState_)) {
            runFormat_ = builder_.CharFormatId(Resolve(s.chars), runFormat_);
            runState_ = s.chars;
            runStateValid_ = true;
        }
        builder_.Append(cp, runFormat_);
        lastTextFormat_ = s.paragraph;
    }

    // Paragraph properties are those in force at the paragraph mark.
    void ParagraphBreak() {
        if (Dest() != Destination::Body) return;
        FlushSurrogate();
        builder_.EndParagraph(builder_.ParagraphFormatId(State().paragraph),
                              builder_.CharFormatId(Resolve(State().chars), runFormat_));
    }

    // Keeps the first problem met, the one most likely to explain the others.
    void NoteDamage(const char* what) {
        if (damage_.empty()) damage_ = what;
    }

    Document Finish() {
        FlushSurrogate();
        // An unterminated last paragraph keeps the properties it had at its last character.
        if (builder_.ParagraphHasText()) {
            builder_.EndParagraph(builder_.ParagraphFormatId(lastTextFormat_),
                                  builder_.LastRunFormat());
        }
        if (builder_.Refused()) return builder_.Take();  // the refusal says all
        if (stack_.size() > 1 || extraDepth_ > 0) {
            NoteDamage("le document est incomplet (un groupe n'est pas refermé)");
        }
        Document doc = builder_.Take();
        doc.damage = std::move(damage_);
        return doc;
    }

    std::string damage_;
    std::string_view in_;
    std::size_t pos_ = 0;

    std::vector<GroupState> stack_;
    std::size_t extraDepth_ = 0;  // levels opened past kMaxDepth, only counted

    int codePage_ = 1252;
    int defaultFont_ = -1;
    std::map<int, std::string> fonts_;
    int fontNumber_ = -1;
    std::string fontName_;
    std::vector<std::optional<Color>> colors_;
    Color pendingColor_;
    bool colorStarted_ = false;

    int skipFallback_ = 0;
    char32_t highSurrogate_ = 0;
    bool starPending_ = false;

    DocumentBuilder builder_;
    CharState runState_;  // the group state that gave runFormat_
    bool runStateValid_ = false;
    std::uint16_t runFormat_ = 0;
    ParagraphFormat lastTextFormat_;
};

// Plain text: one paragraph per line, in the panel's own font.
Document ReadPlainText(std::string_view bytes) {
    const bool utf8 = IsValidUtf8(bytes);
    CharFormat panelFont;
    panelFont.halfPoints = 0;
    DocumentBuilder builder;
    const std::uint16_t format = builder.CharFormatId(panelFont, 0);
    const std::uint16_t paragraph = builder.ParagraphFormatId(ParagraphFormat{});
    for (std::size_t i = 0; i < bytes.size() && !builder.Refused();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' || c == '\n') {
            builder.EndParagraph(paragraph, format);
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        if (c < 0x20 && c != '\t') {  // NUL and other controls are not text
            ++i;
            continue;
        }
        if (utf8) {
            const std::size_t length = Utf8SequenceLength(bytes, i);
            const std::string_view sequence = bytes.substr(i, length);
            i += length;
            if (sequence == "\xE2\x80\xA9") {  // U+2029
                builder.EndParagraph(paragraph, format);
            } else if (length == 3 && sequence[0] == '\xEF' &&
                       IsNoncharacter(0xF000 | ((sequence[1] & 0x3F) << 6) |
                                      (sequence[2] & 0x3F))) {
                builder.Append(kReplacementCharacter, format);
            } else {
                char32_t cp = length == 1 ? c : c & (0x3F >> (length - 1));
                for (std::size_t k = 1; k < length; ++k)
                    cp = (cp << 6) | (sequence[k] & 0x3F);
                builder.AppendUtf8Text(sequence, cp, format);
            }
        } else {
            builder.Append(DecodeByte(1252, c), format);
            ++i;
        }
    }
    if (builder.ParagraphHasText()) builder.EndParagraph(paragraph, format);
    return builder.Take();
}

std::string_view SkipBomAndSpace(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    while (!bytes.empty() && (bytes.front() == ' ' || bytes.front() == '\t' ||
                              bytes.front() == '\r' || bytes.front() == '\n')) {
        bytes.remove_prefix(1);
    }
    return bytes;
}

}  // namespace

Document ReadDocument(std::string_view bytes) {
    // Offsets are 32-bit: past 1 GiB (far beyond any document) the rest is not read.
    bytes = bytes.substr(0, kMaxInput);
    const std::string_view start = SkipBomAndSpace(bytes);
    if (start.starts_with("{\\rtf")) return RtfReader(start).Read();
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return ReadPlainText(bytes);
}

Paragraph Document::operator[](std::size_t index) const {
    const ParagraphSpan& span = paragraphs[index];
    std::size_t run = index == 0 ? 0 : paragraphs[index - 1].runsEnd;
    Paragraph paragraph{paragraphFormats[span.format], charFormats[span.mark], {}};
    paragraph.runs.reserve(span.runsEnd - run);
    for (; run < span.runsEnd; ++run) {
        const std::size_t begin = run == 0 ? 0 : runs[run - 1].textEnd;
        paragraph.runs.push_back(
            Run{std::string_view(text).substr(begin, runs[run].textEnd - begin),
                charFormats[runs[run].format]});
    }
    return paragraph;
}

std::string PlainText(const Paragraph& paragraph) {
    std::string text;
    for (const Run& run : paragraph.runs)
        text += run.text;
    return text;
}

std::string PlainText(const Document& doc) {
    std::string text;
    for (std::size_t i = 0; i < doc.size(); ++i) {
        if (i > 0) text.push_back('\n');
        text += PlainText(doc[i]);
    }
    return text;
}

}  // namespace richtext

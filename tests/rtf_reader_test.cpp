// The RTF reader: what text and formats it finds, and that no input can hurt it.
#include <gtest/gtest.h>

#include "support/data_dir.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "../fuzz/document_checks.h"
#include "richtext/rtf.h"

namespace {

using richtext::Alignment;
using richtext::CharFormat;
using richtext::Color;
using richtext::Document;
using richtext::ParagraphFormat;
using richtext::ReadDocument;

using namespace std::string_literals;
using namespace std::string_view_literals;

std::string TextOf(std::string_view bytes) {
    return richtext::PlainText(ReadDocument(bytes));
}

// The text of an RTF body, wrapped in a minimal document.
std::string Body(std::string_view body) {
    return TextOf("{\\rtf1\\ansi " + std::string(body) + "}");
}

// The format of the run that holds the given text (the test fails if there is none).
CharFormat RunWith(const Document& doc, std::string_view text) {
    for (std::size_t i = 0; i < doc.size(); ++i)
        for (const auto& r : doc[i].runs)
            if (r.text.find(text) != std::string::npos) return r.format;
    ADD_FAILURE() << "no run holds \"" << text << "\"";
    return {};
}

// The runs of the document as "text/flags" (b, i, u, s: bold, italic, underline, strike),
// separated by '|', paragraphs by '\n'.
std::string Runs(const Document& doc) {
    std::string out;
    for (std::size_t i = 0; i < doc.size(); ++i) {
        if (i > 0) out += '\n';
        for (const auto& r : doc[i].runs) {
            if (!out.empty() && out.back() != '\n') out += '|';
            const CharFormat& f = r.format;
            out += std::string(r.text) + "/" + (f.bold ? "b" : "") + (f.italic ? "i" : "") +
                   (f.underline ? "u" : "") + (f.strike ? "s" : "");
        }
    }
    return out;
}

// Each input shows its text; with `wrap`, the inputs are bodies of a minimal RTF document.
void ExpectShown(const std::vector<std::pair<std::string, std::string>>& cases, bool wrap) {
    for (const auto& [input, text] : cases)
        EXPECT_EQ(wrap ? Body(input) : TextOf(input), text) << "input: " << input;
}

std::string Repeat(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// ---- plain text and detection

TEST(RtfPlainText, RtfIsRecognisedAfterByteOrderMarkAndWhiteSpace) {
    const Document doc = ReadDocument("\xEF\xBB\xBF \r\n\t{\\rtf1 Bonjour}");
    ASSERT_EQ(doc.size(), 1u);
    EXPECT_EQ(richtext::PlainText(doc), "Bonjour");
    EXPECT_EQ(doc[0].runs[0].format.halfPoints, 24);  // RTF's default size
}

TEST(RtfPlainText, AnythingElseIsShownAsItIsInUtf8OrWindows1252) {
    ExpectShown({{"{\\rt Bonjour}", "{\\rt Bonjour}"},
                 {"x{\\rtf1 a}", "x{\\rtf1 a}"},
                 {"\\rtf1 a", "\\rtf1 a"},
                 // Valid UTF-8 is kept, with or without its byte-order mark; the rest is 1252.
                 {"\xEF\xBB\xBF\xC3\x89tape \xC3\xA0 10 V", "Étape à 10 V"},
                 {"caf\xE9 \x80 \x9C", "café € œ"},
                 // An overlong form and a lone surrogate are not UTF-8: the whole file is 1252.
                 {"\xC0\xAF\xC3\xA9", "À¯Ã©"},
                 {"\xED\xA0\x80", "í\xC2\xA0€"},
                 // Holes of the code page become U+FFFD rather than control characters.
                 {"a\x81z", "a\xEF\xBF\xBDz"},
                 // Control characters are dropped, tabs kept.
                 {"a\0b\x01"
                  "c\td\x1B"s,
                  "abc\td"}},
                false);
    // Plain text takes the panel's own font.
    const Document doc = ReadDocument("Réponse indicielle");
    ASSERT_EQ(doc.size(), 1u);
    EXPECT_EQ(doc[0].runs[0].format, (CharFormat{"", 0, false, false, false, false, {}, {}}));
}

TEST(RtfPlainText, EveryKindOfLineEndStartsAParagraphAndEmptyInputHasNone) {
    const Document doc = ReadDocument("un\r\ndeux\rtrois\nquatre\n\ncinq\n");
    ASSERT_EQ(doc.size(), 6u);
    EXPECT_EQ(richtext::PlainText(doc), "un\ndeux\ntrois\nquatre\n\ncinq");
    EXPECT_TRUE(doc[4].runs.empty());
    EXPECT_EQ(doc[4].mark.halfPoints, 0);
    for (const char* empty : {"", "\xEF\xBB\xBF", "{\\rtf1}"})
        EXPECT_TRUE(ReadDocument(empty).empty()) << empty;
}

// ---- character formatting and groups

TEST(RtfFormatting, GroupsSwitchesAndRunBoundaries) {
    // Groups save and restore the character format.
    EXPECT_EQ(Runs(ReadDocument("{\\rtf1 a{\\b b{\\i c}d}e\\b f\\b0 g}")),
              "a/|b/b|c/bi|d/b|e/|f/b|g/");
    // Switches with 0 (or \ulnone) turn off.
    EXPECT_EQ(Runs(ReadDocument(
                  "{\\rtf1 \\ul u\\ulnone n\\ul1 v\\ul0 w\\strike s\\strike0 t\\i i\\i0 j}")),
              "u/u|n/|v/u|w/|s/s|t/|i/i|j/");
    // Runs are cut only where the format changes.
    EXPECT_EQ(Runs(ReadDocument("{\\rtf1 {a}{b}\\b\\b0 c{\\i}d\\b\\b0\\b0 e}")), "abcde/");
}

TEST(RtfFormatting, PlainResetsAndSizesAreInHalfPoints) {
    const Document doc = ReadDocument(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\fs16\\b\\i\\ul\\cf1 petit\\plain normal"
        "{\\fs40 grand}\\fs retour}");
    EXPECT_EQ(RunWith(doc, "petit"),
              (CharFormat{"", 16, true, true, true, false, Color{255, 0, 0}, {}}));
    EXPECT_EQ(RunWith(doc, "normal"), CharFormat{});
    EXPECT_EQ(RunWith(doc, "grand").halfPoints, 40);
    EXPECT_EQ(RunWith(doc, "retour").halfPoints, 24);
}

// (\line, \tab and \par are checked as rendered in rtf_render_test.)
TEST(RtfFormatting, ParagraphMarksLineEndsAndHiddenText) {
    ExpectShown(
        {// A backslash before a line end of the file is a paragraph mark too.
         {"a\\\nb\\\r\nc", "a\nb\nc"},
         // Line ends of the file themselves are not text.
         {"a\r\nb\nc", "abc"},
         // Hidden text is not shown.
         {"a{\\v cach\\'e9}b\\v c\\v0 d", "abd"}},
        true);
}

// ---- font and colour tables

TEST(RtfTables, FontTableEntriesInGroupsOrInline) {
    const Document doc = ReadDocument(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\froman{\\*\\panose 02020603050405020304}Times New Roman;}{\\f2 Caf\\'e9}}"
        "d\\f1 t\\f2 c\\f9 inconnu}");
    EXPECT_EQ(RunWith(doc, "d").font, "Arial");  // the default font
    EXPECT_EQ(RunWith(doc, "t").font, "Times New Roman");
    EXPECT_EQ(RunWith(doc, "c").font, "Café");        // no ';': ends with its group
    EXPECT_EQ(RunWith(doc, "inconnu").font, "Café");  // \f9 is not in the table

    const Document inlineTable = ReadDocument(
        "{\\rtf1{\\fonttbl\\f0\\fswiss Arial;\\f1\\fmodern Courier New;}\\f1 x\\f0 y}");
    EXPECT_EQ(RunWith(inlineTable, "x").font, "Courier New");
    EXPECT_EQ(RunWith(inlineTable, "y").font, "Arial");
    EXPECT_EQ(TextOf("{\\rtf1{\\fonttbl{\\f0 Arial;}}texte}"), "texte");
    // No font table: the panel's font.
    EXPECT_EQ(ReadDocument("{\\rtf1\\deff0\\f0 x}")[0].runs.at(0).format.font, "");
}

TEST(RtfTables, ColourTableWithAutoAtIndexZero) {
    const Document doc = ReadDocument(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;\\red999\\blue-4;}"
        "\\cf1 rouge\\cf2\\cb1 bleu\\cf0\\cb0 auto\\cf1\\cf7 horsTable"
        "{\\highlight3 surligne}\\cf3 blanc}");
    const std::optional<Color> red = Color{255, 0, 0}, navy = Color{0, 0, 128}, none;
    // (Index 3 has its components clamped: red again.)
    const struct {
        const char* text;
        std::optional<Color> foreground, background;
    } expected[] = {{"rouge", red, none},     {"bleu", navy, red},    {"auto", none, none},
                    {"horsTable", red, none}, {"surligne", red, red}, {"blanc", red, none}};
    for (const auto& e : expected) {
        EXPECT_EQ(RunWith(doc, e.text).foreground, e.foreground) << e.text;
        EXPECT_EQ(RunWith(doc, e.text).background, e.background) << e.text;
    }
    // Colour 0 is auto, even without a table.
    const Document noTable = ReadDocument("{\\rtf1 \\cf0 a\\cf1 b}");
    EXPECT_FALSE(RunWith(noTable, "a").foreground.has_value());
    EXPECT_FALSE(RunWith(noTable, "b").foreground.has_value());
}

// ---- paragraph properties (their values, and empty paragraphs, are checked as rendered in
// rtf_render_test)

TEST(RtfParagraphs, PropertiesAtTheParagraphMarkApply) {
    const Document doc =
        ReadDocument("{\\rtf1 {\\qc titre\\par}texte\\par debut\\qr\\par \\pard{\\qr fin}}");
    ASSERT_EQ(doc.size(), 4u);
    EXPECT_EQ(doc[0].format.alignment, Alignment::Center);
    EXPECT_EQ(doc[1].format.alignment, Alignment::Left);  // restored by the group
    EXPECT_EQ(doc[2].format.alignment, Alignment::Right);
    // An unterminated last paragraph keeps what it had at its last character.
    EXPECT_EQ(doc[3].format.alignment, Alignment::Right);
}

// ---- escapes, code pages and Unicode

TEST(RtfEscapes, HexUnicodeSymbolsAndControlWords) {
    // Hex escapes and raw 8-bit bytes follow the code page; an escape that is not hex is dropped,
    // not the text after it.
    ExpectShown({{"\\'e9\\'e8\\'e0\\'e7\\'ea\\'80\\'9c\\'b0", "éèàçê€œ°"},
                 {"caf\xE9", "café"},
                 {"\\'E9\\'zz", "ézz"}},
                true);
    // Unicode with its fallback characters: a control word is one character, a group end stops
    // the skipping, \uc is restored with the group, the value is a signed 16-bit one.
    ExpectShown({{"\\u233?t\\'e9", "été"},
                 {"\\uc0\\u233 e", "ée"},
                 {"\\uc2\\u8364\\'80\\'80x", "€x"},
                 {"\\uc2\\u8364\\emdash Ex", "€x"},
                 {"{\\uc3\\u233?}x", "éx"},
                 {"{\\uc2 a}\\u233?b", "aéb"},
                 {"\\u-1279?", "\uFB01"},
                 {"\\u8217\\'92", "\u2019"}},
                true);
    // Surrogate pairs, and code points that are not characters (a lone surrogate, also at the
    // end of the document; NUL and controls).
    ExpectShown({{"\\u-10179?\\u-8704?", "\U0001F600"},
                 {"\\u55357?\\u56832?", "\U0001F600"},
                 {"\\u-10179?x", "\uFFFDx"},
                 {"\\u-8704?", "\uFFFD"},
                 {"\\u-10179?\\u-10179?\\u-8704?", "\uFFFD\U0001F600"},
                 {"\\u-10179?", "\uFFFD"},
                 {"\\u-40000?", "\uFFFD"},
                 {"\\u1114112?", "\uFFFD"},
                 {"\\u0?a\\u7?b", "ab"}},
                true);
    // Symbols and named punctuation. One space after a word is its delimiter, a second one is
    // text; a '-' not followed by a digit is text, not a sign; a word ends at the first
    // non-letter, which is not consumed.
    ExpectShown({{"a\\~b\\-c\\_d", "a\u00A0bc\u2011d"},
                 {"\\{\\}\\\\", "{}\\"},
                 {"\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote", "—–•‘’“”"},
                 {"\\b  x", " x"},
                 {"a\\foo123 b\\unknownword c\\x-5d", "abcd"},
                 {"\\fs- x", "- x"},
                 {"\\b;x", ";x"}},
                true);
    // Other code pages; an unknown one is read as 1252.
    ExpectShown({{"{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8\\'b9}", "ščą"},
                 {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", "При"},
                 {"{\\rtf1\\ansi\\ansicpg932 \\'e9}", "é"}},
                false);
}

// ---- destinations and binary data

TEST(RtfDestinations, IgnorableAndKnownDestinationsAreSkipped) {
    EXPECT_EQ(Body("avant{\\*\\inconnu secret {imbrique} \\'e9}apres"), "avantapres");
    std::istringstream names(
        "stylesheet info pict object header headerl headerr headerf footer footerl footerr "
        "footerf footnote fldinst themedata colorschememapping datastore latentstyles listtable "
        "listoverridetable rsidtbl generator xmlnstbl mmathPr annotation pn");
    for (std::string name; names >> name;)
        EXPECT_EQ(Body("a{\\" + name + " cache {\\b x}\\par y}b\\par c"), "ab\nc") << name;
}

TEST(RtfDestinations, FieldResultsAndListTextAreShownBinaryDataIsSteppedOver) {
    ExpectShown(
        {{"voir {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt la page}} ici",
          "voir la page ici"},
         {"{\\*\\fldrslt r}", "r"},
         {"{\\info{\\fldrslt cache}}v", "v"},  // a skipped group stays skipped
         {"{\\listtext\\'b7\\tab}point", "·\tpoint"},
         {"a{\\pict\\bin6 {{{}}\\}b", "ab"},
         {"a\\bin3 xyzb", "ab"},
         {"a\\bin-5 b", "ab"},
         {"a\\bin0 b", "ab"},
         {"\\u233\\bin2 xyz", "éz"},  // counts as the fallback character
         // Text after a skipped destination survives garbage inside it.
         {"{\\*\\x \\bin2 }}}{\\pict\\'\\u\\\\}suite", "suite"},
         {"{\\stylesheet{\\s1 \\'" + Repeat("{", 1000) + Repeat("}", 1002) + "apres", "apres"}},
        true);
    ExpectShown({{"{\\rtf1 a\\bin100 xyz}", "a"}, {"{\\rtf1 a\\bin99999999999999999999 xyz}", "a"}},
                false);
}

// ---- hostile input

TEST(RtfHostile, DeepNestingThenTextAndFormattingComesBack) {
    const Document doc =
        ReadDocument("{\\rtf1 " + Repeat("{\\b ", 5000) + "profond" + Repeat("}", 5000) +
                     " apres{\\i" + Repeat("{", 900) + "\\b0 x" + Repeat("}", 900) + " italique}");
    EXPECT_EQ(Runs(doc), "profond/b| apres/|x italique/i");
}

TEST(RtfHostile, HugeAndNegativeNumbersAreClamped) {
    const Document doc = ReadDocument(
        "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
        "\\fs99999999999999999999 enorme \\fs-5 minuscule \\fs0 zero\\par"
        "\\li99999999999\\ri-99999999999\\fi-2147483648\\sb-7\\sa4294967296 p\\par"
        "\\f0\\f-99999999999\\f99999999999\\cf1\\cf99999999999\\cf-1 couleur\\u99999999999?"
        "\\uc99999999999\\u233 abc}d}");
    EXPECT_EQ(RunWith(doc, "enorme").halfPoints, 3276);
    EXPECT_EQ(RunWith(doc, "minuscule").halfPoints, 2);
    EXPECT_EQ(RunWith(doc, "zero").halfPoints, 2);
    EXPECT_EQ(doc[1].format, (ParagraphFormat{Alignment::Left, 31680, -31680, -31680, 0, 31680}));
    EXPECT_EQ(RunWith(doc, "couleur").font, "Arial");
    EXPECT_EQ(RunWith(doc, "couleur").foreground, (Color{1, 2, 3}));
    EXPECT_EQ(richtext::PlainText(doc), "enorme minuscule zero\np\ncouleur\uFFFD\u00E9d");
}

TEST(RtfHostile, TruncatedOrUnbalancedInputShowsWhatWasRead) {
    const std::string braces(1'000'000, '{'), closing(1'000'000, '}');
    ExpectShown({{"{\\rtf1 abc\\pa", "abc"},
                 {"{\\rtf1 abc\\", "abc"},
                 {"{\\rtf1 abc\\'", "abc"},
                 {"{\\rtf1 abc\\'e", "abc"},  // one digit: a control character, dropped
                 {"{\\rtf1 abc\\'4", "abc"},
                 {"{\\rtf1 abc\\u", "abc"},
                 {"{\\rtf1 abc\\u-", "abc"},  // the '-' is the fallback
                 {"{\\rtf1 abc\\u233", "abcé"},
                 {"{\\rtf1 abc\\fs9999999999999999999", "abc"},
                 {"{\\rtf1{\\fonttbl{\\f0 Ari", ""},
                 {"{\\rtf1{\\colortbl;\\red2", ""},
                 {"{\\rtf", ""},
                 {"{\\rtf1 a{\\b b", "ab"},
                 {"{\\rtf1 a\0b\\'00c}\0\0"s, "abc"},
                 {"{\\rtf1 {\\b a}} suite}}}", "a suite"},
                 // A million opening or closing braces.
                 {"{\\rtf1 " + braces + "fin", "fin"},
                 {"{\\rtf1 a" + closing + "b", "ab"},
                 {"{\\rtf1 " + braces + "x" + closing, "x"}},
                false);
}

TEST(RtfHostile, ATwoMegabyteDocument) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}";
    const std::string chunk = "{\\b gras}\\cf1 rouge \\'e9t\\'e9 \\u8364? {\\*\\x y}\\par\n";
    const int paragraphs = 2'000'000 / static_cast<int>(chunk.size()) + 1;
    const Document doc = ReadDocument(rtf + Repeat(chunk, paragraphs) + "}");
    ASSERT_EQ(doc.size(), static_cast<std::size_t>(paragraphs));
    EXPECT_EQ(Runs(doc).substr(Runs(doc).rfind('\n') + 1), "gras/b|rouge été € /");
}

// Bytes drawn mostly from RTF's own syntax, so that the reader meets every state; whatever they
// are, the document keeps every rule the fuzzer checks.
TEST(RtfHostile, RandomBytesGiveASoundDocument) {
    static const std::string_view kPieces[] = {
        "{",    "}",         "\\",         "\\'",    "\\u",  "\\uc",  "\\bin", "\\*",  "\\par",
        "\\b",  "\\fonttbl", "\\colortbl", "\\f",    "\\cf", "\\red", ";",     "-",    "9",
        "0",    "e9",        " ",          "\r\n",   "a",    "é",     "\xE9",  "\xFF", "\0"sv,
        "\\fs", "\\pict",    "\\fldrslt",  "\\line", "\\~",  "\\uc0", "\\v"};
    std::mt19937 random(20240611);
    for (int i = 0; i < 3000; ++i) {
        std::string input = i % 4 != 0 ? "{\\rtf1 " : "";
        for (int n = static_cast<int>(random() % 201); n > 0; --n) {
            if (random() % 10 == 0)
                input.push_back(static_cast<char>(random() & 0xFF));
            else
                input.append(kPieces[random() % std::size(kPieces)]);
        }
        ASSERT_EQ(fuzzchecks::DocumentProblem(ReadDocument(input), input.size()), "")
            << "input #" << i;
    }
}

// ---- the five commentary documents

struct Commentary {
    const char* file;
    const char* subject;  // a phrase of its own lesson, to catch a mixed-up file
};

void PrintTo(const Commentary& c, std::ostream* os) {
    *os << c.file;
}

int WordCount(const std::string& text) {
    std::istringstream words(text);
    return static_cast<int>(std::distance(std::istream_iterator<std::string>(words),
                                          std::istream_iterator<std::string>()));
}

class CommentaryDocument : public testing::TestWithParam<Commentary> {
  protected:
    void SetUp() override {
        std::ifstream file(DataDir() / GetParam().file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), {});
        ASSERT_FALSE(bytes.empty()) << GetParam().file;
        doc = ReadDocument(bytes);
    }
    std::string bytes;
    Document doc;
};

TEST_P(CommentaryDocument, IsFrenchRtfWithATitleAndNoLeakedMarkup) {
    EXPECT_TRUE(bytes.starts_with("{\\rtf1\\ansi\\ansicpg1252"));
    // Classic 7-bit RTF: every accent is escaped.
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_EQ(fuzzchecks::DocumentProblem(doc, bytes.size()), "");
    const std::string text = richtext::PlainText(doc);
    EXPECT_EQ(text.find_first_of("\\{}"), std::string::npos);
    EXPECT_EQ(text.find("\uFFFD"), std::string::npos);
    for (const char* phrase : {"é", " la ", GetParam().subject})
        EXPECT_NE(text.find(phrase), std::string::npos) << phrase;
    EXPECT_GE(WordCount(text), 150);
    EXPECT_LE(WordCount(text), 400);

    // A title: the first paragraph, short, bold and coloured, larger than the body text.
    ASSERT_GE(doc.size(), 4u);
    const auto title = doc[0].runs, body = doc[doc.size() - 1].runs;
    ASSERT_FALSE(title.empty() || body.empty());
    EXPECT_LE(WordCount(richtext::PlainText(doc[0])), 8);
    for (const auto& run : title)
        EXPECT_TRUE(run.format.bold && run.format.foreground.has_value()) << run.text;
    EXPECT_GT(title[0].format.halfPoints, body[0].format.halfPoints);
    for (std::size_t i = 0; i < doc.size(); ++i)
        for (const auto& r : doc[i].runs)
            EXPECT_TRUE(r.format.font == "Arial" || r.format.font == "Times New Roman")
                << r.format.font << " in \"" << r.text << "\"";
}

TEST_P(CommentaryDocument, AnyTruncationStillShowsTheTextReadSoFar) {
    const std::string full = richtext::PlainText(doc), title = richtext::PlainText(doc[0]);
    // The end of the title: the first \par word (not \pard).
    std::size_t titleEnd = bytes.find("\\par");
    while (titleEnd != std::string::npos &&
           std::isalpha(static_cast<unsigned char>(bytes[titleEnd + 4])))
        titleEnd = bytes.find("\\par", titleEnd + 1);
    ASSERT_NE(titleEnd, std::string::npos);
    for (std::size_t cut = 0; cut < bytes.size(); cut += 3) {
        const Document part = ReadDocument(std::string_view(bytes).substr(0, cut));
        const std::string text = richtext::PlainText(part);
        ASSERT_EQ(fuzzchecks::DocumentProblem(part, cut), "") << "cut at " << cut;
        ASSERT_TRUE(cut <= titleEnd || text.starts_with(title)) << "cut at " << cut;
        ASSERT_LE(text.size(), full.size() + 4) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, CommentaryDocument,
                         testing::Values(Commentary{"komm1.rtf", "gain faible"},
                                         Commentary{"komm2.rtf", "D%"},
                                         Commentary{"komm3.rtf", "cycle limite"},
                                         Commentary{"komm4.rtf", "erreur de vitesse"},
                                         Commentary{"komm5.rtf", "zone morte"}),
                         [](const testing::TestParamInfo<Commentary>& param) {
                             return std::string(param.param.file).substr(0, 5);
                         });

}  // namespace

// The RTF reader: what text and formats it finds, and that no input can hurt it.
#include <gtest/gtest.h>

#include "support/data_dir.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "richtext/encoding.h"
#include "richtext/rtf.h"

namespace {

using richtext::Alignment;
using richtext::CharFormat;
using richtext::Color;
using richtext::Document;
using richtext::Paragraph;
using richtext::ReadDocument;
using richtext::Run;

using namespace std::string_literals;

std::string TextOf(std::string_view bytes) {
    return richtext::PlainText(ReadDocument(bytes));
}

// The text of an RTF body, wrapped in a minimal document.
std::string Body(std::string_view body) {
    return TextOf("{\\rtf1\\ansi " + std::string(body) + "}");
}

std::vector<Paragraph> Paragraphs(const Document& doc) {
    std::vector<Paragraph> all;
    for (std::size_t i = 0; i < doc.size(); ++i)
        all.push_back(doc[i]);
    return all;
}

// The format of the run that holds the given text (the test fails if there is none).
CharFormat RunWith(const Document& doc, std::string_view text) {
    for (const auto& p : Paragraphs(doc)) {
        for (const auto& r : p.runs) {
            if (r.text.find(text) != std::string::npos) return r.format;
        }
    }
    ADD_FAILURE() << "no run holds \"" << text << "\"";
    return {};
}

// No byte sequence that RTF or a control character could have left behind.
void ExpectCleanText(const std::string& text) {
    EXPECT_TRUE(richtext::IsValidUtf8(text));
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u >= 0x20 || c == '\t' || c == '\n') << "control byte " << int(u);
    }
}

// An input and the text the reader shows for it.
struct Shown {
    std::string input;
    std::string text;
};

// Each input shows its text; with `wrap`, the inputs are bodies of a minimal RTF document.
void ExpectShown(const std::vector<Shown>& cases, bool wrap) {
    for (const Shown& c : cases)
        EXPECT_EQ(wrap ? Body(c.input) : TextOf(c.input), c.text) << "input: " << c.input;
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
                 {"\xEF\xBB\xBF"
                  "Étape à 10 V",
                  "Étape à 10 V"},
                 {"caf\xE9 \x80 \x9C", "café € œ"},
                 // An overlong form and a lone surrogate are not UTF-8: the whole file is 1252.
                 {"\xC0\xAF"
                  "é",
                  "À¯Ã©"},
                 {"\xED\xA0\x80", "í\xC2\xA0€"},
                 // Holes of the code page become U+FFFD rather than control characters.
                 {"a\x81z", "a\xEF\xBF\xBDz"},
                 // Control characters are dropped, tabs kept.
                 {"a\0b\x01"
                  "c\td\x1B"s,
                  "abc\td"}},
                false);
    const Document doc = ReadDocument("Réponse indicielle");
    ASSERT_EQ(doc.size(), 1u);
    // Plain text takes the panel's own font.
    EXPECT_EQ(doc[0].runs[0].format.halfPoints, 0);
    EXPECT_EQ(doc[0].runs[0].format.font, "");
    EXPECT_FALSE(doc[0].runs[0].format.bold);
}

TEST(RtfPlainText, EveryKindOfLineEndStartsAParagraph) {
    const Document doc = ReadDocument("un\r\ndeux\rtrois\nquatre\n\ncinq\n");
    ASSERT_EQ(doc.size(), 6u);
    EXPECT_EQ(richtext::PlainText(doc), "un\ndeux\ntrois\nquatre\n\ncinq");
    EXPECT_TRUE(doc[4].runs.empty());
    EXPECT_EQ(doc[4].mark.halfPoints, 0);
}

TEST(RtfPlainText, EmptyInputHasNoParagraph) {
    EXPECT_TRUE(ReadDocument("").empty());
    EXPECT_TRUE(ReadDocument("\xEF\xBB\xBF").empty());
    EXPECT_TRUE(ReadDocument("{\\rtf1}").empty());
}

// ---- character formatting and groups

TEST(RtfFormatting, GroupsSaveAndRestoreTheCharacterFormat) {
    const Document doc = ReadDocument("{\\rtf1 a{\\b b{\\i c}d}e\\b f\\b0 g}");
    EXPECT_EQ(richtext::PlainText(doc), "abcdefg");
    const auto& runs = doc[0].runs;
    ASSERT_EQ(runs.size(), 7u);
    EXPECT_EQ(runs[0].text, "a");
    EXPECT_FALSE(runs[0].format.bold);
    EXPECT_EQ(runs[1].text, "b");
    EXPECT_TRUE(runs[1].format.bold);
    EXPECT_FALSE(runs[1].format.italic);
    EXPECT_EQ(runs[2].text, "c");
    EXPECT_TRUE(runs[2].format.bold && runs[2].format.italic);
    EXPECT_EQ(runs[3].text, "d");
    EXPECT_TRUE(runs[3].format.bold && !runs[3].format.italic);
    EXPECT_EQ(runs[4].text, "e");
    EXPECT_FALSE(runs[4].format.bold);
    EXPECT_EQ(runs[5].text, "f");
    EXPECT_TRUE(runs[5].format.bold);
    EXPECT_FALSE(RunWith(doc, "g").bold);
}

TEST(RtfFormatting, SwitchesWithZeroTurnOff) {
    const Document doc =
        ReadDocument("{\\rtf1 \\ul u\\ulnone n\\ul1 v\\ul0 w\\strike s\\strike0 t\\i i\\i0 j}");
    EXPECT_TRUE(RunWith(doc, "u").underline);
    EXPECT_FALSE(RunWith(doc, "n").underline);
    EXPECT_TRUE(RunWith(doc, "v").underline);
    EXPECT_FALSE(RunWith(doc, "w").underline);
    EXPECT_TRUE(RunWith(doc, "s").strike);
    EXPECT_FALSE(RunWith(doc, "t").strike);
    EXPECT_TRUE(RunWith(doc, "i").italic);
    EXPECT_FALSE(RunWith(doc, "j").italic);
}

TEST(RtfFormatting, PlainResetsAndSizesAreInHalfPoints) {
    const Document doc = ReadDocument(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\fs16\\b\\i\\ul\\cf1 petit\\plain normal"
        "{\\fs40 grand}\\fs retour}");
    const auto& small = RunWith(doc, "petit");
    EXPECT_EQ(small.halfPoints, 16);
    EXPECT_TRUE(small.bold && small.italic && small.underline);
    EXPECT_EQ(small.foreground, (Color{255, 0, 0}));
    const auto& normal = RunWith(doc, "normal");
    EXPECT_EQ(normal, richtext::CharFormat{});
    EXPECT_EQ(RunWith(doc, "grand").halfPoints, 40);
    EXPECT_EQ(RunWith(doc, "retour").halfPoints, 24);
}

TEST(RtfFormatting, RunsAreCutOnlyWhereTheFormatChanges) {
    const Document doc = ReadDocument("{\\rtf1 {a}{b}\\b\\b0 c{\\i}d\\b\\b0\\b0 e}");
    ASSERT_EQ(doc.size(), 1u);
    ASSERT_EQ(doc[0].runs.size(), 1u);
    EXPECT_EQ(doc[0].runs[0].text, "abcde");
}

TEST(RtfFormatting, ParagraphLineAndTab) {
    const Document doc = ReadDocument("{\\rtf1 un\\line deux\\tab trois\\par\\par quatre\\par}");
    ASSERT_EQ(doc.size(), 3u);  // the last \par closes "quatre", no empty extra one
    EXPECT_EQ(richtext::PlainText(doc), "un\u2028deux\ttrois\n\nquatre");
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
}

TEST(RtfTables, NoFontTableMeansThePanelFont) {
    EXPECT_EQ(ReadDocument("{\\rtf1\\deff0\\f0 x}")[0].runs.at(0).format.font, "");
}

TEST(RtfTables, ColourTableWithAutoAtIndexZero) {
    const Document doc = ReadDocument(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;\\red999\\blue-4;}"
        "\\cf1 rouge\\cf2\\cb1 bleu\\cf0\\cb0 auto\\cf1\\cf7 horsTable"
        "{\\highlight3 surligne}\\cf3 blanc}");
    EXPECT_EQ(RunWith(doc, "rouge").foreground, (Color{255, 0, 0}));
    EXPECT_FALSE(RunWith(doc, "rouge").background.has_value());
    EXPECT_EQ(RunWith(doc, "bleu").foreground, (Color{0, 0, 128}));
    EXPECT_EQ(RunWith(doc, "bleu").background, (Color{255, 0, 0}));
    EXPECT_FALSE(RunWith(doc, "auto").foreground.has_value());
    EXPECT_FALSE(RunWith(doc, "auto").background.has_value());
    EXPECT_EQ(RunWith(doc, "horsTable").foreground, (Color{255, 0, 0}));
    EXPECT_EQ(RunWith(doc, "surligne").background, (Color{255, 0, 0}));
    EXPECT_EQ(RunWith(doc, "blanc").foreground, (Color{255, 0, 0}));  // components clamped
}

TEST(RtfTables, ColourZeroIsAutoEvenWithoutATable) {
    const Document doc = ReadDocument("{\\rtf1 \\cf0 a\\cf1 b}");
    EXPECT_FALSE(RunWith(doc, "a").foreground.has_value());
    EXPECT_FALSE(RunWith(doc, "b").foreground.has_value());
}

// ---- paragraph properties

TEST(RtfParagraphs, AlignmentAndIndentsInTwips) {
    const Document doc = ReadDocument(
        "{\\rtf1 \\qc centre\\par \\qr droite\\par \\qj justifie\\par "
        "\\pard\\li720\\ri360\\fi-200\\sb120\\sa60 retrait\\par \\pard normal\\par}");
    ASSERT_EQ(doc.size(), 5u);
    EXPECT_EQ(doc[0].format.alignment, Alignment::Center);
    EXPECT_EQ(doc[1].format.alignment, Alignment::Right);
    EXPECT_EQ(doc[2].format.alignment, Alignment::Justify);
    const auto& indented = doc[3].format;
    EXPECT_EQ(indented.alignment, Alignment::Left);  // \pard
    EXPECT_EQ(indented.leftIndent, 720);
    EXPECT_EQ(indented.rightIndent, 360);
    EXPECT_EQ(indented.firstLineIndent, -200);
    EXPECT_EQ(indented.spaceBefore, 120);
    EXPECT_EQ(indented.spaceAfter, 60);
    EXPECT_EQ(doc[4].format, richtext::ParagraphFormat{});
}

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

TEST(RtfParagraphs, AnEmptyParagraphKeepsTheFormatOfItsMark) {
    const Document doc = ReadDocument("{\\rtf1 \\fs40\\par\\fs16 x\\par}");
    ASSERT_EQ(doc.size(), 2u);
    EXPECT_TRUE(doc[0].runs.empty());
    EXPECT_EQ(doc[0].mark.halfPoints, 40);
    EXPECT_EQ(doc[1].mark.halfPoints, 16);
}

// ---- escapes, code pages and Unicode

TEST(RtfEscapes, HexUnicodeSymbolsAndControlWords) {
    ExpectShown(
        {// Hex escapes and raw 8-bit bytes follow the code page.
         {"\\'e9\\'e8\\'e0\\'e7\\'ea\\'80\\'9c\\'b0", "éèàçê€œ°"},
         {"caf\xE9", "café"},
         {"\\'E9\\'zz", "ézz"},  // not hex: the escape is dropped, not the text
                                 // Unicode with its fallback characters.
         {"\\u233?t\\'e9", "été"},
         {"\\uc0\\u233 e", "ée"},
         {"\\uc2\\u8364\\'80\\'80x", "€x"},
         {"\\uc2\\u8364\\emdash Ex", "€x"},  // a control word is one character
         {"{\\uc3\\u233?}x", "éx"},          // a group end stops the skipping
         {"{\\uc2 a}\\u233?b", "aéb"},       // \uc is restored with the group
         {"\\u-1279?", "\uFB01"},            // signed 16-bit value
         {"\\u8217\\'92", "\u2019"},
         // Surrogate pairs, and code points that are not characters.
         {"\\u-10179?\\u-8704?", "\U0001F600"},
         {"\\u55357?\\u56832?", "\U0001F600"},
         {"\\u-10179?x", "\uFFFDx"},
         {"\\u-8704?", "\uFFFD"},
         {"\\u-10179?\\u-10179?\\u-8704?", "\uFFFD\U0001F600"},
         {"\\u-10179?", "\uFFFD"},  // at the end of the document
         {"\\u-40000?", "\uFFFD"},
         {"\\u1114112?", "\uFFFD"},
         {"\\u0?a\\u7?b", "ab"},  // NUL and controls are not text
                                  // Symbols and named punctuation.
         {"a\\~b\\-c\\_d", "a\u00A0bc\u2011d"},
         {"\\{\\}\\\\", "{}\\"},
         {"\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote", "—–•‘’“”"},
         // One space after a word is its delimiter; a second one is text.
         {"\\b  x", " x"},
         {"a\\foo123 b\\unknownword c\\x-5d", "abcd"},
         {"\\fs- x", "- x"},  // a '-' not followed by a digit is text, not a sign
         {"\\b;x", ";x"}},    // a word ends at the first non-letter, not consumed
        true);
    // Other code pages.
    ExpectShown({{"{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8\\'b9}", "ščą"},
                 {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", "При"},
                 {"{\\rtf1\\ansi\\ansicpg932 \\'e9}", "é"}},  // unknown: read as 1252
                false);
}

// ---- destinations and binary data

TEST(RtfDestinations, IgnorableAndKnownDestinationsAreSkipped) {
    EXPECT_EQ(Body("avant{\\*\\inconnu secret {imbrique} \\'e9}apres"), "avantapres");
    for (const char* name : {"stylesheet", "info",
                             "pict",       "object",
                             "header",     "headerl",
                             "headerr",    "headerf",
                             "footer",     "footerl",
                             "footerr",    "footerf",
                             "footnote",   "fldinst",
                             "themedata",  "colorschememapping",
                             "datastore",  "latentstyles",
                             "listtable",  "listoverridetable",
                             "rsidtbl",    "generator",
                             "xmlnstbl",   "mmathPr",
                             "annotation", "pn"}) {
        EXPECT_EQ(Body("a{\\"s + name + " cache {\\b x}\\par y}b\\par c"), "ab\nc") << name;
    }
}

TEST(RtfDestinations, FieldResultsAndListTextAreShownBinaryDataIsSteppedOver) {
    ExpectShown({{"voir {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt la page}} ici",
                  "voir la page ici"},
                 {"{\\*\\fldrslt r}", "r"},
                 {"{\\info{\\fldrslt cache}}v", "v"},  // a skipped group stays skipped
                 {"{\\listtext\\'b7\\tab}point", "·\tpoint"},
                 {"a{\\pict\\bin6 {{{}}\\}b", "ab"},
                 {"a\\bin3 xyzb", "ab"},
                 {"a\\bin-5 b", "ab"},
                 {"a\\bin0 b", "ab"},
                 {"\\u233\\bin2 xyz", "éz"}},  // counts as the fallback character
                true);
    ExpectShown({{"{\\rtf1 a\\bin100 xyz}", "a"}, {"{\\rtf1 a\\bin99999999999999999999 xyz}", "a"}},
                false);
}

// ---- hostile input

TEST(RtfHostile, DeepNestingThenTextAndFormattingComesBack) {
    std::string rtf = "{\\rtf1 ";
    for (int i = 0; i < 5000; ++i)
        rtf += "{\\b ";
    rtf += "profond";
    for (int i = 0; i < 5000; ++i)
        rtf += "}";
    rtf += " apres{\\i";
    for (int i = 0; i < 900; ++i)
        rtf += "{";
    rtf += "\\b0 x";
    for (int i = 0; i < 900; ++i)
        rtf += "}";
    rtf += " italique}";
    const Document doc = ReadDocument(rtf);
    EXPECT_EQ(richtext::PlainText(doc), "profond apresx italique");
    EXPECT_TRUE(RunWith(doc, "profond").bold);
    EXPECT_FALSE(RunWith(doc, "apres").bold);
    EXPECT_TRUE(RunWith(doc, "italique").italic);
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
    const auto& p = doc[1].format;
    EXPECT_EQ(p.leftIndent, 31680);
    EXPECT_EQ(p.rightIndent, -31680);
    EXPECT_EQ(p.firstLineIndent, -31680);
    EXPECT_EQ(p.spaceBefore, 0);
    EXPECT_EQ(p.spaceAfter, 31680);
    const auto& c = RunWith(doc, "couleur");
    EXPECT_EQ(c.font, "Arial");
    EXPECT_EQ(c.foreground, (Color{1, 2, 3}));
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
    int paragraphs = 0;
    while (rtf.size() < 2'000'000) {
        rtf += chunk;
        ++paragraphs;
    }
    rtf += "}";
    const Document doc = ReadDocument(rtf);
    ASSERT_EQ(doc.size(), static_cast<std::size_t>(paragraphs));
    EXPECT_EQ(richtext::PlainText(doc[doc.size() - 1]), "grasrouge été € ");
    EXPECT_EQ(doc[doc.size() - 1].runs.size(), 2u);
}

// Bytes drawn mostly from RTF's own syntax, so that the reader meets every state.
std::string RandomInput(std::mt19937& random, bool rtfPrefix) {
    static const std::string_view kPieces[] = {"{",      "}",         "\\",
                                               "\\'",    "\\u",       "\\uc",
                                               "\\bin",  "\\*",       "\\par",
                                               "\\b",    "\\fonttbl", "\\colortbl",
                                               "\\f",    "\\cf",      "\\red",
                                               ";",      "-",         "9",
                                               "0",      "e9",        " ",
                                               "\r\n",   "a",         "é",
                                               "\xE9",   "\xFF",      std::string_view("\0", 1),
                                               "\\fs",   "\\pict",    "\\fldrslt",
                                               "\\line", "\\~",       "\\uc0",
                                               "\\v"};
    std::string out = rtfPrefix ? "{\\rtf1 " : "";
    const int pieces = std::uniform_int_distribution<int>(0, 200)(random);
    for (int i = 0; i < pieces; ++i) {
        if (std::uniform_int_distribution<int>(0, 9)(random) == 0) {
            out.push_back(static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random)));
        } else {
            const auto& piece = kPieces[std::uniform_int_distribution<std::size_t>(
                0, std::size(kPieces) - 1)(random)];
            out.append(piece);
        }
    }
    return out;
}

TEST(RtfHostile, RandomBytesGiveCleanText) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 3000; ++i) {
        const std::string input = RandomInput(random, i % 4 != 0);
        const Document doc = ReadDocument(input);
        const std::string text = richtext::PlainText(doc);
        SCOPED_TRACE(testing::Message() << "input #" << i);
        ExpectCleanText(text);
        EXPECT_LE(text.size(), 3 * input.size());
        for (const auto& p : Paragraphs(doc)) {
            for (const auto& r : p.runs) {
                EXPECT_FALSE(r.text.empty());
                EXPECT_GE(r.format.halfPoints, 0);
                EXPECT_LE(r.format.halfPoints, 3276);
            }
        }
        if (HasFailure()) break;
    }
}

TEST(RtfHostile, TextAfterASkippedDestinationSurvivesGarbage) {
    ExpectShown(
        {{"{\\*\\x \\bin2 }}}{\\pict\\'\\u\\\\}suite", "suite"},
         {"{\\stylesheet{\\s1 \\'" + std::string(1000, '{') + std::string(1002, '}') + "apres",
          "apres"}},
        true);
}

// ---- the five commentary documents

std::string ReadDataFile(const std::string& name) {
    std::ifstream file(DataDir() / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

int WordCount(const std::string& text) {
    std::istringstream words(text);
    int count = 0;
    for (std::string word; words >> word;)
        ++count;
    return count;
}

struct Commentary {
    const char* file;
    const char* subject;  // a phrase of its own lesson, to catch a mixed-up file
};

void PrintTo(const Commentary& c, std::ostream* os) {
    *os << c.file;
}

class CommentaryDocument : public testing::TestWithParam<Commentary> {};

TEST_P(CommentaryDocument, IsFrenchRtfWithATitleAndNoLeakedMarkup) {
    const std::string bytes = ReadDataFile(GetParam().file);
    ASSERT_FALSE(bytes.empty()) << GetParam().file;
    EXPECT_TRUE(bytes.starts_with("{\\rtf1\\ansi\\ansicpg1252"));
    // Classic 7-bit RTF: every accent is escaped.
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));

    const Document doc = ReadDocument(bytes);
    const std::string text = richtext::PlainText(doc);
    ExpectCleanText(text);
    EXPECT_EQ(text.find('\\'), std::string::npos);
    EXPECT_EQ(text.find('{'), std::string::npos);
    EXPECT_EQ(text.find('}'), std::string::npos);
    EXPECT_EQ(text.find("\uFFFD"), std::string::npos);
    EXPECT_NE(text.find("é"), std::string::npos);
    EXPECT_NE(text.find(" la "), std::string::npos);
    EXPECT_NE(text.find(GetParam().subject), std::string::npos) << GetParam().subject;
    const int words = WordCount(text);
    EXPECT_GE(words, 150);
    EXPECT_LE(words, 400);

    // A title: the first paragraph, short, bold and coloured, larger than the body text.
    ASSERT_GE(doc.size(), 4u);
    const auto& title = doc[0];
    ASSERT_FALSE(title.runs.empty());
    EXPECT_LE(WordCount(richtext::PlainText(title)), 8);
    for (const auto& run : title.runs) {
        EXPECT_TRUE(run.format.bold);
        EXPECT_TRUE(run.format.foreground.has_value());
    }
    const auto body = doc[doc.size() - 1].runs;
    ASSERT_FALSE(body.empty());
    EXPECT_GT(title.runs[0].format.halfPoints, body[0].format.halfPoints);
    for (const auto& p : Paragraphs(doc)) {
        for (const auto& r : p.runs) {
            EXPECT_TRUE(r.format.font == "Arial" || r.format.font == "Times New Roman")
                << r.format.font << " in \"" << r.text << "\"";
        }
    }
}

TEST_P(CommentaryDocument, AnyTruncationStillShowsTheTextReadSoFar) {
    const std::string bytes = ReadDataFile(GetParam().file);
    const Document doc = ReadDocument(bytes);
    ASSERT_FALSE(doc.empty());
    const std::string full = richtext::PlainText(doc);
    const std::string title = richtext::PlainText(doc[0]);
    // The end of the title: the first \par word (not \pard).
    std::size_t titleEnd = bytes.find("\\par");
    while (titleEnd != std::string::npos &&
           std::isalpha(static_cast<unsigned char>(bytes[titleEnd + 4])))
        titleEnd = bytes.find("\\par", titleEnd + 1);
    ASSERT_NE(titleEnd, std::string::npos);
    for (std::size_t cut = 0; cut < bytes.size(); cut += 3) {
        const std::string text = richtext::PlainText(ReadDocument(bytes.substr(0, cut)));
        ExpectCleanText(text);
        if (cut > titleEnd) {
            EXPECT_TRUE(text.starts_with(title)) << "cut at " << cut;
        }
        EXPECT_LE(text.size(), full.size() + 4);
        if (HasFailure()) break;
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

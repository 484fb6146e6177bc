// Rendering into Qt's rich text: what a QTextDocument holds after a load; and every input the
// fuzzer ever flagged (fuzz/regressions/), with its seed corpus, read and shown soundly. (The
// fuzzer leaves the rendering out, having no GUI application; here it runs too, and in the
// sanitizer build under AddressSanitizer and UBSan.)
#include <gtest/gtest.h>

#include "support/data_dir.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../fuzz/document_checks.h"
#include "app/table.h"
#include "richtext/rtf.h"
#include "support/window_fixture.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void Render(std::string_view rtf, QTextDocument& out) {
    richtext::RenderInto(richtext::ReadDocument(rtf), out);
}

// The character format of the fragment that holds the text (the test fails if none does).
QTextCharFormat FormatOf(const QTextDocument& doc, const QString& text) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().text().contains(text)) return it.fragment().charFormat();
    ADD_FAILURE() << "no fragment holds \"" << text.toStdString() << "\"";
    return {};
}

QStringList BlockTexts(const QTextDocument& doc) {
    QStringList texts;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        texts << block.text();
    return texts;
}

Qt::Alignment Horizontal(const QTextBlock& block) {
    return block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

TEST(RtfRender, CharacterFormatsLandOnTheRightText) {
    QTextDocument doc;
    Render(
        "{\\rtf1\\ansi{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue128;}"
        "normal {\\b gras} {\\i italique} {\\ul souligne} {\\strike barre} "
        "{\\cf1 rouge} {\\cb2 fond} {\\fs16 petit}}",
        doc);
    EXPECT_EQ(doc.toPlainText(), "normal gras italique souligne barre rouge fond petit");

    const QTextCharFormat normal = FormatOf(doc, "normal");
    EXPECT_EQ(normal.fontWeight(), QFont::Normal);
    EXPECT_FALSE(normal.fontItalic() || normal.fontUnderline() || normal.fontStrikeOut());
    EXPECT_DOUBLE_EQ(normal.fontPointSize(), 12.0);
    EXPECT_FALSE(normal.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(normal.hasProperty(QTextFormat::BackgroundBrush));

    EXPECT_EQ(FormatOf(doc, "gras").fontWeight(), QFont::Bold);
    EXPECT_FALSE(FormatOf(doc, "gras").fontItalic());
    EXPECT_TRUE(FormatOf(doc, "italique").fontItalic());
    EXPECT_EQ(FormatOf(doc, "italique").fontWeight(), QFont::Normal);
    EXPECT_TRUE(FormatOf(doc, "souligne").fontUnderline());
    EXPECT_TRUE(FormatOf(doc, "barre").fontStrikeOut());
    EXPECT_EQ(FormatOf(doc, "rouge").foreground().color(), QColor(200, 0, 0));
    EXPECT_EQ(FormatOf(doc, "fond").background().color(), QColor(0, 0, 128));
    EXPECT_FALSE(FormatOf(doc, "fond").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_DOUBLE_EQ(FormatOf(doc, "petit").fontPointSize(), 8.0);
}

TEST(RtfRender, WindowsFontsBecomeTheInstalledEquivalents) {
    QTextDocument doc;
    Render(
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}{\\f2 Courier New;}{\\f3 Symbol;}"
        "{\\f4 MS Sans Serif;}{\\f5 Verdana;}{\\f6 arial;}}"
        "\\f0 a0 \\f1 a1 \\f2 a2 \\f3 a3 \\f4 a4 \\f5 a5 \\f6 a6}",
        doc);
    const char* installed[] = {"Liberation Sans",     "Liberation Serif", "Liberation Mono",
                               "Standard Symbols PS", "Liberation Sans",  "Verdana",
                               "Liberation Sans"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(FormatOf(doc, QString("a%1").arg(i)).fontFamilies().toStringList(),
                  QStringList{installed[i]})
            << "font " << i;
}

TEST(RtfRender, ParagraphsBecomeBlocksWithTheirAlignmentAndMargins) {
    QTextDocument doc;
    Render(
        "{\\rtf1 \\qc Titre\\par\\pard\\qj\\li1440\\ri720\\fi-360\\sb240\\sa120 corps"
        "\\line suite\\tab x\\par\\pard\\qr fin\\par}",
        doc);
    EXPECT_EQ(BlockTexts(doc),
              (QStringList{"Titre", QString("corps") + QChar(0x2028) + "suite\tx", "fin"}));
    EXPECT_EQ(Horizontal(doc.begin()), Qt::AlignHCenter);
    const QTextBlockFormat body = doc.begin().next().blockFormat();
    EXPECT_EQ(Horizontal(doc.begin().next()), Qt::AlignJustify);
    // 1440 twips are an inch, 96 pixels.
    EXPECT_DOUBLE_EQ(body.leftMargin(), 96.0);
    EXPECT_DOUBLE_EQ(body.rightMargin(), 48.0);
    EXPECT_DOUBLE_EQ(body.textIndent(), -24.0);
    EXPECT_DOUBLE_EQ(body.topMargin(), 16.0);
    EXPECT_DOUBLE_EQ(body.bottomMargin(), 8.0);
    EXPECT_EQ(Horizontal(doc.lastBlock()), Qt::AlignRight);
    EXPECT_DOUBLE_EQ(doc.lastBlock().blockFormat().leftMargin(), 0.0);
}

TEST(RtfRender, AnEmptyParagraphTakesTheHeightOfItsMark) {
    QTextDocument doc;
    Render("{\\rtf1 \\fs40\\par\\fs16 x\\par}", doc);
    ASSERT_EQ(doc.blockCount(), 2);
    EXPECT_DOUBLE_EQ(doc.begin().charFormat().fontPointSize(), 20.0);
    EXPECT_TRUE(doc.begin().text().isEmpty());
}

TEST(RtfRender, PlainTextKeepsThePanelsFont) {
    QTextDocument doc;
    doc.setDefaultFont(QFont("Liberation Sans", 9));
    Render("ligne 1\r\nligne 2", doc);
    EXPECT_EQ(BlockTexts(doc), (QStringList{"ligne 1", "ligne 2"}));
    EXPECT_FALSE(FormatOf(doc, "ligne 2").hasProperty(QTextFormat::FontFamilies));
    EXPECT_FALSE(FormatOf(doc, "ligne 2").hasProperty(QTextFormat::FontPointSize));
}

TEST(RtfRender, ALoadReplacesEverythingAndCannotBeUndone) {
    QTextDocument doc;
    Render("{\\rtf1 \\qc\\b ancien\\par deuxieme\\par}", doc);
    doc.setModified(true);
    Render("{\\rtf1 nouveau}", doc);
    EXPECT_EQ(BlockTexts(doc), QStringList{"nouveau"});
    EXPECT_EQ(Horizontal(doc.begin()), Qt::AlignLeft);
    EXPECT_EQ(FormatOf(doc, "nouveau").fontWeight(), QFont::Normal);
    EXPECT_FALSE(doc.isUndoAvailable());
    EXPECT_FALSE(doc.isModified());
    EXPECT_TRUE(doc.isUndoRedoEnabled());  // typing in the panel stays undoable

    richtext::RenderInto(richtext::Document{}, doc);
    EXPECT_TRUE(doc.isEmpty());
}

// The shipped pages, as they appear in the window's own panels. (Their titles' formats and
// their paragraphs are checked on the documents themselves in rtf_reader_test.)
TEST(RtfRender, CommentaryTitlesFitTheirPanels) {
    WindowDriver d;
    for (int page = 1; page <= 5; ++page) {
        const std::string file = "komm" + std::to_string(page) + ".rtf";
        SCOPED_TRACE(file);
        QTextEdit* panel = page == 1 ? d.form().RichEdit1 : d.form().RichEdit2;
        QTextDocument& doc = *panel->document();
        Render(ReadFile(DataDir() / file), doc);
        // The panel's text width, less room for a vertical scroll bar.
        doc.setTextWidth(panel->width() - 2 * panel->frameWidth() - 20);
        doc.documentLayout()->documentSize();  // lays the document out
        ASSERT_NE(doc.begin().layout(), nullptr);
        EXPECT_EQ(doc.begin().layout()->lineCount(), 1) << doc.begin().text().toStdString();
    }
}

// ---- the fuzzer's findings

// The document is sound, and the panel shows it paragraph for paragraph, each with its text.
void ExpectSoundAndShown(const richtext::Document& doc, std::size_t inputSize) {
    EXPECT_EQ(fuzzchecks::DocumentProblem(doc, inputSize), "");
    QTextDocument shown;
    richtext::RenderInto(doc, shown);
    ASSERT_EQ(static_cast<std::size_t>(shown.blockCount()), std::max<std::size_t>(doc.size(), 1));
    QTextBlock block = shown.begin();
    for (std::size_t i = 0; i < doc.size(); ++i, block = block.next())
        EXPECT_EQ(block.text().toStdString(), richtext::PlainText(doc[i])) << "paragraph " << i;
}

TEST(RtfFuzzRegressions, EveryPastFindingAndSeedReadsSoundlyAndShowsOneBlockPerParagraph) {
    const std::filesystem::path fuzz = DataDir().parent_path() / "fuzz";
    // A wrong folder must not pass as "nothing to check".
    for (const auto& [folder, least] : {std::pair{"regressions", 1}, std::pair{"corpus", 20}}) {
        int inputs = 0;
        for (const auto& entry : std::filesystem::directory_iterator(fuzz / folder)) {
            SCOPED_TRACE(entry.path().string());
            const std::string bytes = ReadFile(entry.path());
            ExpectSoundAndShown(richtext::ReadDocument(bytes), bytes.size());
            ++inputs;
        }
        EXPECT_GE(inputs, least) << folder;
    }
}

// The first finding: a paragraph separator inside a paragraph's text, which the panel showed as
// two paragraphs; Qt's internal frame markers did the same.
TEST(RtfFuzzRegressions, ParagraphSeparatorEndsItsParagraphAndFrameMarkersAreNotText) {
    const struct {
        const char* what;
        std::string input;
        std::vector<std::string> paragraphs;
    } cases[] = {
        {"RTF U+2029", "{\\rtf1 un\\u8233?deux\\par trois}", {"un", "deux", "trois"}},
        {"RTF U+FDD0 and U+FDD1", "{\\rtf1 a\\u-560?b\\u-559?c}", {"a\uFFFDb\uFFFDc"}},
        {"RTF U+FDEF, U+FDF0 is text", "{\\rtf1 a\\u-529?b\\u-528?c}", {"a\uFFFDb\uFDF0c"}},
        {"UTF-8 U+2029",
         "un\xE2\x80\xA9"
         "deux\ntrois",
         {"un", "deux", "trois"}},
        {"UTF-8 U+FDD0, U+FDCF is text",
         "a\xEF\xB7\x90"
         "b\xEF\xB7\x8F"
         "c",
         {"a\uFFFDb\uFDCFc"}},
        {"line separator stays in its paragraph",
         "{\\rtf1 a\\line b\\u8232?c}",
         {"a\u2028b\u2028c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const richtext::Document doc = richtext::ReadDocument(c.input);
        std::vector<std::string> paragraphs;
        for (std::size_t i = 0; i < doc.size(); ++i)
            paragraphs.push_back(richtext::PlainText(doc[i]));
        EXPECT_EQ(paragraphs, c.paragraphs);
        ExpectSoundAndShown(doc, c.input.size());
    }
}

}  // namespace

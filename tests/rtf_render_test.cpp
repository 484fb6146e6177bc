// Rendering into Qt's rich text: what a QTextDocument holds after a load.
#include <gtest/gtest.h>

#include "support/data_dir.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/table.h"
#include "richtext/rtf.h"
#include "support/window_fixture.h"

namespace {

void Render(std::string_view rtf, QTextDocument& out) {
    richtext::RenderInto(richtext::ReadDocument(rtf), out);
}

// The character format of the fragment that holds the text (the test fails if none does).
QTextCharFormat FormatOf(const QTextDocument& doc, const QString& text) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(text)) return it.fragment().charFormat();
        }
    }
    ADD_FAILURE() << "no fragment holds \"" << text.toStdString() << "\"";
    return {};
}

QStringList BlockTexts(const QTextDocument& doc) {
    QStringList texts;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        texts << block.text();
    }
    return texts;
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
    EXPECT_FALSE(normal.fontItalic());
    EXPECT_FALSE(normal.fontUnderline());
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
    EXPECT_EQ(FormatOf(doc, "a0").fontFamilies().toStringList(), QStringList{"Liberation Sans"});
    EXPECT_EQ(FormatOf(doc, "a1").fontFamilies().toStringList(), QStringList{"Liberation Serif"});
    EXPECT_EQ(FormatOf(doc, "a2").fontFamilies().toStringList(), QStringList{"Liberation Mono"});
    EXPECT_EQ(FormatOf(doc, "a3").fontFamilies().toStringList(),
              QStringList{"Standard Symbols PS"});
    EXPECT_EQ(FormatOf(doc, "a4").fontFamilies().toStringList(), QStringList{"Liberation Sans"});
    EXPECT_EQ(FormatOf(doc, "a5").fontFamilies().toStringList(), QStringList{"Verdana"});
    EXPECT_EQ(FormatOf(doc, "a6").fontFamilies().toStringList(), QStringList{"Liberation Sans"});
}

TEST(RtfRender, ParagraphsBecomeBlocksWithTheirAlignmentAndMargins) {
    QTextDocument doc;
    Render(
        "{\\rtf1 \\qc Titre\\par\\pard\\qj\\li1440\\ri720\\fi-360\\sb240\\sa120 corps"
        "\\line suite\\tab x\\par\\pard\\qr fin\\par}",
        doc);
    ASSERT_EQ(doc.blockCount(), 3);
    EXPECT_EQ(BlockTexts(doc),
              (QStringList{"Titre", QString("corps") + QChar(0x2028) + "suite\tx", "fin"}));
    const QTextBlock title = doc.begin();
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextBlockFormat body = title.next().blockFormat();
    EXPECT_EQ(body.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    // 1440 twips are an inch, 96 pixels.
    EXPECT_DOUBLE_EQ(body.leftMargin(), 96.0);
    EXPECT_DOUBLE_EQ(body.rightMargin(), 48.0);
    EXPECT_DOUBLE_EQ(body.textIndent(), -24.0);
    EXPECT_DOUBLE_EQ(body.topMargin(), 16.0);
    EXPECT_DOUBLE_EQ(body.bottomMargin(), 8.0);
    const QTextBlockFormat last = doc.lastBlock().blockFormat();
    EXPECT_EQ(last.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_DOUBLE_EQ(last.leftMargin(), 0.0);
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
    const QTextCharFormat f = FormatOf(doc, "ligne 2");
    EXPECT_FALSE(f.hasProperty(QTextFormat::FontFamilies));
    EXPECT_FALSE(f.hasProperty(QTextFormat::FontPointSize));
}

TEST(RtfRender, ALoadReplacesEverythingAndCannotBeUndone) {
    QTextDocument doc;
    Render("{\\rtf1 \\qc\\b ancien\\par deuxieme\\par}", doc);
    doc.setModified(true);
    Render("{\\rtf1 nouveau}", doc);
    EXPECT_EQ(doc.toPlainText(), "nouveau");
    EXPECT_EQ(doc.blockCount(), 1);
    EXPECT_EQ(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(FormatOf(doc, "nouveau").fontWeight(), QFont::Normal);
    EXPECT_FALSE(doc.isUndoAvailable());
    EXPECT_FALSE(doc.isModified());
    EXPECT_TRUE(doc.isUndoRedoEnabled());  // typing in the panel stays undoable

    richtext::RenderInto(richtext::Document{}, doc);
    EXPECT_TRUE(doc.isEmpty());
}

std::string ReadDataFile(const char* name) {
    std::ifstream file(DataDir() / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The shipped pages, as they appear in the window's own panels. (Their titles' formats and
// their paragraphs are checked on the documents themselves in rtf_reader_test.)
TEST(RtfRender, CommentaryTitlesFitTheirPanels) {
    WindowDriver d;
    struct Page {
        const char* file;
        QTextEdit* panel;
    };
    for (const Page& page :
         {Page{"komm1.rtf", d.form().RichEdit1}, Page{"komm2.rtf", d.form().RichEdit2},
          Page{"komm3.rtf", d.form().RichEdit2}, Page{"komm4.rtf", d.form().RichEdit2},
          Page{"komm5.rtf", d.form().RichEdit2}}) {
        SCOPED_TRACE(page.file);
        QTextDocument& doc = *page.panel->document();
        Render(ReadDataFile(page.file), doc);
        // The panel's text width, less room for a vertical scroll bar.
        doc.setTextWidth(page.panel->width() - 2 * page.panel->frameWidth() - 20);
        doc.documentLayout()->documentSize();  // lays the document out
        const QTextBlock title = doc.begin();
        ASSERT_NE(title.layout(), nullptr);
        EXPECT_EQ(title.layout()->lineCount(), 1) << title.text().toStdString();
    }
}

}  // namespace

// The commentary panels: where the documents come from, what the panels show, and what a
// missing or broken document does (a message; the panel keeps its content; nothing stops).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextBlock>

#include "app/commentary.h"
#include "app/documents.h"
#include "engine/globals.h"
#include "support/scratch_dir.h"
#include "support/window_fixture.h"

namespace {

// A fresh window past its first tick, in a scratch current directory.
class Commentary : public InScratchDirectory {
  protected:
    void SetUp() override {
        InScratchDirectory::SetUp();
        d.Tick();
    }
    void TearDown() override {
        InScratchDirectory::TearDown();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(w) != nullptr) w->close();
        }
    }
    void Write(const QString& name, const QByteArray& bytes) {
        ASSERT_TRUE(WriteFile(name, bytes));
    }
    QMessageBox* MessageBox() {
        QCoreApplication::processEvents();
        return t.findChild<QMessageBox*>(QStringLiteral("documentProblem"));
    }

    WindowDriver d;
    Ttable& t = d.form();
};

QString Text(const TRichEdit* panel) {
    return panel->document()->toPlainText();
}

}  // namespace

TEST_F(Commentary, TheCurrentDirectoryComesFirstThenTheProgramsOwnDocuments) {
    // Nothing here: the shipped document is found.
    t.B1Click(nullptr);
    EXPECT_TRUE(Text(t.RichEdit2).contains(QStringLiteral("dépassement")))
        << Text(t.RichEdit2).toStdString();
    // A teacher's own document beside the program's start directory wins.
    Write("komm2.rtf", "{\\rtf1 Mon commentaire}");
    t.B1Click(nullptr);
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("Mon commentaire"));
    EXPECT_FALSE(DocumentSearchPath().isEmpty());
}

TEST_F(Commentary, DocumentOpensAtTheTop) {
    QByteArray long_doc =
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}"
        "\\f0\\fs28\\b\\cf1 R\\'e9ponse\\b0\\cf0\\par ";
    for (int i = 0; i < 60; ++i)
        long_doc += "ligne \\i italique\\i0\\par ";
    long_doc += "}";
    Write("komm3.rtf", long_doc);
    t.B2Click(nullptr);
    EXPECT_EQ(t.RichEdit2->document()->firstBlock().text(), QStringLiteral("Réponse"));
    EXPECT_EQ(t.RichEdit2->verticalScrollBar()->value(), 0) << "the page opens at its top";
    EXPECT_EQ(t.RichEdit2->textCursor().position(), 0);
}

TEST_F(Commentary, MissingDocumentLeavesThePanelAsItWasAndSaysWhy) {
    Write("komm2.rtf", "{\\rtf1 avant}");
    t.B1Click(nullptr);
    ASSERT_EQ(Text(t.RichEdit2), QStringLiteral("avant"));
    const std::string err = Stderr([&] { LoadCommentary(t, t.RichEdit2, "komm9.rtf"); });
    EXPECT_NE(err.find("komm9.rtf"), std::string::npos) << err;
    EXPECT_NE(err.find("introuvable"), std::string::npos) << err;
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("avant"));
    EXPECT_TRUE(t.RichEdit2->isVisible());
}

TEST_F(Commentary, DamagedDocumentIsShownAndReported) {
    Write("komm2.rtf", "{\\rtf1 {\\b d\\'e9but du texte");  // cut short
    const std::string err = Stderr([&] { t.B1Click(nullptr); });
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("début du texte"));
    EXPECT_NE(err.find("abîmé"), std::string::npos) << err;
    EXPECT_NE(err.find("komm2.rtf"), std::string::npos) << err;
}

TEST_F(Commentary, InTheWindowTheMessageIsABoxThatDoesNotStopTheAnimation) {
    t.SetQuietErrors(false);
    d.Select(3);
    d.Tick(159);
    ASSERT_NE(B1, nullptr);
    B1->click();  // no komm2.rtf here... but the program's own is found
    EXPECT_EQ(MessageBox(), nullptr);
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("komm2.rtf")));
    B1->click();
    EXPECT_EQ(t.findChild<QMessageBox*>(QStringLiteral("documentProblem")), nullptr)
        << "the message waits until the click's handler has finished";
    QMessageBox* box = MessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_TRUE(box->text().contains(QStringLiteral("komm2.rtf")));
    EXPECT_TRUE(t.RichEdit2->isVisible());
    // Clicking again reuses the box instead of piling up new ones.
    B1->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(t.findChildren<QMessageBox*>().size(), 1);
    // The animation goes on meanwhile.
    d.Select(2);
    d.Tick(3);
    EXPECT_EQ(StepLowGain, 3);
}

TEST_F(Commentary, LowGainLessonOpensTheSmallPanelOnItsLastFrameOnly) {
    Write("komm1.rtf", "{\\rtf1 Faible gain}");
    const EventCounter shown(t.RichEdit1, QEvent::Show);
    d.Select(2);
    for (int k = 1; k <= 158; ++k) {
        d.Tick();
        ASSERT_FALSE(t.RichEdit1->isVisible()) << "frame " << k;
    }
    d.Tick();
    EXPECT_TRUE(t.RichEdit1->isVisible());
    EXPECT_EQ(Text(t.RichEdit1), QStringLiteral("Faible gain"));
    EXPECT_TRUE(t.RichEdit1->isReadOnly());
    // Shown and loaded once: the ticks after the end neither show it again nor reload it.
    Write("komm1.rtf", "{\\rtf1 autre page}");
    d.Tick(5);
    EXPECT_TRUE(t.RichEdit1->isVisible());
    EXPECT_EQ(Text(t.RichEdit1), QStringLiteral("Faible gain"));
    EXPECT_EQ(shown.count, 1);
    // Missing at the end of a later run: reported once, the panel keeps the old page.
    QFile::remove(QStringLiteral("komm1.rtf"));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("komm1.rtf")));
    d.Select(2);
    std::string err = Stderr([&] { d.Tick(159); });
    EXPECT_EQ(Text(t.RichEdit1), QStringLiteral("Faible gain"));
    EXPECT_TRUE(t.RichEdit1->isVisible());
    err += Stderr([&] { d.Tick(20); });
    std::size_t reports = 0;
    for (std::size_t at = err.find("komm1.rtf"); at != std::string::npos;
         at = err.find("komm1.rtf", at + 1))
        ++reports;
    EXPECT_EQ(reports, 1u) << err;
}

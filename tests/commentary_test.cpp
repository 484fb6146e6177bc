// The commentary panels: where the documents come from, what the panels show, and what a
// missing or broken document does (a message; the panel keeps its content; nothing stops).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

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

TEST_F(Commentary, DocumentKeepsItsFormattingAndOpensAtTheTop) {
    QByteArray long_doc =
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}"
        "\\f0\\fs28\\b\\cf1 R\\'e9ponse\\b0\\cf0\\par ";
    for (int i = 0; i < 60; ++i)
        long_doc += "ligne \\i italique\\i0\\par ";
    long_doc += "}";
    Write("komm3.rtf", long_doc);
    t.B2Click(nullptr);
    QTextCursor cursor(t.RichEdit2->document());
    cursor.setPosition(1);
    EXPECT_TRUE(cursor.charFormat().font().bold());
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(t.RichEdit2->document()->firstBlock().text(), QStringLiteral("Réponse"));
    EXPECT_EQ(t.RichEdit2->verticalScrollBar()->value(), 0) << "the page opens at its top";
    EXPECT_EQ(t.RichEdit2->textCursor().position(), 0);
}

TEST_F(Commentary, WhatTheStudentTypedIsReplacedByTheNextLoad) {
    Write("komm5.rtf", "{\\rtf1 Commentaires}");
    t.B4Click(nullptr);
    t.RichEdit2->insertPlainText(QStringLiteral("notes de l'élève "));
    EXPECT_NE(Text(t.RichEdit2), QStringLiteral("Commentaires"));
    t.B4Click(nullptr);
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("Commentaires"));
}

TEST_F(Commentary, PlainTextFileIsShownAsText) {
    Write("komm2.rtf", "Premi\xc3\xa8re ligne\r\nDeuxi\xc3\xa8me ligne\r\n");
    const std::string err = Stderr([&] { t.B1Click(nullptr); });
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("Première ligne\nDeuxième ligne"));
    EXPECT_TRUE(err.empty()) << err;
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

TEST_F(Commentary, OversizedDocumentIsRefused) {
    Write("komm5.rtf", QByteArray("{\\rtf1 ") + QByteArray(kMaxDocumentBytes, 'a') + "}");
    t.RichEdit2->setPlainText(QStringLiteral("avant"));
    const std::string err = Stderr([&] { t.B4Click(nullptr); });
    EXPECT_NE(err.find("trop volumineux"), std::string::npos) << err;
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("avant"));
}

TEST_F(Commentary, NamedPipeIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(mkfifo("komm3.rtf", 0600), 0);
    t.RichEdit2->setPlainText(QStringLiteral("avant"));
    // Should the load wait on the pipe, this writer frees it after a while and the text it
    // sends makes the test fail instead of hanging.
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread writer([&] {
        std::unique_lock lock(m);
        if (cv.wait_for(lock, std::chrono::seconds(3), [&] { return done; })) return;
        const int fd = open("komm3.rtf", O_WRONLY | O_NONBLOCK);
        if (fd < 0) return;
        const char page[] = "{\\rtf1 lu dans le tube}";
        (void)!write(fd, page, sizeof page - 1);
        close(fd);
    });
    const std::string err = Stderr([&] { t.B2Click(nullptr); });
    {
        std::lock_guard lock(m);
        done = true;
    }
    cv.notify_one();
    writer.join();
    EXPECT_NE(err.find("komm3.rtf"), std::string::npos) << err;
    EXPECT_NE(err.find("pas un fichier ordinaire"), std::string::npos) << err;
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

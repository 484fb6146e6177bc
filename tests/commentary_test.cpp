// The commentary panels: where the documents come from, what the panels show, and what a
// missing or broken document does (a message; the panel keeps its content; nothing stops).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdio>

#include "app/commentary.h"
#include "app/documents.h"
#include "engine/globals.h"
#include "support/data_dir.h"
#include "support/window_fixture.h"

namespace {

// Runs a test in a scratch current directory and captures what goes to stderr.
class Commentary : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(scratch_.path());
    }
    void TearDown() override {
        QDir::setCurrent(previous_);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(w) != nullptr) w->close();
        }
    }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile f(QDir(scratch_.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // stderr of what `action` does.
    template <typename F>
    std::string Stderr(F action) {
        std::fflush(stderr);
        testing::internal::CaptureStderr();
        action();
        std::fflush(stderr);
        return testing::internal::GetCapturedStderr();
    }
    QMessageBox* MessageBox(Ttable& form) {
        QCoreApplication::processEvents();
        return form.findChild<QMessageBox*>(QStringLiteral("documentProblem"));
    }

    QTemporaryDir scratch_;
    QString previous_;
};

QString Text(const TRichEdit* panel) {
    return panel->document()->toPlainText();
}

}  // namespace

TEST_F(Commentary, EachButtonOpensItsDocumentInTheLargePanel) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    Write("komm2.rtf", "{\\rtf1 deux}");
    Write("komm3.rtf", "{\\rtf1 trois}");
    Write("komm4.rtf", "{\\rtf1 quatre}");
    Write("komm5.rtf", "{\\rtf1 cinq}");
    const struct {
        void (Ttable::*click)(QObject*);
        const char* text;
    } cases[] = {{&Ttable::B1Click, "deux"},
                 {&Ttable::B2Click, "trois"},
                 {&Ttable::B3Click, "quatre"},
                 {&Ttable::B4Click, "cinq"}};
    for (const auto& c : cases) {
        t.RichEdit2->hide();
        (t.*c.click)(nullptr);
        EXPECT_TRUE(t.RichEdit2->isVisible());
        EXPECT_EQ(Text(t.RichEdit2), QString::fromLatin1(c.text)) << "the whole content replaced";
        EXPECT_FALSE(t.RichEdit1->isVisible());
    }
}

TEST_F(Commentary, TheCurrentDirectoryComesFirstThenTheProgramsOwnDocuments) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
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
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
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
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    Write("komm5.rtf", "{\\rtf1 Commentaires}");
    t.B4Click(nullptr);
    t.RichEdit2->insertPlainText(QStringLiteral("notes de l'élève "));
    EXPECT_NE(Text(t.RichEdit2), QStringLiteral("Commentaires"));
    t.B4Click(nullptr);
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("Commentaires"));
}

TEST_F(Commentary, PlainTextFileIsShownAsText) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    Write("komm2.rtf", "Premi\xc3\xa8re ligne\r\nDeuxi\xc3\xa8me ligne\r\n");
    const std::string err = Stderr([&] { t.B1Click(nullptr); });
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("Première ligne\nDeuxième ligne"));
    EXPECT_TRUE(err.empty()) << err;
}

TEST_F(Commentary, MissingDocumentLeavesThePanelAsItWasAndSaysWhy) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    Write("komm2.rtf", "{\\rtf1 avant}");
    t.B1Click(nullptr);
    ASSERT_EQ(Text(t.RichEdit2), QStringLiteral("avant"));
    const std::string err = Stderr([&] { LoadCommentary(t, t.RichEdit2, "komm9.rtf"); });
    EXPECT_NE(err.find("komm9.rtf"), std::string::npos) << err;
    EXPECT_NE(err.find("introuvable"), std::string::npos) << err;
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("avant"));
    EXPECT_TRUE(t.RichEdit2->isVisible());
}

TEST_F(Commentary, DirectoryInPlaceOfTheDocumentIsReportedNotBypassed) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    ASSERT_TRUE(QDir(scratch_.path()).mkdir(QStringLiteral("komm3.rtf")));
    t.RichEdit2->setPlainText(QStringLiteral("contenu précédent"));
    const std::string err = Stderr([&] { t.B2Click(nullptr); });
    EXPECT_NE(err.find("komm3.rtf"), std::string::npos) << err;
    EXPECT_NE(err.find("dossier"), std::string::npos) << err;
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("contenu précédent"))
        << "the shipped document is not used instead of the teacher's broken one";
}

TEST_F(Commentary, UnreadableDocumentIsReported) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    const QString path = QDir(scratch_.path()).filePath("komm4.rtf");
    if (getuid() == 0) {
        // Permissions do not stop root; a file whose reading fails does.
        ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), path));
    } else {
        Write("komm4.rtf", "{\\rtf1 secret}");
        QFile::setPermissions(path, QFileDevice::Permissions());
    }
    const std::string err = Stderr([&] { t.B3Click(nullptr); });
    EXPECT_NE(err.find("komm4.rtf"), std::string::npos) << err;
    EXPECT_NE(err.find("lecture impossible"), std::string::npos) << err;
}

TEST_F(Commentary, OversizedDocumentIsRefused) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    Write("komm5.rtf", QByteArray("{\\rtf1 ") + QByteArray(kMaxDocumentBytes, 'a') + "}");
    t.RichEdit2->setPlainText(QStringLiteral("avant"));
    const std::string err = Stderr([&] { t.B4Click(nullptr); });
    EXPECT_NE(err.find("trop volumineux"), std::string::npos) << err;
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("avant"));
}

TEST_F(Commentary, DamagedDocumentIsShownAndReported) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    Write("komm2.rtf", "{\\rtf1 {\\b d\\'e9but du texte");  // cut short
    const std::string err = Stderr([&] { t.B1Click(nullptr); });
    EXPECT_EQ(Text(t.RichEdit2), QStringLiteral("début du texte"));
    EXPECT_NE(err.find("abîmé"), std::string::npos) << err;
    EXPECT_NE(err.find("komm2.rtf"), std::string::npos) << err;
}

TEST_F(Commentary, InTheWindowTheMessageIsABoxThatDoesNotStopTheAnimation) {
    WindowDriver d;
    Ttable& t = d.form();
    t.SetQuietErrors(false);
    d.Tick();
    d.Select(3);
    d.Tick(159);
    ASSERT_NE(B1, nullptr);
    B1->click();  // no komm2.rtf here... but the program's own is found
    EXPECT_EQ(MessageBox(t), nullptr);
    ASSERT_TRUE(QDir(scratch_.path()).mkdir(QStringLiteral("komm2.rtf")));
    B1->click();
    EXPECT_EQ(t.findChild<QMessageBox*>(QStringLiteral("documentProblem")), nullptr)
        << "the message waits until the click's handler has finished";
    QMessageBox* box = MessageBox(t);
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
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    Write("komm1.rtf", "{\\rtf1 Faible gain}");
    d.Select(2);
    d.Tick(158);
    EXPECT_FALSE(t.RichEdit1->isVisible());
    d.Tick();
    EXPECT_TRUE(t.RichEdit1->isVisible());
    EXPECT_EQ(Text(t.RichEdit1), QStringLiteral("Faible gain"));
    EXPECT_TRUE(t.RichEdit1->isReadOnly());
    // Missing at the end of a later run: reported once, the panel keeps the old page.
    QFile::remove(QDir(scratch_.path()).filePath("komm1.rtf"));
    ASSERT_TRUE(QDir(scratch_.path()).mkdir(QStringLiteral("komm1.rtf")));
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

TEST_F(Commentary, ShippedDocumentsAllOpen) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick();
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("komm%1.rtf").arg(i);
        const std::string err = Stderr([&] { LoadCommentary(t, t.RichEdit2, name); });
        EXPECT_TRUE(err.empty()) << name.toStdString() << ": " << err;
        EXPECT_GT(Text(t.RichEdit2).size(), 500) << name.toStdString();
        EXPECT_TRUE(
            QFile::exists(QString::fromStdString((DataDir() / name.toStdString()).string())));
    }
}

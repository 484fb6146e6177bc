// The window a teacher uses, driven by its keys: pause, step, jump, restart, speed, scenes; the
// picture copied, saved and recorded; the zoom for a projector; what is remembered between runs.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "desktop/animation_export.h"
#include "desktop/main_window.h"
#include "desktop/zoom_view.h"
#include "support/driver.h"

struct Classroom : testing::Test {
    // Settings of each test's own, neither the user's nor another test's running beside it.
    QTemporaryDir settings;
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    }
    void Key(MainWindow& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&w, Qt::Key(key), mods);
    }
};

TEST_F(Classroom, KeysPauseStepAndGoBackToThePicturesTheLessonPlayed) {
    MainWindow w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Ttable& form = w.form();
    Key(w, Qt::Key_3);      // the high-gain lesson, started
    Key(w, Qt::Key_Space);  // and paused at once
    EXPECT_TRUE(w.player().Paused());
    EXPECT_FALSE(form.state().Timer1.Enabled);
    const int first = w.player().Position().frame;
    ASSERT_EQ(first, 0) << "no tick between the keys";
    std::vector<QImage> played;
    for (int i = 0; i < 6; ++i)
        Key(w, Qt::Key_Right), played.push_back(form.ClientPicture());
    EXPECT_EQ(w.player().Position().frame, first + 6);
    EXPECT_EQ(
        w.StatusText(),
        QStringLiteral("Rép. Ind. en Boucle Fermée (G:grand) · image %1 / 159 · 60 ms · en pause")
            .arg(first + 6));
    for (int i = 4; i >= 0; --i) {
        Key(w, Qt::Key_Left);
        EXPECT_EQ(form.ClientPicture(), played[i]) << "back to frame " << first + 1 + i;
    }
    Key(w, Qt::Key_End);
    EXPECT_EQ(form.state().Phase, 560);
    EXPECT_TRUE(form.B[0] != nullptr && form.B[0]->isVisible());
    Key(w, Qt::Key_Home);
    EXPECT_EQ(w.player().Position().frame, 1);
    EXPECT_EQ(form.ClientPicture(), played[0]);
    EXPECT_TRUE(form.B[0] == nullptr || !form.B[0]->isVisible());
    // Start again, faster and slower, another scene.
    Key(w, Qt::Key_Minus);
    Key(w, Qt::Key_Minus);
    Key(w, Qt::Key_Plus);
    EXPECT_EQ(form.ScrollBar1->value(), 70);
    Key(w, Qt::Key_F5);
    EXPECT_FALSE(w.player().Paused());
    EXPECT_EQ(form.state().Phase, 401);
    Key(w, Qt::Key_0);
    EXPECT_EQ(form.state().Phase, -1);
    EXPECT_TRUE(form.ListBox1->item(0)->isSelected());
    // The picture on the clipboard.
    Key(w, Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(793, 553));
    EXPECT_EQ(Differences(copied, form.ClientPicture()), 0);
}

TEST_F(Classroom, PictureAndAnimationAreSavedAndReadBack) {
    QTemporaryDir dir;
    MainWindow w;
    w.show();
    w.player().SetPaused(true);
    w.player().Choose(4);
    w.player().SetPaused(true);
    w.player().GoTo(80);
    QString error;
    ASSERT_TRUE(w.SavePicture(dir.filePath("image.png"), error)) << error.toStdString();
    EXPECT_EQ(QImage(dir.filePath("image.png")).convertToFormat(QImage::Format_RGB32),
              w.form().ClientPicture());
    std::map<int, QImage> frames;
    for (int k : {1, 80, 159})
        w.player().GoTo(k), frames[k] = w.form().ClientPicture();
    w.player().GoTo(80);
    const QImage before = w.form().ClientPicture();
    AnimationExport* job = w.ExportAnimation(dir.filePath("lecon.gif"), error);
    ASSERT_NE(job, nullptr) << error.toStdString();
    while (job->Running())
        QCoreApplication::processEvents();
    // The window on screen was left as it was.
    EXPECT_EQ(w.form().ClientPicture(), before);
    EXPECT_EQ(w.player().Position().frame, 80);
    QImageReader gif(dir.filePath("lecon.gif"));
    QImage frame;
    for (int k = 1; k <= 159; ++k) {
        ASSERT_TRUE(gif.read(&frame)) << "frame " << k;
        EXPECT_EQ(gif.nextImageDelay(), 60);
        if (frames.count(k) != 0) {
            EXPECT_LT(Differences(frame, frames[k]), 200) << "frame " << k;
        }
    }
    EXPECT_FALSE(gif.canRead());
    // Nothing to record without a lesson; a file that cannot be written is said so.
    w.player().Choose(0);
    EXPECT_EQ(w.ExportAnimation(dir.filePath("x.gif"), error), nullptr);
    EXPECT_FALSE(w.SavePicture(dir.filePath("none/x.png"), error));
    EXPECT_NE(error.indexOf(QStringLiteral("none/x.png")), -1);
}

TEST_F(Classroom, ZoomDrawsSharpLinesAndLargerTextAndIsRemembered) {
    {
        MainWindow w;
        w.resize(1800, 1300);
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        w.player().SetPaused(true);
        w.player().Choose(2);
        w.player().SetPaused(true);
        w.player().GoTo(140);
        QTest::keyClick(&w, Qt::Key_Plus, Qt::ControlModifier);
        EXPECT_EQ(w.view().Zoom(), 1.25);
        w.view().SetZoom(2.0);
        QCoreApplication::processEvents();
        const QImage shot =
            w.view().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint o = w.view().mapFromScene(0, 0);
        // The chart's vertical axis, one pixel wide at x 50: two columns of pure blue.
        for (int y = 195; y < 228; y += 4) {
            const int at = o.y() + 2 * y;
            EXPECT_EQ(std::vector<TColor>({At(shot, o.x() + 99, at), At(shot, o.x() + 100, at),
                                           At(shot, o.x() + 101, at), At(shot, o.x() + 102, at)}),
                      std::vector<TColor>({clBtnFace, clBlue, clBlue, clBtnFace}))
                << "row " << y;
        }
        // Every pixel of the chart area is one of the scene's colours: no blur.
        int other = 0;
        for (int y = o.y() + 80; y < o.y() + 900; ++y)
            for (int x = o.x(); x < o.x() + 660; ++x) {
                const TColor c = At(shot, x, y);
                other += c != clBtnFace && c != clBlue && c != clRed && c != clGreen &&
                         c != clMaroon && c != clHighlight && c != clBlack && c != clYellow;
            }
        EXPECT_EQ(other, 0);
        // "erreur de position=0" (Arial 8 at (190, 135)) drawn at twice its size, not stretched:
        // its ink twice as tall and as wide, and not made of 2 x 2 blocks.
        auto ink = [](const QImage& image, QRect r) {
            QRect box;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (At(image, x, y) == clBlue) box |= QRect(x, y, 1, 1);
            return box;
        };
        const QRect small =
            ink(Q(std::as_const(w.form().state().WindowCanvas).Image()), QRect(188, 134, 100, 15));
        const QRect large = ink(shot, QRect(o.x() + 376, o.y() + 268, 200, 30));
        EXPECT_NEAR(large.height(), 2 * small.height(), 2);
        EXPECT_NEAR(large.width(), 2 * small.width(), 4);
        int blocks = 0, odd = 0;
        for (int y = large.top(); y < large.bottom(); y += 2)
            for (int x = large.left(); x < large.right(); x += 2, ++blocks)
                odd += At(shot, x, y) != At(shot, x + 1, y) || At(shot, x, y) != At(shot, x, y + 1);
        EXPECT_GT(odd, blocks / 20) << "text stretched from its small size";
        w.form().ScrollBar1->setValue(120);
    }
    MainWindow again;
    EXPECT_EQ(again.view().Zoom(), 2.0);
    EXPECT_EQ(again.form().ScrollBar1->value(), 120);
}

TEST_F(Classroom, LaboratoryPanelGoesWithItsSceneAndAChangeAppliesFromItsInstant) {
    MainWindow w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* panel = w.findChild<QDockWidget*>(QStringLiteral("laboratoire"));
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    Key(w, Qt::Key_7);
    Key(w, Qt::Key_Space);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(w.StatusText().startsWith(QStringLiteral("Laboratoire · image 0 / 159")));
    for (int i = 0; i < 40; ++i)
        Key(w, Qt::Key_Right);
    const QImage before = w.form().ClientPicture();
    panel->findChild<QDoubleSpinBox*>()->setValue(40);  // the gain, in the middle of the run
    EXPECT_EQ(w.form().state().Lab.inputs().settings.gain, 40);
    Key(w, Qt::Key_Right);
    for (int y : {64, 224, 349})
        EXPECT_EQ(At(Q(std::as_const(w.form().state().WindowCanvas).Image()), 90, y), clBlack) << y;
    Key(w, Qt::Key_Left);  // back to the frame before the change: as it was, and changed again
    EXPECT_EQ(w.form().ClientPicture(), before);
    Key(w, Qt::Key_Right);
    EXPECT_EQ(At(Q(std::as_const(w.form().state().WindowCanvas).Image()), 90, 64), clBlack);
    const auto launch = panel->findChildren<QPushButton*>();
    ASSERT_FALSE(launch.isEmpty());
    launch[0]->click();  // « Lancer »: a new run, the one before kept
    EXPECT_EQ(w.form().state().Lab.previous().size(), 42u);
    EXPECT_EQ(w.player().Position().frame, 0);
    Key(w, Qt::Key_0);
    EXPECT_FALSE(panel->isVisible());
}

// A settings file changed by hand: each value the window could not have written gives its
// default, which is written back.
TEST_F(Classroom, SettingsOutOfPlaceGiveTheirDefaultsWrittenBack) {
    for (const auto& [key, value] :
         {std::pair{"zoom", "nan"}, {"pleinEcran", "maybe"}, {"vitesse", "100000"}})
        QSettings().setValue(key, value);
    {
        MainWindow w;
        EXPECT_EQ(w.view().Zoom(), 1.0);
        EXPECT_FALSE(w.windowState() & Qt::WindowFullScreen);
        EXPECT_EQ(w.form().ScrollBar1->value(), 60);
    }
    QSettings().sync();
    QFile file(QSettings().fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const char* line : {"zoom=1\n", "pleinEcran=false\n", "vitesse=60\n"})
        EXPECT_TRUE(text.contains(line)) << line << " in " << text.toStdString();
}

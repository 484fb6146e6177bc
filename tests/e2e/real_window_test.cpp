// The program as a person uses it: started without options on an X display with a window
// manager (tests/e2e/on_display.sh), driven by real clicks and keys (xdotool), judged from
// screenshots and its exit status. Where the window must show what the headless program draws,
// the two pictures are compared pixel for pixel.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

namespace {

QImage Screen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
}

void Xdotool(const QStringList& args) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
        << args.join(' ').toStdString();
}

// The headless program's picture after these actions.
QImage Headless(const QTemporaryDir& dir, const QStringList& actions) {
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TT_PROGRAM),
            QStringList{QStringLiteral("--snapshot"), dir.filePath("h.png")} + actions);
    p.waitForFinished(60000);
    return QImage(dir.filePath("h.png")).convertToFormat(QImage::Format_RGB32);
}

QPoint FirstRed(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFF0000) return {x, y};
    return {-1, -1};
}

// Where the picture's scene surface (FOND) shows on the screen: the screen's top-left corner
// of the client area, or (-1, -1).
QPoint Find(const QImage& screen, const QImage& picture) {
    const QPoint red = FirstRed(picture);
    const QRect fond(344, 16, 449, 529);
    for (int y = red.y(); y < screen.height(); ++y)
        for (int x = red.x(); x < screen.width(); ++x) {
            const QPoint origin = QPoint(x, y) - red;
            if ((screen.pixel(x, y) & 0xFFFFFF) != 0xFF0000 ||
                !screen.rect().contains(fond.translated(origin)))
                continue;
            bool same = true;  // a few pixels first, then all of them
            for (int i = 0; i < 64 && same; ++i) {
                const QPoint at(fond.x() + (i * 97) % fond.width(),
                                fond.y() + (i * 61) % fond.height());
                same = screen.pixel(at + origin) == picture.pixel(at);
            }
            if (same && screen.copy(fond.translated(origin)) == picture.copy(fond)) return origin;
        }
    return {-1, -1};
}

// The window's client area, the controls whose look follows focus and hover (the menu list, the
// start button) painted over. A key or a click takes effect some time after it is sent, longer
// on a busy machine: each read waits, up to a deadline, for the picture expected, or for a
// picture other than `before` that has stopped changing.
class Window {
  public:
    explicit Window(QPoint origin) : origin_(origin) {}
    QImage Client(const QImage* expected = nullptr, const QImage* before = nullptr) const {
        QElapsedTimer clock;
        clock.start();
        QImage shot = Shot();
        while (clock.elapsed() < 15000) {
            if (expected != nullptr && shot == *expected) break;
            QThread::msleep(40);
            const QImage again = Shot();
            if (expected == nullptr && again == shot && (before == nullptr || shot != *before))
                break;
            shot = again;
        }
        return shot;
    }
    QImage Shot() const { return Masked(Screen().copy(QRect(origin_, QSize(793, 553)))); }
    static QImage Masked(QImage picture) {
        QPainter p(&picture);
        p.fillRect(QRect(96, 464, 225, 49), Qt::black);
        p.fillRect(QRect(200, 528, 115, 25), Qt::black);
        return picture;
    }
    void Click(int x, int y) const {
        Xdotool({"mousemove", QString::number(origin_.x() + x), QString::number(origin_.y() + y),
                 "click", "1"});
    }
    void Key(const QString& keys) const { Xdotool({"key", "--clearmodifiers", keys}); }

  private:
    QPoint origin_;
};

}  // namespace

TEST(RealWindow, ClicksAndKeysPlayPauseStepBackAndQuit) {
    QTemporaryDir dir;
    const QImage idle = Headless(dir, {"--ticks", "5"});  // the spokes shown from the third
    const QImage lastFrame = Headless(dir, {"--ticks", "2", "--select", "2", "--ticks", "159"});
    ASSERT_FALSE(idle.isNull() || lastFrame.isNull());

    QProcess program;
    program.setWorkingDirectory(dir.path());
    program.start(QStringLiteral(TT_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());
    // The window, maximized by the window manager, its drawing centred.
    QPoint origin(-1, -1);
    for (int i = 0; i < 200 && origin.x() < 0; ++i)
        QThread::msleep(50), origin = Find(Screen(), idle);
    ASSERT_GE(origin.x(), 0) << "the idle screen never showed as the headless program draws it";
    Window w(origin);
    const QImage shownIdle = Window::Masked(idle);
    EXPECT_EQ(w.Client(&shownIdle), shownIdle);

    // A real click on the third item of the menu, then on the start button; then the keys.
    w.Click(200, 466 + 2 * 13 + 6);
    w.Click(257, 540);
    QThread::msleep(400);
    w.Key("space");
    const QImage paused = w.Client();
    std::vector<QImage> stepped;
    for (int i = 0; i < 4; ++i)
        w.Key("Right"), stepped.push_back(w.Client(nullptr, i == 0 ? &paused : &stepped.back()));
    EXPECT_NE(stepped[0], stepped[3]) << "the steps do not move the lesson";
    for (int i = 2; i >= 0; --i) {
        w.Key("Left");
        EXPECT_EQ(w.Client(&stepped[i]), stepped[i])
            << "a step back does not show the frame played";
    }
    w.Key("End");
    const QImage shownLast = Window::Masked(lastFrame);
    EXPECT_EQ(w.Client(&shownLast), shownLast) << "the last frame differs from the headless one";

    w.Key("ctrl+q");
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

// The window around the scenes: what its pictures do not show of the controls, the tick head and
// the phase machine, the comment buttons, the documents a teacher gives it, and its recordings.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <tuple>

#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>

#include "desktop/snapshot.h"
#include "engine/commentary.h"
#include "gif/gif_recorder.h"
#include "output/output.h"
#include "support/driver.h"

namespace {

// What the program writes on stderr while `run` runs.
template <typename F>
std::string Stderr(F run) {
    std::fflush(stderr);
    char path[] = "/tmp/tt-stderr-XXXXXX";
    const int file = ::mkstemp(path);
    const int saved = ::dup(2);
    ::dup2(file, 2);
    run();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    ::close(file);
    ::unlink(path);
    return text;
}

struct InDirectory {
    explicit InDirectory(const QString& dir) : old(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~InDirectory() { QDir::setCurrent(old); }
    QString old;
};

}  // namespace

TEST(Window, ControlsBeyondTheirPictures) {
    Driver d;
    Ttable& t = d.form();
    EXPECT_EQ(t.windowTitle(), QStringLiteral("Table traçante"));
    EXPECT_FALSE(t.windowIcon().isNull());
    const char* items[] = {"Présentation ",
                           "Réponse indicielle en Boucle Ouverte",
                           "Rép. Ind. en Boucle Fermée (G:faible)",
                           "Rép. Ind. en Boucle Fermée (G:grand) ",
                           "Instabilité en B. Fermée si G très grand",
                           "Réponse trapézoïdale en B. Fermée",
                           "Non linéarité du moteur"};
    ASSERT_EQ(t.ListBox1->count(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(t.ListBox1->item(i)->text(), QString::fromUtf8(items[i]));
    EXPECT_TRUE(t.ListBox1->selectedItems().isEmpty());
    EXPECT_EQ(t.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
    const QScrollBar& bar = *t.ScrollBar1;
    EXPECT_EQ(
        std::tuple(bar.minimum(), bar.maximum(), bar.value(), bar.pageStep(), bar.singleStep()),
        std::tuple(20, 200, 60, 10, 1));
    EXPECT_TRUE(t.RichEdit1->isReadOnly());
    EXPECT_FALSE(t.RichEdit2->isReadOnly());
    const State& s = d.state();
    EXPECT_EQ(std::tuple(s.TableBitmap.Width(), s.TableBitmap.Height(), s.TableMask.Width(),
                         s.BackgroundBitmap.Height(), s.PenSprite.Height(), s.LeftPulley.Width()),
              std::tuple(397, 500, 400, 581, 40, 30));
    Ttable live;  // as the program starts it: the timer runs, first after 20 ms
    EXPECT_TRUE(live.state().Timer1.Enabled);
    EXPECT_EQ(live.state().Timer1.Interval, 20);
}

TEST(TickHead, SpeedBarSetsThePeriodAndPhaseChoosesTheScene) {
    Driver d;
    Ttable& t = d.form();
    t.ScrollBar1->setValue(137);
    EXPECT_EQ(d.state().Timer1.Interval, 20);
    d.Tick();
    EXPECT_EQ(d.state().Timer1.Interval, 137);
    // The start button clears the chart area, all of it and only it, whatever was drawn there;
    // with nothing selected it leaves the idle screen running.
    TCanvas& c = *d.state().Canvas();
    c.Pen.Color = clBlack;
    c.Brush.Color = clBlack;
    c.Rectangle(0, 30, 350, 470);
    d.form().Button1->click();
    EXPECT_EQ(Bounds(d.Canvas(), QRect(0, 30, 350, 440), clBtnFace), QRect(0, 40, 340, 420));
    EXPECT_TRUE(Bounds(d.Canvas(), QRect(0, 40, 340, 420), clBlack).isNull());
    d.Tick(3);
    EXPECT_EQ(d.state().Phase, 0);
    // Idle and presentation never end; a lesson stops at the end of its block, and the same
    // lesson started again plays from its first frame.
    d.Select(0);
    d.Tick(500);
    EXPECT_EQ(d.state().Phase, -1);
    for (const auto& [item, end] :
         {std::pair{1, 160}, {2, 360}, {3, 560}, {4, 760}, {5, 960}, {6, 1160}}) {
        d.Select(item);
        d.Tick(100);
        d.Select(item);
        d.Tick(158);
        EXPECT_EQ(d.state().Phase, end - 1) << "item " << item;
        d.Tick(5);
        EXPECT_EQ(d.state().Phase, end) << "item " << item;
    }
    // After the end nothing is drawn, nor repainted.
    const QImage before = d.Client();
    int paints = 0;
    struct Counter : QObject {
        int* n;
        explicit Counter(int* count) : n(count) {}
        bool eventFilter(QObject*, QEvent* e) override {
            return *n += e->type() == QEvent::Paint, false;
        }
    } counter(&paints);
    t.FOND->installEventFilter(&counter);
    t.installEventFilter(&counter);
    d.Tick(5);
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(d.Client(), before);
}

// Each of the four buttons: made on its lesson's last frame only, at its place; the start button
// hides and disables it; the next end shows it again.
TEST(CommentButtons, EachLivesFromItsLessonsEndToTheNextStart) {
    const std::tuple<int, std::size_t, const char*> rows[] = {
        {3, 0, "Interprétation des résultats"},
        {4, 1, "Interprétation des résultats"},
        {5, 2, "Interprétation des résultats"},
        {6, 3, "Commentaires"}};
    for (const auto& [item, n, caption] : rows) {
        Driver d;
        d.Tick(2);
        d.Select(item);
        d.Tick(158);
        EXPECT_EQ(d.form().B[n], nullptr);
        d.Tick();
        QPushButton* const button = d.form().B[n];
        ASSERT_NE(button, nullptr) << "item " << item;
        const std::int32_t created[] = {d.state().B1Created, d.state().B2Created,
                                        d.state().B3Created, d.state().B4Created};
        EXPECT_EQ(std::tuple(button->geometry(), button->text(), button->isVisible(),
                             button->isEnabled(), created[n], button->parentWidget()),
                  std::tuple(QRect(60, 380, 180, 30), QString::fromUtf8(caption), true, true, 1,
                             static_cast<QWidget*>(&d.form())));
        d.Tick(3);
        d.Select(item);
        EXPECT_FALSE(button->isVisible() || button->isEnabled());
        d.Tick(158);
        EXPECT_FALSE(button->isVisible());
        d.Tick();
        EXPECT_TRUE(button->isVisible() && button->isEnabled());
        EXPECT_EQ(d.form().B[n], button);
        d.Select(1);
        EXPECT_FALSE(button->isVisible() || button->isEnabled());
    }
}

// The pages: each lesson's own, found first in the current directory (a teacher's own page),
// then among the program's documents; whatever cannot be shown is said, and the panel keeps what
// it showed.
TEST(Documents, ATeachersPageComesFirstAndBadOnesAreRefusedAloud) {
    QTemporaryDir dir;
    const InDirectory here(dir.path());
    Driver d;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    };
    write("komm3.rtf", "{\\rtf1 Ma page}");
    d.Tick(2);
    d.Select(4);
    d.Tick(159);
    d.Comments();
    EXPECT_EQ(d.form().RichEdit2->toPlainText(), QStringLiteral("Ma page"));
    ::mkfifo(dir.filePath("pipe.rtf").toLocal8Bit().constData(), 0600);
    QDir().mkdir(dir.filePath("folder.rtf"));
    write("empty.rtf", "");
    write("big.rtf", "{\\rtf1 " + QByteArray(3 * 1024 * 1024, 'a') + " }");
    write("word.rtf", "{\\rtf1 " + QByteArray(10001, 'a') + "}");
    write("cut.rtf", "{\\rtf1 D\\'e9but d\\'e9fini");
    write("high.rtf", "{\\rtf1\\sa31680\\sb31680\\fs3276 \\par\\par}");
    write("shout.rtf", "{\\rtf1 " + QByteArray(" !").repeated(600) + "}");
    const std::pair<const char*, const char*> bad[] = {
        {"none.rtf", "introuvable"},  {"folder.rtf", "dossier"},
        {"empty.rtf", "vide"},        {"pipe.rtf", "ordinaire"},
        {"big.rtf", "volumineux"},    {"word.rtf", "sans coupure"},
        {"high.rtf", "144 points"},   {"shout.rtf", "1200 caractères"},
        {"/proc/self/mem", "lecture"}};
    const auto load = [&](const char* name) {
        LoadCommentary(d.state(), d.state().RichEdit2, name);
        d.form().Refresh();
    };
    load("komm3.rtf");
    for (const auto& row : bad) {
        const char* const name = row.first;
        const char* const reason = row.second;
        const std::string said = Stderr([&] { load(name); });
        EXPECT_NE(said.find(reason), std::string::npos) << name << ": " << said;
        EXPECT_NE(said.find(name), std::string::npos) << name << ": " << said;
        EXPECT_EQ(d.form().RichEdit2->toPlainText(), QStringLiteral("Ma page")) << name;
    }
    const std::string said = Stderr([&] { load("cut.rtf"); });
    EXPECT_NE(said.find("abîmé"), std::string::npos) << said;
    EXPECT_EQ(d.form().RichEdit2->toPlainText(), QStringLiteral("Début défini"));
}

// A recording read back by Qt's own reader: one frame per tick, each lasting the timer period of
// its tick, the pictures the window showed; and a picture as PNG.
TEST(Recording, GifAndPngReadBackAsTheWindowShowedThem) {
    QTemporaryDir dir;
    CommandLine cl;
    cl.recordFile = dir.filePath("lecon.gif").toStdString();
    cl.snapshotFile = dir.filePath("fin.png").toStdString();
    cl.actions = {{ScriptAction::Ticks, 2}, {ScriptAction::Select, 3}, {ScriptAction::Ticks, 6}};
    // The speed changed by the fourth tick, after it has drawn: its frame keeps the old period.
    const auto slowDown = [](Ttable& form) {
        QObject::connect(&form, &Ttable::Ticked, &form, [&form, tick = 0]() mutable {
            if (++tick == 4) form.ScrollBar1->setValue(170);
        });
    };
    std::vector<QImage> shown;
    {
        Driver d;
        d.form().ScrollBar1->setValue(30);
        slowDown(d.form());
        for (const ScriptAction& a : cl.actions)
            ApplyAction(d.form(), a, [&] { shown.push_back(d.Client()); });
    }
    Ttable form;
    form.ScrollBar1->setValue(30);
    slowDown(form);
    ScriptOutputs outputs;
    std::string error;
    ASSERT_EQ(OpenScriptOutputs(cl, outputs, error), 0) << error;
    ASSERT_EQ(RunSnapshot(form, cl, outputs), 0);
    QImageReader gif(dir.filePath("lecon.gif"));
    std::vector<int> delays;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        QImage frame;
        ASSERT_TRUE(gif.read(&frame)) << "frame " << i;
        delays.push_back(gif.nextImageDelay());
        // Exact but for a few shaded pixels of the controls, past a frame's 256 colours.
        EXPECT_LT(Differences(frame, shown[i]), 200) << "frame " << i;
    }
    EXPECT_FALSE(gif.canRead());
    EXPECT_EQ(delays, (std::vector<int>{30, 30, 30, 30, 170, 170, 170, 170}));
    EXPECT_EQ(QImage(dir.filePath("fin.png")).convertToFormat(QImage::Format_RGB32), shown.back());
}

// A hold longer than a GIF delay (655.35 s) goes on in frames that change nothing, and the delays
// are rounded on the whole recording: it lasts as long as the run.
TEST(Recording, ALongHoldLastsAsLongAsTheRun) {
    QTemporaryDir dir;
    Output out;
    std::string error;
    ASSERT_TRUE(out.Open(dir.filePath("hold.gif").toStdString(), error)) << error;
    GifRecorder gif;
    std::string problem;
    ASSERT_TRUE(gif.Open(out, 4, 3, problem));
    const Picture red(4, 3, Opaque(clRed)), blue(4, 3, Opaque(clBlue));
    ASSERT_TRUE(gif.AddFrame(red, 25, problem));
    for (int i = 0; i < 30000; ++i)
        ASSERT_TRUE(gif.AddFrame(blue, 45, problem));
    ASSERT_TRUE(gif.AddFrame(red, 25, problem) && gif.Finish(problem));
    QImageReader reader(dir.filePath("hold.gif"));
    std::vector<std::pair<QRgb, int>> frames;
    for (QImage frame; reader.read(&frame);)
        frames.emplace_back(frame.pixel(3, 2), reader.nextImageDelay());
    EXPECT_EQ(frames, (std::vector<std::pair<QRgb, int>>{{QColor(Qt::red).rgb(), 30},
                                                         {QColor(Qt::blue).rgb(), 655350},
                                                         {QColor(Qt::blue).rgb(), 655350},
                                                         {QColor(Qt::blue).rgb(), 39300},
                                                         {QColor(Qt::red).rgb(), 20}}));
}

// Where the file system has no unnamed temporaries, a named one is removed on SIGTERM and the
// program ends by the signal; a cancelled output leaves nothing either.
TEST(Output, ANamedTemporaryGoesWithACancelOrASignal) {
    QTemporaryDir dir;
    const std::string name = dir.filePath("x.png").toStdString();
    auto files = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(); };
    const pid_t child = ::fork();
    if (child == 0) {
        Output::AllowUnnamedTemporaries(false);
        RemoveTemporariesOnSignals();
        Output out;
        std::string error;
        out.Open(name, error);
        out.Cancel();
        if (files() != 0 || !out.Open(name, error) || !out.Write("data", error) || files() != 1)
            ::_exit(2);
        ::kill(::getpid(), SIGTERM);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(files(), 0);
}

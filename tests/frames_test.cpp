// Every frame of every scene, compared with the checksums of the frames we accepted
// (tests/data/frames.txt): the idle screen, the presentation, all frames of each lesson with
// their comment pages, a lesson restarted in its middle and the trapezoid played again from where
// its first run left it; and going back in each lesson, which must show the frames it played. This
// proves only that nothing changed; the scenes' own figures are checked by scenes_test.
//
// Each frame that differs from the list is written to frames/ (in the test's working directory,
// or TT_FRAMES_DIR) as NAME.png, with NAME-diff.png marking the changed pixels in red when the
// accepted picture is known (accepted/NAME.png, saved by TT_SAVE_FRAMES=1 on the committed state:
// scripts/rebuild-frames.sh does both, and rewrites the list).
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "desktop/player.h"
#include "support/driver.h"

namespace {

using Frame = std::function<void(const std::string&)>;

std::string Label(const std::string& scene, int k) {
    char step[8];
    std::snprintf(step, sizeof step, "%03d", k);
    return scene + "/" + step;
}

void Laboratory(Driver& d, Player& player, const Frame& frame, const std::string& name);

// Going back in a lesson, or to its end: each picture must be the one the lesson showed when it
// reached that frame playing ("=" before a name: the same as that frame of the list).
void Jumps(Player& player, const std::string& scene, const Frame& frame) {
    const auto same = [&](int k) { return Label("=" + scene, k); };
    for (int k : {1, 2, 73, 130, 131, 158})
        player.GoTo(k), frame(same(k));
    player.GoToEnd();
    frame(same(159));
    player.StepBack();
    frame(same(158));
    player.GoToEnd();
}

// The tour: each call of `frame` names the picture the window shows at that moment.
void Tour(Driver& d, const Frame& frame) {
    Player player(d.form());
    frame("design");
    for (int k = 1; k <= 2; ++k)
        d.Tick(), frame(Label("idle", k));
    d.Select(0);
    frame("0/start");
    for (int k = 1; k <= 2; ++k)
        d.Tick(), frame(Label("0", k));
    for (int item = 1; item <= 6; ++item) {
        d.Select(item);
        frame(std::to_string(item) + "/start");
        for (int k = 1; k <= 159; ++k)
            d.Tick(), frame(Label(std::to_string(item), k));
        d.Tick(2);
        frame(std::to_string(item) + "/after");
        Jumps(player, std::to_string(item), frame);
        if (item >= 3) d.Comments(), frame(std::to_string(item) + "/comments");
    }
    // The trapezoid again, from where the first run left its output.
    d.Select(5);
    for (int k = 1; k <= 159; ++k)
        d.Tick(), frame(Label("5again", k));
    Jumps(player, "5again", frame);
    // A lesson restarted in its middle, from another one's table.
    d.Select(2);
    d.Tick(70);
    d.Select(2);
    for (int k = 1; k <= 5; ++k)
        d.Tick(), frame(Label("2restart", k));
    d.Select(0);
    d.Tick();
    frame("0/after-lessons");
}

// The laboratory's runs: every frame of a step answered with a damping near 0.5, changed in the
// middle of its run and then launched again over it (its faint trace), and of a limit cycle; the
// first, middle and last frames of the other shapes, with a dead zone.
void Laboratory(Driver& d, Player& player, const Frame& frame, const std::string& name) {
    const auto run = [&](const std::string& scene, std::vector<std::string> settings, bool all) {
        for (const std::string& s : settings)
            d.Set(s);
        d.Select(7);
        for (int k = 1; k <= 159; ++k) {
            if (k == 80 && scene == "step") d.Set("G=40");
            d.Tick();
            if (all || k == 1 || k == 80 || k == 159) frame(Label(name + "-" + scene, k));
        }
    };
    run("step", {"G=16.34", "amplitude=0.5", "Usat=off"}, true);
    if (name[0] != '=') Jumps(player, name + "-step", frame);
    run("again", {"G=2"}, true);
    run("cycle", {"G=321", "amplitude=2", "Usat=12"}, true);
    run("deadzone", {"G=4", "U0=1"}, false);
    run("ramp", {"forme=rampe", "U0=off", "G=16.34"}, false);
    run("sine", {"forme=sinus", "frequence=20"}, false);
    run("trapezoid", {"forme=trapeze", "Usat=off"}, false);
}

// The client area as it is on screen: the window's backing store, repainted only where
// something changed.
QImage OnScreen(Ttable& form) {
    QBackingStore* store = form.backingStore();
    if (store == nullptr || store->paintDevice()->devType() != QInternal::Image) return QImage();
    return static_cast<const QImage*>(store->paintDevice())->copy(0, 0, 793, 553);
}

// Where the pictures go: TT_FRAMES_DIR, or frames/ in the test's working directory.
std::string OutDir(const std::string& sub = "") {
    const QString base = qEnvironmentVariableIsEmpty("TT_FRAMES_DIR")
                             ? QDir::currentPath() + QStringLiteral("/frames")
                             : qEnvironmentVariable("TT_FRAMES_DIR");
    const std::string dir = base.toStdString() + sub;
    QDir().mkpath(QString::fromStdString(dir));
    return dir;
}

// Pixels that differ, in red over the new picture dimmed.
QImage Difference(const QImage& before, const QImage& after) {
    QImage out = after.convertToFormat(QImage::Format_RGB32);
    QPainter(&out).fillRect(out.rect(), QColor(255, 255, 255, 160));
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (At(before, x, y) != At(after, x, y)) out.setPixel(x, y, qRgb(255, 0, 0));
    return out;
}

std::string FileName(std::string label) {
    for (char& c : label)
        if (c == '/') c = '-';
    return label;
}

std::string Hex(quint64 sum) {
    char hex[20];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(sum));
    return hex;
}

}  // namespace

// Each frame has two checksums: of the drawing (the core's picture, which the web edition checks
// as well) and of the client area with the desktop's controls.
//   TT_SAVE_FRAMES=1     saves every picture as accepted/NAME.png (and NAME-drawing.png), to be
//                        compared with later (scripts/rebuild-frames.sh does it on the committed
//                        state);
//   TT_REBUILD_FRAMES=1  compares with the list as it is, writes each changed frame as NAME.png
//                        with NAME-diff.png (its changed pixels in red against the saved one),
//                        says how many changed, then rewrites the list.
TEST(Frames, EveryFrameOfEveryScene) {
    const std::string listPath = DataPath("frames.txt");
    std::map<std::string, std::pair<std::string, std::string>> accepted;
    {
        std::ifstream in(listPath);
        for (std::string label, drawing, client; in >> label >> drawing >> client;)
            accepted[label] = {drawing, client};
    }
    const bool rebuild = qEnvironmentVariableIntValue("TT_REBUILD_FRAMES") == 1;
    const bool save = qEnvironmentVariableIntValue("TT_SAVE_FRAMES") == 1;
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> seen;
    std::vector<std::string> changed, stale;
    auto d = std::make_unique<Driver>();
    Driver* shown = d.get();  // the window the pictures are taken of
    const Frame check = [&](const std::string& label) {
        QCoreApplication::processEvents();  // the player leaves the repaint to the event loop
        const QImage picture = shown->Client(), drawing = shown->Drawing();
        const std::pair sums{Hex(Checksum(drawing)), Hex(Checksum(picture))};
        if (Checksum(OnScreen(shown->form())) != Checksum(picture)) stale.push_back(label);
        const bool same = label[0] == '=';
        const std::string name = FileName(label);
        if (!same) seen.emplace_back(label, sums);
        if (save && !same) {
            picture.save(QString::fromStdString(OutDir("/accepted") + "/" + name + ".png"));
            drawing.save(QString::fromStdString(OutDir("/accepted") + "/" + name + "-drawing.png"));
        }
        const std::string entry(label.begin() + (same ? 1 : 0), label.end());
        if (accepted.count(entry) != 0 && accepted[entry] == sums) return;
        changed.push_back(label);
        const bool drawingChanged =
            accepted.count(entry) == 0 || accepted[entry].first != sums.first;
        for (const auto& [suffix, image] :
             {std::pair{"", picture}, std::pair{"-drawing", drawing}}) {
            if (std::string(suffix) == "-drawing" && !drawingChanged) continue;
            const std::string file = name + suffix;
            image.save(QString::fromStdString(OutDir() + "/" + file + ".png"));
            const QImage before(QString::fromStdString(OutDir("/accepted") + "/" + file + ".png"));
            if (!before.isNull())
                Difference(before, image)
                    .save(QString::fromStdString(OutDir() + "/" + file + "-diff.png"));
        }
    };
    Tour(*d, check);
    // The laboratory from start-up; then again with its model integrated with half the step,
    // which must draw exactly the same.
    for (const bool halved : {false, true}) {
        d.reset();  // one window at a time, as in the program
        d = std::make_unique<Driver>();
        shown = d.get();
        Player player(d->form());
        model::Experiment& lab = d->state().Lab;
        if (halved) lab.SetStepSize(lab.StepSize() / 2);
        d->Tick(2);
        Laboratory(*d, player, check, halved ? "=lab" : "lab");
    }
    std::ostringstream names;
    for (std::size_t i = 0; i < changed.size() && i < 12; ++i)
        names << ' ' << changed[i];
    EXPECT_TRUE(stale.empty()) << stale.size()
                               << " frame(s) not shown on screen as drawn, the first "
                               << (stale.empty() ? "" : stale[0]);
    if (rebuild) {
        std::ofstream out(listPath);
        for (const auto& [label, sums] : seen)
            out << label << ' ' << sums.first << ' ' << sums.second << '\n';
        std::cout << changed.size() << " frame(s) changed:" << names.str()
                  << (changed.size() > 12 ? " …" : "") << "; " << seen.size() << " in the list ("
                  << accepted.size() << " before); pictures in " << OutDir() << '\n';
        return;
    }
    EXPECT_TRUE(changed.empty()) << changed.size() << " frame(s) differ from the list or are not "
                                 << "in it:" << names.str() << " (pictures in " << OutDir() << ")";
    EXPECT_EQ(seen.size(), accepted.size()) << "the list names frames the tour does not make";
}

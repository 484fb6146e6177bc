// Each scene's own figures, as data (tests/data/scenes.txt): the places, colours, texts and
// states that its laws give at chosen frames, each lesson played frame by frame from the menu.
//
// A row is a frame and a check:
//   @K CHECK     at frame K (the K-th tick of the scene: for the open loop, step k = K + 1)
//   @K+ CHECK    not yet true at frame K - 1, true at K and still at the last frame (texts)
// The checks (SURF is canvas, client, fond, table, lpulley, rpulley or pulleys; X,Y a pixel,
// X,Y-X2,Y2 a rectangle, both ends included; !COLOUR any other colour, or none of it):
//   SURF X,Y COLOUR              the pixel, or every pixel of the rectangle, in the colour
//   seg SURF X0,Y0 X1,Y1 COLOUR  a one-pixel segment: its start in the colour, its end not
//   sprite X,Y                   the pen sprite in TableBitmap with its top-left corner there
//   text SURF X,Y COLOUR FACE SIZE "TEXT"   every pixel of the text in the colour
//   phase N | shown NAME yes|no | vs VALUE (the trapezoid's memory, to the digits given)
// A scene is a menu item played from the idle screen, or "idle"; "prelude ITEM TICKS" first
// plays another scene for that many ticks; "set NAME=VALUE" sets the laboratory (item 7).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include <QPushButton>
#include <QTextEdit>

#include "engine/state.h"
#include "support/driver.h"

namespace {

struct Row {
    int line = 0, frame = 0;
    bool from = false;  // @K+
    std::string check;  // the words after the frame
};

struct SceneRows {
    std::string name;  // "idle" or the menu item
    int preludeItem = -1, preludeTicks = 0;
    std::vector<std::string> settings;  // of the laboratory, NAME=VALUE
    std::vector<Row> rows;
};

std::vector<SceneRows> ReadScenes() {
    std::vector<SceneRows> scenes;
    std::ifstream in(DataPath("scenes.txt"));
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::istringstream words(text);
        std::string first;
        if (!(words >> first) || first[0] == '#') continue;
        if (first == "scene") {
            scenes.push_back({});
            words >> scenes.back().name;
            continue;
        }
        if (first == "set" && !scenes.empty()) {
            scenes.back().settings.emplace_back();
            words >> scenes.back().settings.back();
            continue;
        }
        if (first == "prelude" && !scenes.empty()) {
            words >> scenes.back().preludeItem >> scenes.back().preludeTicks;
            continue;
        }
        EXPECT_TRUE(first[0] == '@' && !scenes.empty()) << "scenes.txt:" << line << ": " << text;
        if (first[0] != '@' || scenes.empty()) continue;
        Row row{line, std::atoi(first.c_str() + 1), first.back() == '+', ""};
        std::getline(words >> std::ws, row.check);
        scenes.back().rows.push_back(row);
    }
    return scenes;
}

// The words of a check; a text between double quotes is one word.
std::vector<std::string> Words(const std::string& check) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < check.size();) {
        if (check[i] == ' ') {
            ++i;
        } else if (check[i] == '"') {
            const std::size_t end = check.find('"', i + 1);
            words.push_back(check.substr(i + 1, end - i - 1));
            i = end == std::string::npos ? check.size() : end + 1;
        } else {
            const std::size_t end = std::min(check.find(' ', i), check.size());
            words.push_back(check.substr(i, end - i));
            i = end;
        }
    }
    words.resize(std::max<std::size_t>(words.size(), 7));
    return words;
}

QRect Area(const std::string& text) {
    int x0, y0, x1, y1;
    if (std::sscanf(text.c_str(), "%d,%d-%d,%d", &x0, &y0, &x1, &y1) == 4)
        return QRect(QPoint(x0, y0), QPoint(x1, y1));
    if (std::sscanf(text.c_str(), "%d,%d", &x0, &y0) == 2) return QRect(x0, y0, 1, 1);
    return QRect();
}

class Checker {
  public:
    explicit Checker(Driver& d) : d_(d) {}

    // What is wrong with the row at this moment ("" when it holds).
    std::string Problem(const std::string& check) {
        const std::vector<std::string> w = Words(check);
        const std::string& kind = w[0];
        if (kind == "phase")
            return d_.state().Phase == std::stoi(w[1])
                       ? ""
                       : "Phase is " + std::to_string(d_.state().Phase);
        if (kind == "vs") {
            const auto dot = w[1].find('.');
            const int digits = dot == std::string::npos ? 0 : int(w[1].size() - dot - 1);
            const double vs = d_.state().TrapezoidVs;
            const bool near = std::abs(vs - std::stod(w[1])) <= 0.5 * std::pow(10.0, -digits);
            return near ? "" : "TrapezoidVs is " + std::to_string(vs);
        }
        if (kind == "shown")
            return Shown(w[1]) == (w[2] == "yes") ? ""
                                                  : w[1] + (Shown(w[1]) ? " shown" : " hidden");
        if (kind == "sprite") {
            const QRect r = Area(w[1]);
            const QImage sprite = Q(std::as_const(d_.state().PenSprite).Image());
            return d_.Table().copy(r.x(), r.y(), 20, 40) == sprite ? "" : "no pen sprite there";
        }
        if (kind == "seg") return Pixels(w[1], w[2], w[4]) + Pixels(w[1], w[3], "!" + w[4]);
        if (kind == "text") {
            TColor c = 0;
            const QRect r = Area(w[2]);
            if (!ColourNamed(w[3], c) || r.isEmpty()) return "cannot read the row";
            const int missing =
                MissingInk(Surface(w[1]), r.x(), r.y(), c, QString::fromStdString(w[4]),
                           std::atoi(w[5].c_str()), QString::fromStdString(w[6]));
            return missing == 0 ? "" : std::to_string(missing) + " pixels of the text missing";
        }
        return Pixels(w[0], w[1], w[2]);
    }

  private:
    const QImage& Surface(const std::string& name) {
        if (name == "client") return surface_ = d_.Client();
        if (name == "fond") return surface_ = d_.Fond();
        if (name == "table") return surface_ = d_.Table();
        if (name == "lpulley") return surface_ = d_.Pulley(false);
        if (name == "rpulley") return surface_ = d_.Pulley(true);
        return surface_ = d_.Canvas();
    }

    std::string Pixels(const std::string& surf, const std::string& at, std::string colour) {
        if (surf == "pulleys") return Pixels("lpulley", at, colour) + Pixels("rpulley", at, colour);
        const bool negate = !colour.empty() && colour[0] == '!';
        if (negate) colour.erase(0, 1);
        TColor c = 0;
        const QRect r = Area(at);
        if (!ColourNamed(colour, c) || r.isEmpty()) return "cannot read the row";
        const QImage& image = Surface(surf);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if ((At(image, x, y) == c) == negate)
                    return surf + " (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                           ColourName(At(image, x, y)) + " ";
        return "";
    }

    bool Shown(const std::string& name) {
        Ttable& f = d_.form();
        if (name == "RichEdit1") return f.RichEdit1->isVisible();
        if (name == "RichEdit2") return f.RichEdit2->isVisible();
        const int n = name.size() == 2 && name[0] == 'B' ? name[1] - '1' : -1;
        QPushButton* const b = n >= 0 && n < 4 ? f.B[std::size_t(n)] : nullptr;
        return b != nullptr && b->isVisible() && b->isEnabled() &&
               b->geometry() == QRect(60, 380, 180, 30);
    }

    Driver& d_;
    QImage surface_;
};

}  // namespace

TEST(Scenes, FiguresOfEachSceneAtItsFrames) {
    const std::vector<SceneRows> scenes = ReadScenes();
    ASSERT_GE(scenes.size(), 8u);
    for (const SceneRows& scene : scenes) {
        Driver d;
        const bool idle = scene.name == "idle";
        int last = 0;
        for (const Row& row : scene.rows)
            last = std::max(last, row.frame);
        if (!idle) d.Tick(2);
        if (scene.preludeItem >= 0) d.Select(scene.preludeItem), d.Tick(scene.preludeTicks);
        for (const std::string& setting : scene.settings)
            d.Set(setting);
        if (!idle) d.Select(std::stoi(scene.name));
        Checker checker(d);
        for (int k = 1; k <= last; ++k) {
            d.Tick();
            for (const Row& row : scene.rows) {
                const bool now = row.frame == k || (row.from && k == last);
                const bool before = row.from && row.frame == k + 1;
                if (!now && !before) continue;
                const std::string problem = checker.Problem(row.check);
                if (now) {
                    EXPECT_EQ(problem, "") << "scenes.txt:" << row.line << " scene " << scene.name
                                           << " frame " << k << ": " << row.check;
                } else {
                    EXPECT_NE(problem, "") << "scenes.txt:" << row.line << " scene " << scene.name
                                           << " frame " << k << " (too early): " << row.check;
                }
            }
        }
    }
}

// Where a column spans many periods (a sine at 79.5 or 80 Hz on a slow loop, a slow sine on a
// limit cycle), each column of the laboratory's charts, as its frame draws it, spans the range of
// its signal over that frame, that of the model stepped on its own at every step, to a pixel and
// no more. The scales: 55 pixels for the amplitude, 45 for Usat, 38 for the speed under Usat.
TEST(Laboratory, ColumnsShowEachSignalsRange) {
    const model::Parameters p;
    const double top = 12 * p.Kt / (p.R * p.f + p.Ke * p.Kt);
    using Signal = std::pair<TColor, double model::Sample::*>;
    const struct {
        int base, band;
        double scale;
        std::vector<Signal> curves;
    } charts[] = {{140, 75, 55 / 2.0, {{clGreen, &model::Sample::ve}, {clRed, &model::Sample::vs}}},
                  {280, 55, 45 / 12.0, {{clMaroon, &model::Sample::u}}},
                  {390, 40, 38 / top, {{clHighlight, &model::Sample::omega}}}};
    for (const auto& [gain, frequency] :
         {std::pair{"321", "0.1"}, {"0.5", "79.5"}, {"0.5", "80"}}) {
        Driver d;
        d.Tick(2);
        for (const std::string& s : {"G=" + std::string(gain), std::string("forme=sinus"),
                                     "frequence=" + std::string(frequency)})
            d.Set(s);
        d.Select(7);
        const model::Experiment& e = d.state().Lab;
        model::Loop loop;
        loop.SetSettings(e.inputs().settings);
        QImage first;  // the labels, under the columns
        for (int k = 1; k <= model::Experiment::kFrames; ++k) {
            d.Tick();
            const QImage image = d.Canvas();
            if (k == 1) first = image;
            ASSERT_TRUE(e.PeakDetect()) << frequency;
            // Each signal over the frame: from the frame before, at every step.
            std::vector<model::Sample> steps{loop.Now(e.setPoint())};
            const double to = e.span() * k / model::Experiment::kFrames;
            while (loop.time() < to - 1e-12) {
                loop.Advance(std::min(1e-4, to - loop.time()), e.setPoint());
                steps.push_back(loop.Now(e.setPoint()));
            }
            const int x = 50 + k;
            for (const auto& chart : charts) {
                int high = chart.base + chart.band, low = chart.base - chart.band;  // expected
                int seenHigh = high, seenLow = low;
                for (const auto& [colour, member] : chart.curves) {
                    double lo = INFINITY, hi = -INFINITY;
                    for (const model::Sample& step : steps)
                        lo = std::min(lo, step.*member), hi = std::max(hi, step.*member);
                    const auto y = [&](double v) {
                        return chart.base - int(std::clamp(chart.scale * v, -1.0 * chart.band,
                                                           1.0 * chart.band));
                    };
                    high = std::min(high, y(hi)), low = std::max(low, y(lo));
                    for (int row = chart.base - chart.band; row <= chart.base + chart.band; ++row) {
                        if (At(image, x, row) != colour || (k > 1 && At(first, x, row) == colour))
                            continue;
                        seenHigh = std::min(seenHigh, row), seenLow = std::max(seenLow, row);
                        ASSERT_TRUE(row >= y(hi) - 1 && row <= y(lo) + 1)
                            << frequency << " Hz, frame " << k << " row " << row;
                    }
                }
                ASSERT_LE(std::abs(seenHigh - high) + std::abs(seenLow - low), 2)
                    << frequency << " Hz, frame " << k << " chart " << chart.base;
            }
        }
    }
}

// The cost of one timer tick of the real window, repaint included, for every scene: the idle
// screen, the presentation, and each lesson at an early, a middle and a late frame (the late one
// with its conclusions).
//
// A lesson frame k is set up by playing the lesson up to frame k - 1 outside the timed region;
// each timed iteration then puts the phase machine back where frame k starts and ticks once.
// Replaying a frame draws the same pixels again, so every iteration costs what frame k costs.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

#include "app/look.h"
#include "app/snapshot.h"
#include "app/table.h"
#include "engine/globals.h"

namespace {

// Counts the paint events a widget receives, to show that each tick's repaint really happens
// inside the timed region.
class PaintCounter : public QObject {
  public:
    using QObject::QObject;
    std::int64_t paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// What a frame starts from: the phase machine and the trapezoid's simulated output.
struct PhaseState {
    std::int32_t phase, lowGain, highGain, instability, trapezoid, nonLinear;
    double trapezoidVs, veFrom, veTo;

    static PhaseState Save() {
        return {Phase,           StepLowGain,   StepHighGain,
                StepInstability, StepTrapezoid, StepNonLinear,
                TrapezoidVs,     VeFromY,       VeToY};
    }
    void Restore() const {
        Phase = phase;
        StepLowGain = lowGain;
        StepHighGain = highGain;
        StepInstability = instability;
        StepTrapezoid = trapezoid;
        StepNonLinear = nonLinear;
        TrapezoidVs = trapezoidVs;
        VeFromY = veFrom;
        VeToY = veTo;
    }
};

// The scenes by menu item; -1 is the idle screen.
struct Scene {
    const char* name;
    int item;
};
constexpr Scene kScenes[] = {
    {"idle", -1},     {"presentation", 0}, {"open_loop", 1}, {"low_gain", 2},
    {"high_gain", 3}, {"instability", 4},  {"trapezoid", 5}, {"non_linear", 6},
};

// One window, kept between the calls of a benchmark so that a lesson is played up to its frame
// only once.
struct Stage {
    std::unique_ptr<Ttable> form;
    int item = -2;
    int frame = -1;
    PhaseState start{};
};
Stage stage;

// The timed work: one tick and the repaint it asks for. Kept out of line so that a profiler can
// collect this function alone (valgrind --tool=callgrind --toggle-collect='*TimedTick*').
[[gnu::noinline]] void TimedTick(Ttable& form) {
    form.Timer1->Fire();
    QCoreApplication::processEvents();
}

// Brings the window to the start of `frame` of the scene of menu item `item` (a fresh window
// for a new scene).
Ttable& SetUp(int item, int frame) {
    if (stage.form == nullptr || stage.item != item || stage.frame != frame) {
        stage.form.reset();
        stage.form = std::make_unique<Ttable>();
        Ttable& form = *stage.form;
        PrepareForScript(form);
        ApplyAction(form, {ScriptAction::Ticks, 2});  // the idle screen, as at start-up
        if (item >= 0) {
            ApplyAction(form, {ScriptAction::Select, item});
            ApplyAction(form, {ScriptAction::Ticks, frame - 1});
        }
        stage.item = item;
        stage.frame = frame;
        stage.start = PhaseState::Save();
    }
    stage.start.Restore();
    return *stage.form;
}

void TickBenchmark(benchmark::State& state, int item, int frame) {
    Ttable& form = SetUp(item, frame);
    PaintCounter fondPaints, windowPaints;
    form.FOND->installEventFilter(&fondPaints);
    form.installEventFilter(&windowPaints);
    for (auto _ : state) {
        stage.start.Restore();  // a few stores: no need to stop the clock
        TimedTick(form);
    }
    form.FOND->removeEventFilter(&fondPaints);
    form.removeEventFilter(&windowPaints);
    // One repaint of FOND per tick; the window itself only where its canvas changed.
    state.counters["fond_paints"] = benchmark::Counter(static_cast<double>(fondPaints.paints),
                                                       benchmark::Counter::kAvgIterations);
    state.counters["window_paints"] = benchmark::Counter(static_cast<double>(windowPaints.paints),
                                                         benchmark::Counter::kAvgIterations);
}

// TT_BENCH_ITERATIONS=N fixes the number of timed ticks (for a profiler run); otherwise the
// library chooses.
void RegisterAll() {
    const int iterations = qEnvironmentVariableIntValue("TT_BENCH_ITERATIONS");
    for (const Scene& scene : kScenes) {
        const bool lesson = scene.item >= 1;
        for (int frame : {5, 80, 150}) {
            std::string name = std::string("tick/") + scene.name;
            if (lesson) name += "/k:" + std::to_string(frame);
            const int item = scene.item;
            auto* b = benchmark::RegisterBenchmark(
                name.c_str(),
                [item, frame](benchmark::State& s) { TickBenchmark(s, item, frame); });
            b->Unit(benchmark::kMillisecond);
            if (iterations > 0) b->Iterations(iterations);
            if (!lesson) break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/table-tracante-bench-" + QByteArray::number(getuid());
        ::mkdir(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    ConfigureApplicationLook(app);
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    stage.form.reset();
    return 0;
}

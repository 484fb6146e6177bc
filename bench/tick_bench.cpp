// The cost of one timer tick of the real window, repaint included, for every scene: the idle
// screen, the presentation, and each lesson at an early, a middle and a late frame (the late one
// with its conclusions).
//
// A lesson frame k is set up by playing the lesson up to frame k - 1 outside the timed region;
// each timed iteration then puts the phase machine back where frame k starts and ticks once.
// Replaying a frame draws the same pixels again, so every iteration costs what frame k costs,
// but for the repaint of the window's own canvas: a replay changes nothing there. The whole
// lessons, played frame after frame, include it.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "desktop/look.h"
#include "desktop/player.h"
#include "desktop/snapshot.h"
#include "desktop/table.h"
#include "engine/session.h"

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

// Frames of a lesson: one per tick.
constexpr int kFrames = 159;

// The scenes by menu item; -1 is the idle screen.
struct Scene {
    const char* name;
    int item;
};
constexpr Scene kScenes[] = {
    {"idle", -1},       {"presentation", 0}, {"open_loop", 1},  {"low_gain", 2},   {"high_gain", 3},
    {"instability", 4}, {"trapezoid", 5},    {"non_linear", 6}, {"laboratory", 7},
};

// One window, kept between the calls of a benchmark so that a lesson is played up to its frame
// only once.
struct Stage {
    std::unique_ptr<Ttable> form;
    int item = -2;
    int frame = -1;
    State start;  // the window's state where the frame starts
};
Stage stage;

// The timed work: one tick and the repaint it asks for. Kept out of line so that a profiler can
// collect this function alone (valgrind --tool=callgrind --toggle-collect='*TimedTick*').
[[gnu::noinline]] void TimedTick(Ttable& form) {
    form.Timer1Timer();
    QCoreApplication::processEvents();
}

// The window's pictures, which Restore keeps.
std::array<TBitmap*, 8> Pictures(State& s) {
    return {&s.WindowCanvas, &s.FOND.Picture.Bitmap, &s.PenSprite,  &s.TableBitmap,
            &s.TableMask,    &s.BackgroundBitmap,    &s.LeftPulley, &s.RightPulley};
}

// Puts the window's state back where the frame starts, with nothing left to repaint: the frame
// is then drawn and shown again. The pictures stay as the last tick left them, their own and in
// the processor's caches as in a window that plays (drawing a frame again over itself changes no
// pixel); copying them back from the frame's start would time a tick on cold memory instead.
void Restore(Ttable& form) {
    State& s = form.state();
    std::array<TBitmap, 8> kept;
    for (std::size_t i = 0; i < kept.size(); ++i)
        kept[i] = *Pictures(s)[i];
    s = stage.start;
    for (std::size_t i = 0; i < kept.size(); ++i)
        *Pictures(s)[i] = kept[i];
    TakeDirtyRect(s);
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
        stage.start = form.state();
    }
    Restore(*stage.form);
    return *stage.form;
}

// The processor time of this thread, in seconds.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void TickBenchmark(benchmark::State& state, int item, int frame) {
    Ttable& form = SetUp(item, frame);
    PaintCounter fondPaints, windowPaints;
    form.FOND->installEventFilter(&fondPaints);
    form.installEventFilter(&windowPaints);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Restore(form);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        TimedTick(form);
        cpu += ThreadSeconds() - cpuStart;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    form.FOND->removeEventFilter(&fondPaints);
    form.removeEventFilter(&windowPaints);
    // One repaint of FOND per tick; the window itself only where its canvas changed.
    state.counters["fond_paints"] = benchmark::Counter(static_cast<double>(fondPaints.paints),
                                                       benchmark::Counter::kAvgIterations);
    state.counters["window_paints"] = benchmark::Counter(static_cast<double>(windowPaints.paints),
                                                         benchmark::Counter::kAvgIterations);
    // The same per tick as the library's times, for one table with the whole lessons below.
    state.counters["wall_ms"] = benchmark::Counter(wall * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// A whole lesson played frame after frame, as the timer plays it: the mean cost of its ticks.
// Replaying one frame (above) draws on the window's canvas what is already there, which then
// needs no repaint; here every frame adds its new curve segments and repaints them.
void LessonBenchmark(benchmark::State& state, int item) {
    stage.form.reset();
    stage.item = -2;
    auto form = std::make_unique<Ttable>();
    PrepareForScript(*form);
    ApplyAction(*form, {ScriptAction::Ticks, 2});
    PaintCounter fondPaints, windowPaints;
    form->FOND->installEventFilter(&fondPaints);
    form->installEventFilter(&windowPaints);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        ApplyAction(*form, {ScriptAction::Select, item});  // not counted: the time is ours
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        for (int frame = 1; frame <= kFrames; ++frame)
            TimedTick(*form);
        cpu += (ThreadSeconds() - cpuStart) / kFrames;
        const std::chrono::duration<double> lesson = std::chrono::steady_clock::now() - start;
        wall += lesson.count() / kFrames;
        state.SetIterationTime(lesson.count());
    }
    form->FOND->removeEventFilter(&fondPaints);
    form->removeEventFilter(&windowPaints);
    const double ticks = static_cast<double>(state.iterations()) * kFrames;
    state.counters["fond_paints"] = static_cast<double>(fondPaints.paints) / ticks;
    state.counters["window_paints"] = static_cast<double>(windowPaints.paints) / ticks;
    // Per tick: the library's own times are per lesson.
    state.counters["wall_ms"] = benchmark::Counter(wall * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// « Fin » in the middle of a lesson: the lesson replayed unseen from its start to its last
// frame, and the repaint of the whole window that follows.
void EndBenchmark(benchmark::State& state, int item) {
    stage.form.reset();
    stage.item = -2;
    auto form = std::make_unique<Ttable>();
    PrepareForScript(*form);
    Player player(*form);
    ApplyAction(*form, {ScriptAction::Ticks, 2});
    ApplyAction(*form, {ScriptAction::Select, item});
    ApplyAction(*form, {ScriptAction::Ticks, 80});
    double cpu = 0;
    for (auto _ : state) {
        const double cpuStart = ThreadSeconds();
        player.GoToEnd();
        QCoreApplication::processEvents();
        cpu += ThreadSeconds() - cpuStart;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// The core's tick alone, without a window: what the web edition's WebAssembly tick does (its
// rows are compared with these, bench/wasm_tick.js). A lesson is brought to the frame before by
// going back to it, untimed, then one tick is timed.
void CoreTickBenchmark(benchmark::State& state, int item, int frame) {
    Session session;
    session.Tick();
    session.Tick();
    if (item >= 0) session.Choose(item);
    double cpu = 0;
    for (auto _ : state) {
        if (item >= 1) {
            state.PauseTiming();
            session.GoTo(frame - 1);
            state.ResumeTiming();
        }
        const double cpuStart = ThreadSeconds();
        session.Tick();
        cpu += ThreadSeconds() - cpuStart;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// A whole lesson in the core alone, as tick/NAME/all plays it in the window: per tick.
void CoreLessonBenchmark(benchmark::State& state, int item) {
    Session session;
    session.Tick();
    session.Tick();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        session.Choose(item);
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        for (int frame = 1; frame <= kFrames; ++frame)
            session.Tick();
        cpu += (ThreadSeconds() - cpuStart) / kFrames;
        const std::chrono::duration<double> lesson = std::chrono::steady_clock::now() - start;
        wall += lesson.count() / kFrames;
        state.SetIterationTime(lesson.count());
    }
    state.counters["wall_ms"] = benchmark::Counter(wall * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

// « Fin » from frame 80 in the core alone: the lesson replayed unseen to its last frame.
void CoreEndBenchmark(benchmark::State& state, int item) {
    Session session;
    session.Tick();
    session.Tick();
    session.Choose(item);
    for (auto _ : state) {
        state.PauseTiming();
        session.GoTo(80);
        state.ResumeTiming();
        session.GoToEnd();
    }
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
            std::string core = std::string("core/") + scene.name;
            if (lesson) core += "/k:" + std::to_string(frame);
            b = benchmark::RegisterBenchmark(core.c_str(), [item, frame](benchmark::State& s) {
                CoreTickBenchmark(s, item, frame);
            });
            b->Unit(benchmark::kMillisecond);
            if (iterations > 0) b->Iterations(iterations);
            if (!lesson) break;
        }
        if (!lesson) continue;
        // Per lesson: played whole (a dozen lessons a repetition), and « Fin » from its middle.
        const int item = scene.item;
        const auto perLesson = [&](const std::string& name, void (*run)(benchmark::State&, int),
                                   bool whole) {
            auto* b = benchmark::RegisterBenchmark(
                name.c_str(), [item, run](benchmark::State& s) { run(s, item); });
            b->Unit(benchmark::kMillisecond);
            if (whole) b->UseManualTime();
            if (iterations > 0) {
                b->Iterations(std::max(1, iterations / kFrames));
            } else if (whole) {
                b->MinTime(0.3);
            }
        };
        perLesson(std::string("tick/") + scene.name + "/all", LessonBenchmark, true);
        perLesson(std::string("end/") + scene.name, EndBenchmark, false);
        perLesson(std::string("core/") + scene.name + "/all", CoreLessonBenchmark, true);
        perLesson(std::string("core/") + scene.name + "/end", CoreEndBenchmark, false);
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

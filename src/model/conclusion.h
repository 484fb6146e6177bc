// What a laboratory run shows, as a control engineer would say it: the kind of response, every
// figure the run lets one measure beside those of the linear theory, the French lines the scene
// prints and the JSON of --results. Plain C++: numbers and UTF-8 strings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/experiment.h"

namespace model {

// The kinds of response, each named by its French word (VerdictName):
//  - « amorti »: the response settles without ringing on (fewer than four swings of the error
//    beyond 4 % of the move);
//  - « oscillation amortie »: it rings, and the swings of the error shrink from one period to the
//    next by more than 0.5 %;
//  - « oscillation entretenue »: they neither shrink nor grow by 0.5 % a period (a limit cycle);
//  - « divergence »: they grow, or only the end stops bound them;
//  - « au repos »: nothing is asked of the loop and nothing moves;
//  - « bloqué »: an error remains that the pen does not move to reduce: a set point within the
//    dead zone, a saturation below it, or the pen held against a stop.
enum class Verdict { Damped, DampedOscillation, Sustained, Divergence, AtRest, Stuck };
const char* VerdictName(Verdict v);

// One figure, its quantity and unit in its key ("D (%)", "tp (s)"); without a value where it
// applies to the run but the run does not let it be measured, `missing` then says why.
struct Figure {
    std::string key;
    std::optional<double> value;
    std::string missing;
};

struct Conclusion {
    Verdict verdict = Verdict::AtRest;
    std::string cause;   // « bloqué »: « zone morte », « saturation » or « butée »
    bool stable = true;  // the linear loop, by Routh
    std::vector<Figure> measured, theory;
    // The lines the scene prints (French, each short enough for about 300 pixels of Arial 8):
    // the measures under their heading, then the theory under its own.
    std::vector<std::string> measuredLines, theoryLines;

    std::optional<double> Measured(std::string_view key) const;
    std::optional<double> Theory(std::string_view key) const;
};

// The run so far, from the last change of inputs (and for a trapezoid from its last corner).
Conclusion Conclude(const Experiment& run);

// One JSON object: "classe" first (one of the six words), the cause, the inputs, then every
// measured figure and every theoretical one (null where it cannot be measured), and the lines.
std::string ResultsJson(const Experiment& run);

// A JSON string: quotes, backslashes and control characters escaped, the rest as it is (UTF-8).
std::string JsonString(std::string_view text);

// Numbers as the scenes print them: a decimal comma, thousands apart (« 10 000 », with a
// no-break space), never "-0".
std::string FrenchNumber(double v, int decimals);
std::string FrenchShort(double v);     // four significant digits at most: « 16,34 », « 10 000 »
std::string FrenchDuration(double s);  // « 34,3 ms » below a second, « 1,250 s » beyond

}  // namespace model

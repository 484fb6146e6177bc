// The command line: without options the program is the normal window; --snapshot FILE runs the
// given actions headless and writes a picture of the window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/scenes.h"
#include "model/settings.h"

struct ScriptAction {
    enum Kind { Ticks, Select, Comments, Set };
    ScriptAction(Kind k, int v = 0, std::string s = {})
        : kind(k), value(v), setting(std::move(s)) {}
    Kind kind;
    int value;
    std::string setting;  // Set: NAME=VALUE (model::ApplySetting), checked by ParseCommandLine
};

struct CommandLine {
    bool Scripted() const;

    bool help = false;
    std::string snapshotFile;  // a picture of the window at the end
    std::string recordFile;    // an animated GIF of every tick
    std::string csvFile;       // the laboratory's run as CSV, at the end
    std::string resultsFile;   // the laboratory run's conclusion as JSON, at the end
    std::vector<ScriptAction> actions;
};

// The files a scripted run writes: the option, where its file name is kept, and whether it is a
// record of the laboratory's run (which --select 7 must then launch). They are all checked before
// any work: two of them may not name the same file.
struct OutputOption {
    const char* option;
    std::string CommandLine::*file;
    bool needsLaboratory;
};
inline constexpr OutputOption kOutputOptions[] = {
    {"--snapshot", &CommandLine::snapshotFile, false},
    {"--record", &CommandLine::recordFile, false},
    {"--csv", &CommandLine::csvFile, true},
    {"--results", &CommandLine::resultsFile, true},
};

inline bool CommandLine::Scripted() const {
    for (const OutputOption& o : kOutputOptions)
        if (!(this->*o.file).empty()) return true;
    return false;
}

inline constexpr int kMaxTicks = 100000;

// Reads the arguments (without the program name). On bad input, returns nothing and sets
// `error` to one line that names the problem.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);

std::string UsageText();

// The command line: without options the program is the normal window; --snapshot FILE runs the
// given actions headless and writes a picture of the window.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct ScriptAction {
    enum Kind { Ticks, Select, Comments } kind;
    int value = 0;
};

struct CommandLine {
    bool Scripted() const { return !snapshotFile.empty() || !recordFile.empty(); }

    bool help = false;
    std::string snapshotFile;  // a picture of the window at the end
    std::string recordFile;    // an animated GIF of every tick
    std::vector<ScriptAction> actions;
};

inline constexpr int kMaxTicks = 100000;

// Reads the arguments (without the program name). On bad input, returns nothing and sets
// `error` to one line that names the problem.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);

std::string UsageText();

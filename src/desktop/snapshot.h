// Headless runs: actions applied to the window as a user and the timer would, then a picture.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <iterator>
#include <string>

#include "desktop/command_line.h"
#include "output/output.h"

class Ttable;

// Exit statuses of a scripted run (documented by --help).
inline constexpr int kExitFailure = 1;  // the program could not start
inline constexpr int kExitUsage = 2;    // a wrong option or value
inline constexpr int kExitOutput = 3;   // a picture, recording or data file could not be written

// The files of a scripted run, in the order of kOutputOptions, opened before any work so that a
// wrong name costs nothing: all located first, refused if two are the same file, then created.
// Returns 0 or the exit status, and sets `error`.
struct ScriptOutputs {
    Output files[std::size(kOutputOptions)];
    Output& Of(std::string CommandLine::*file);
};
int OpenScriptOutputs(const CommandLine& cl, ScriptOutputs& outputs, std::string& error);

// Prepares a window for scripted use: no live timer, errors on stderr, laid out at full size.
void PrepareForScript(Ttable& form);

// One action: N timer ticks, a menu choice followed by a click on the start button (7: a run of
// the laboratory), a click on the comment button that is showing, or a setting of the
// laboratory. `afterTick`, when given, runs after every tick.
void ApplyAction(Ttable& form, const ScriptAction& action,
                 const std::function<void()>& afterTick = {});

// A picture as PNG bytes.
QByteArray EncodePng(const QImage& picture);

// The whole scripted run (--snapshot, --record) into outputs opened by OpenScriptOutputs; returns
// the process's exit status.
int RunSnapshot(Ttable& form, const CommandLine& cl, ScriptOutputs& outputs);

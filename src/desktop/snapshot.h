// Headless runs: actions applied to the window as a user and the timer would, then a picture.
#pragma once

#include <QImage>
#include <QString>
#include <functional>

#include "desktop/command_line.h"
#include "desktop/output.h"

class Ttable;

// Exit statuses of a scripted run (documented by --help).
inline constexpr int kExitFailure = 1;  // the program could not start
inline constexpr int kExitUsage = 2;    // a wrong option or value
inline constexpr int kExitOutput = 3;   // a picture, recording or data file could not be written

// The files of a scripted run, opened before any work so that a wrong name costs nothing.
struct ScriptOutputs {
    Output picture;    // --snapshot
    Output recording;  // --record
    Output data;       // --csv
    Output results;    // --results
};
bool OpenScriptOutputs(const CommandLine& cl, ScriptOutputs& outputs, QString& error);

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

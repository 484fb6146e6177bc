// Headless runs: actions applied to the window as a user and the timer would, then a picture.
#pragma once

#include <QImage>
#include <QString>
#include <functional>

#include "app/command_line.h"

class Ttable;

// Prepares a window for scripted use: no live timer, errors on stderr, laid out at full size.
void PrepareForScript(Ttable& form);

// One action: N timer ticks, a menu choice followed by a click on the start button, or a click
// on the comment button that is showing. `afterTick`, when given, runs after every tick.
void ApplyAction(Ttable& form, const ScriptAction& action,
                 const std::function<void()>& afterTick = {});

// Writes a picture as PNG without leaving a partial file behind. On failure returns false and
// sets `error`.
bool WritePng(const QImage& picture, const QString& fileName, QString& error);

// Checks, before any work, that the file can be created. On failure sets `error`.
bool CheckWritable(const QString& fileName, QString& error);

// The whole scripted run (--snapshot, --record); returns the process's exit status.
int RunSnapshot(Ttable& form, const CommandLine& cl);

// The commentary panels and the run-time comment buttons.
#pragma once

#include <QString>
#include <cstdint>

#include "canvas/controls.h"

class Ttable;

// Loads a commentary document, found by name, into a panel.
void LoadCommentary(Ttable& form, TRichEdit* panel, const QString& fileName);

// Creates a comment button at the bottom of the chart area (the global then points to it).
void CreateCommentButton(Ttable& form, TButton*& button, std::int32_t& created,
                         const QString& caption, void (Ttable::*handler)(QObject*));

// The commentary panels and the run-time comment buttons.
#pragma once

#include <cstdint>
#include <string>

#include "engine/state.h"

// Loads a commentary document, found by name through the shell, into a panel. A document that
// cannot be shown leaves the panel as it was and says why in a message.
void LoadCommentary(State& s, TRichEdit& panel, const std::string& fileName);

// Creates a comment button at the bottom of the chart area.
void CreateCommentButton(TButton& button, std::int32_t& created, const char* caption);

// A new run of the laboratory with the inputs in force: the start button's tidying, with no item
// of the menu chosen.
void StartLaboratory(State& s);

// The commentary page of the scene on screen in RichEdit2: the comment button's, or the
// laboratory's own. False when the scene has none showing.
bool ShowComments(State& s);

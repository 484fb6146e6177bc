// The laboratory's settings as text, NAME=VALUE, the way the command line (--set) and the web
// edition's links give them.
#pragma once

#include <string>

#include "model/experiment.h"

namespace model {

// One of the laboratory's inputs from NAME=VALUE (G, forme, amplitude, Usat, U0, frequence).
// On a wrong name or value, returns false and sets `error`.
bool ApplySetting(const std::string& setting, Inputs& inputs, std::string& error);

}  // namespace model

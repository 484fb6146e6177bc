// The laboratory's settings as text, NAME=VALUE: what the command line's --set and a link of the
// web edition give. One table names them, with their units, ranges and French descriptions, for
// the parser, --help, the manual page and the panel's tooltips alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/experiment.h"

namespace model {

struct SettingInfo {
    std::string name;          // as NAME=VALUE takes it
    std::string alias;         // another accepted spelling, or empty
    std::string unit;          // "V", "Hz", or empty
    double low = 0, high = 0;  // the accepted range of a number (low == high: a word)
    bool canBeOff = false;     // "off" switches it off (and only "off")
    std::string words;         // the accepted words, for a word
    std::string what;          // what it sets, in French
    // « de 0,5 à 50 V, ou off », « echelon, rampe, trapeze ou sinus »
    std::string Accepted() const;
    // « Usat : saturation de l'amplificateur de puissance, de 0,5 à 50 V, ou off »
    std::string Describe() const;
};

// G, forme, amplitude, fréquence, Usat, U0: in that order.
const std::vector<SettingInfo>& SettingsTable();

// The highest amplitude accepted (V): what the pen reaches before its end stops, rounded down.
double ReachableAmplitude();

// One setting, NAME=VALUE, into `inputs`. On a wrong name or value returns false, leaves
// `inputs` as they were and sets `error` to one French line that shows at most 40 characters of
// what was given.
bool ApplySetting(std::string_view setting, Inputs& inputs, std::string& error);

}  // namespace model

#include "model/settings.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace model {

namespace {

// The laboratory's numeric inputs and their bounds, in their units.
struct Bound {
    const char* name;
    double low, high;
};
constexpr Bound kGain{"G", 0.01, 10000};
constexpr Bound kAmplitude{"amplitude", -10, 10};    // V: the sensor's range
constexpr Bound kUsat{"Usat", 0.5, 50};              // V
constexpr Bound kU0{"U0", 0.01, 10};                 // V
constexpr Bound kFrequency{"frequence", 0.01, 100};  // Hz

// A decimal number (a point or a comma before the decimals) within the bound.
std::optional<double> ParseValue(std::string text, const Bound& b) {
    for (char& ch : text)
        if (ch == ',') ch = '.';
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return {};
    if (v < b.low || v > b.high) return {};
    return v;
}

}  // namespace

bool ApplySetting(const std::string& setting, Inputs& in, std::string& error) {
    const auto eq = setting.find('=');
    const std::string name = setting.substr(0, eq),
                      value = eq == std::string::npos ? "" : setting.substr(eq + 1);
    auto number = [&](const Bound& b, double& to) {
        const auto v = ParseValue(value, b);
        if (!v) {
            char range[64];
            std::snprintf(range, sizeof range, "%g à %g", b.low, b.high);
            error = "valeur invalide pour " + name + " : « " + value + " » (attendu : de " + range +
                    ")";
            return false;
        }
        to = *v;
        return true;
    };
    auto onOff = [&](const Bound& b, bool& on, double& to) {
        on = !(value == "off" || value == "0");
        return !on || number(b, to);
    };
    if (name == kGain.name) return number(kGain, in.settings.gain);
    if (name == kAmplitude.name) return number(kAmplitude, in.amplitude);
    if (name == kFrequency.name) return number(kFrequency, in.frequency);
    if (name == kUsat.name) return onOff(kUsat, in.settings.saturation, in.settings.usat);
    if (name == kU0.name) return onOff(kU0, in.settings.deadZone, in.settings.u0);
    if (name == "forme") {
        const std::pair<const char*, Shape> shapes[] = {
            {"echelon", Shape::Step},      {"échelon", Shape::Step},
            {"rampe", Shape::Ramp},        {"trapeze", Shape::Trapezoid},
            {"trapèze", Shape::Trapezoid}, {"sinus", Shape::Sine}};
        for (const auto& [word, shape] : shapes)
            if (value == word) return in.shape = shape, true;
        error = "forme invalide : « " + value + " » (attendu : echelon, rampe, trapeze ou sinus)";
        return false;
    }
    error = "réglage inconnu pour --set : « " + name +
            " » (attendu : G, forme, amplitude, Usat, U0 ou frequence)";
    return false;
}


}  // namespace model

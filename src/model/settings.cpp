#include "model/settings.h"

#include <cmath>
#include <optional>

#include "model/conclusion.h"
#include "model/decimal.h"

namespace model {

namespace {

constexpr std::size_t kShownCharacters = 40;

// At most 40 characters of what the user typed (never cut inside a UTF-8 character), « … » for
// the rest.
std::string Shown(std::string_view text) {
    std::size_t at = 0, count = 0;
    while (at < text.size() && count < kShownCharacters) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
        ++count;
    }
    return "« " + std::string(text.substr(0, at)) + (at < text.size() ? "… »" : " »");
}

// A decimal number, a point or a comma before the decimals.
std::optional<double> Number(std::string_view text) {
    return ParseDecimal(text);
}

}  // namespace

double ReachableAmplitude() {
    return std::floor(10 * Loop().StopVoltage()) / 10;
}

const std::vector<SettingInfo>& SettingsTable() {
    static const std::vector<SettingInfo> table = [] {
        const double reach = ReachableAmplitude();
        std::vector<SettingInfo> t(6);
        t[0] = {"G", "", "", 0.01, 10000, false, "", "gain de l'amplificateur de réglage"};
        t[1] = {"forme",
                "",
                "",
                0,
                0,
                false,
                "echelon, rampe, trapeze ou sinus",
                "forme de la consigne"};
        t[2] = {"amplitude",
                "",
                "V",
                -reach,
                reach,
                false,
                "",
                "amplitude de la consigne (butées du crayon à ±" +
                    FrenchNumber(Loop().StopVoltage(), 2) + " V)"};
        t[3] = {"fréquence", "frequence", "Hz", 0.01, 100, false, "", "fréquence du sinus"};
        t[4] = {"Usat", "", "V", 0.5, 50, true, "", "saturation de l'amplificateur de puissance"};
        t[5] = {"U0", "", "V", 0.01, 10, true, "", "zone morte du moteur (frottement sec)"};
        return t;
    }();
    return table;
}

std::string SettingInfo::Accepted() const {
    if (low == high) return words;
    return "de " + FrenchShort(low) + " à " + FrenchShort(high) + (unit.empty() ? "" : " " + unit) +
           (canBeOff ? ", ou off" : "");
}

std::string SettingInfo::Describe() const {
    return name + " : " + what + ", " + Accepted();
}

bool ApplySetting(std::string_view setting, Inputs& in, std::string& error) {
    const std::size_t eq = setting.find('=');
    const std::string_view name = setting.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? "" : setting.substr(eq + 1);
    const auto& table = SettingsTable();
    const SettingInfo* row = nullptr;
    for (const SettingInfo& r : table)
        if (name == r.name || (!r.alias.empty() && name == r.alias)) row = &r;
    if (row == nullptr) {
        error = "réglage inconnu : " + Shown(name) + " (attendu : G, forme, amplitude, " +
                "fréquence, Usat ou U0)";
        return false;
    }
    if (eq == std::string_view::npos) {
        error = "réglage sans valeur : " + Shown(setting) + " (attendu : " + row->name + "=VALEUR)";
        return false;
    }
    if (row->name == "forme") {
        const std::pair<const char*, Shape> shapes[] = {
            {"echelon", Shape::Step},      {"échelon", Shape::Step},      {"rampe", Shape::Ramp},
            {"trapeze", Shape::Trapezoid}, {"trapèze", Shape::Trapezoid}, {"sinus", Shape::Sine}};
        for (const auto& [word, shape] : shapes)
            if (value == word) return in.shape = shape, true;
        error = "forme invalide : " + Shown(value) + " (attendu : " + row->words + ")";
        return false;
    }
    Settings& s = in.settings;
    const bool off = row->canBeOff && value == "off";
    const std::optional<double> v = Number(value);
    if (row->name == "amplitude" && v && std::abs(*v) > row->high) {
        error = "amplitude hors de portée du crayon : " + Shown(value) + " (ses butées sont à ±" +
                FrenchNumber(Loop().StopVoltage(), 2) + " V ; attendu : " + row->Accepted() + ")";
        return false;
    }
    if (!off && !(v && *v >= row->low && *v <= row->high)) {
        error = "valeur invalide pour " + row->name + " : " + Shown(value) +
                " (attendu : " + row->Accepted() + ")";
        return false;
    }
    if (row->name == "G") s.gain = *v;
    if (row->name == "amplitude") in.amplitude = *v;
    if (row->name == "fréquence") in.frequency = *v;
    if (row->name == "Usat") s.saturation = !off, s.usat = off ? s.usat : *v;
    if (row->name == "U0") s.deadZone = !off, s.u0 = off ? s.u0 : *v;
    return true;
}

}  // namespace model

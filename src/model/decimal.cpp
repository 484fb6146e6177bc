#include "model/decimal.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <locale>
#include <sstream>

namespace model {

std::string FormatDecimal(double v, char format, int precision) {
    char text[64];
    std::snprintf(text, sizeof text, format == 'f' ? "%.*f" : "%.*g", std::clamp(precision, 0, 17),
                  v);
    std::string out = text;
    // A locale may have put a comma; nothing else of printf's output depends on it.
    std::replace(out.begin(), out.end(), ',', '.');
    return out;
}

std::optional<double> ParseDecimal(std::string_view text) {
    std::string copy(text);
    std::replace(copy.begin(), copy.end(), ',', '.');
    // The grammar first: the stream would take "1e" or " 1" as well.
    std::size_t i = 0, digits = 0;
    if (i < copy.size() && (copy[i] == '+' || copy[i] == '-')) ++i;
    for (; i < copy.size() && std::isdigit(static_cast<unsigned char>(copy[i])); ++i)
        ++digits;
    if (i < copy.size() && copy[i] == '.')
        for (++i; i < copy.size() && std::isdigit(static_cast<unsigned char>(copy[i])); ++i)
            ++digits;
    if (digits == 0) return std::nullopt;
    if (i < copy.size() && (copy[i] == 'e' || copy[i] == 'E')) {
        ++i;
        if (i < copy.size() && (copy[i] == '+' || copy[i] == '-')) ++i;
        std::size_t exponent = 0;
        for (; i < copy.size() && std::isdigit(static_cast<unsigned char>(copy[i])); ++i)
            ++exponent;
        if (exponent == 0) return std::nullopt;
    }
    if (i != copy.size()) return std::nullopt;
    std::istringstream in(copy);
    in.imbue(std::locale::classic());
    double v = 0;
    in >> v;
    if (in.fail() || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace model

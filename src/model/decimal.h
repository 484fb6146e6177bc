// Numbers written and read with a point before the decimals, whatever the user's locale (the C
// library's printf and strtod follow it; the files we write and the settings we read do not).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace model {

// printf's "%.*f" (format 'f') or "%.*g" (format 'g'), with a point.
std::string FormatDecimal(double v, char format, int precision);

// A whole decimal number: an optional sign, digits with a point (or a comma) before the
// decimals, an optional exponent; nothing else, and finite.
std::optional<double> ParseDecimal(std::string_view text);

}  // namespace model

// The text routines of the results table: numbers with a decimal comma and a fixed count of
// decimals, row numbers, and the final '.'-to-',' pass. Numbers are written as a default-state
// string stream in the classic locale writes them (the "%g" text, 6 significant digits), so
// large values keep their scientific notation and a NaN prints "nan" or "-nan".
#pragma once

#include <string>
#include <vector>

namespace leafmargin {

// round(value * 10^precision) / 10^precision (halves away from zero), written in general
// notation, with its '.' turned into ',' and the decimals padded with '0' up to precision
// characters; a text without '.' ("3", "1e+06", "nan") gets ",00" appended.
std::string formatNumber(double value, int precision);

// Cuts text at every occurrence of delimiter (never empty). Always at least one piece; empty
// pieces are kept ("5." gives "5" and "").
std::vector<std::string> splitString(const std::string& text, const std::string& delimiter);

// Plain decimal digits, '-' for negative values, no padding.
std::string intToString(int value);

// text with every '.' replaced by ','.
std::string dotsToCommas(std::string text);

}  // namespace leafmargin

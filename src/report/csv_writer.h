// Tables that statistics packages read with their defaults (RFC 4180): fields separated by ',',
// each record ended by a line feed, no separator after the last field, a field enclosed in
// double quotes only when it holds ',', '"', CR or LF, numbers with a '.' and "NA" for a value
// that does not exist. Texts are bytes (UTF-8 passes through unchanged).
#pragma once

#include <string>
#include <vector>

namespace leafmargin {

// The field of a value that does not exist (an undetermined angle, a failed picture's mean).
constexpr const char* kNotAvailable = "NA";

// text as one field: unchanged, or enclosed in double quotes with every inner '"' doubled when
// it holds the separator, '"', CR or LF. The separator is ',' in the tidy tables and ';' in
// results.csv's dialect (combined.csv).
std::string csvField(const std::string& text, char separator = ',');

// The fields, each already made (csvField, csvNumber...), joined by ',' and closed by '\n'.
std::string csvRecord(const std::vector<std::string>& fields);

// A number of results.csv as a field: its cell text ("12,50", "-0,00", "1e+06,00",
// "1,23457e+06") with a '.' for the decimal comma and without the ",00" that only pads a
// scientific text; "NA" for an empty cell or one that is no finite number ("nan,00", "inf,00").
// The value a reader gets is the value results.csv shows.
std::string csvNumberFromCell(const std::string& cell);

// value rounded to decimals places as results.csv rounds it (formatNumber), as a field; "NA"
// when value is NaN or infinite.
std::string csvNumber(double value, int decimals = 2);

}  // namespace leafmargin

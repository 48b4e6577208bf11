#include "report/csv_writer.h"

#include <charconv>
#include <cmath>

#include "report/number_format.h"

namespace leafmargin {

std::string csvField(const std::string& text, char separator) {
  const char special[] = {separator, '"', '\r', '\n', '\0'};
  if (text.find_first_of(special) == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string csvRecord(const std::vector<std::string>& fields) {
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    record += fields[i];
  }
  return record + "\n";
}

std::string csvNumberFromCell(const std::string& cell) {
  std::string text = cell;
  const std::size_t comma = text.find(',');
  if (comma != std::string::npos) {
    if (text.find_first_of("eE") < comma) text.erase(comma);  // "1e+06,00"
    else text[comma] = '.';
  }
  // from_chars reads the classic format whatever the locale, and takes "nan" and "inf" too.
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
    return kNotAvailable;
  }
  return text;
}

std::string csvNumber(double value, int decimals) {
  if (!std::isfinite(value)) return kNotAvailable;
  return csvNumberFromCell(formatNumber(value, decimals));
}

}  // namespace leafmargin

#include "report/number_format.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace leafmargin {

namespace {

// The text of a default-state stream in the classic locale, whatever the global locale is.
template <typename T>
std::string classicText(T value) {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());
  stream << value;
  return stream.str();
}

}  // namespace

std::string formatNumber(double value, int precision) {
  const double scale = std::pow(10.0, precision);
  const double rounded = std::round(value * scale) / scale;
  const std::string text = classicText(rounded);

  const std::vector<std::string> pieces = splitString(text, ".");
  if (pieces.size() != 2) return text + ",00";

  std::string decimals = pieces[1];
  if (static_cast<int>(decimals.size()) < precision) {
    decimals.append(static_cast<std::size_t>(precision) - decimals.size(), '0');
  }
  return pieces[0] + "," + decimals;
}

std::vector<std::string> splitString(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> pieces;
  if (delimiter.empty()) return {text};  // nothing to cut at; never loops
  std::size_t start = 0;
  for (std::size_t found = text.find(delimiter, start); found != std::string::npos;
       found = text.find(delimiter, start)) {
    pieces.push_back(text.substr(start, found - start));
    start = found + delimiter.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string intToString(int value) { return classicText(value); }

std::string dotsToCommas(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

}  // namespace leafmargin

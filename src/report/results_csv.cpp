#include "report/results_csv.h"

#include <array>
#include <vector>

#include "report/measures.h"
#include "report/number_format.h"
#include "report/statistics.h"
#include "run/output_file.h"

namespace leafmargin {

namespace {

constexpr int kDecimals = 2;
constexpr const char* kFileName = "results.csv";

std::string cellText(const std::vector<double>& series, double scale, std::size_t row) {
  if (row >= series.size()) return "";
  return formatNumber(series[row] * scale, kDecimals);
}

// The table with '\n' line ends and the numbers as formatNumber writes them.
std::string composeTableLines(const MeasurementRecord& record, double mmPerPixel) {
  const auto series = measureSeries(record, mmPerPixel);
  std::string text = "Dent;";
  for (const MeasureColumn& column : measureColumns()) {
    text += '"';
    text += column.label;
    text += "\";";
  }
  text += '\n';

  for (std::size_t row = 0; row < record.teeth.size(); ++row) {
    text += intToString(static_cast<int>(row + 1)) + ";";
    for (const MeasureSeries& s : series) text += cellText(s.values, s.scale, row) + ";";
    text += '\n';
  }
  text += '\n';

  std::array<StatisticsTexts, kMeasureCount> statistics;
  for (std::size_t k = 0; k < kMeasureCount; ++k) {
    statistics[k] = computeStatistics(series[k].values, series[k].scale, kDecimals);
  }
  for (std::size_t r = 0; r < kStatisticsCount; ++r) {
    text += std::string(statisticsLabels()[r]) + ";";
    for (const StatisticsTexts& column : statistics) text += column[r] + ";";
    text += '\n';
  }
  text += "Profondeur max :;" + formatNumber(record.profondeurMax * mmPerPixel, kDecimals);
  text += '\n';
  return text;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

std::string composeResultsText(const MeasurementRecord& record, double mmPerPixel) {
  return withCrLf(dotsToCommas(composeTableLines(record, mmPerPixel)));
}

MaybeFailure writeResultsCsv(const MeasurementRecord& record, double mmPerPixel,
                             const std::string& directory) {
  return writeFileAtomically(directory, kFileName, composeResultsText(record, mmPerPixel));
}

}  // namespace leafmargin

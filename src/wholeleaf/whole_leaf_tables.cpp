#include "wholeleaf/whole_leaf_tables.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "report/csv_writer.h"

namespace leafmargin {

std::array<double, kMeasureCount> measuresOfRow(const MeasurementRecord& record, std::size_t row,
                                                double mmPerPixel) {
  std::array<double, kMeasureCount> values{};
  const auto series = measureSeries(record, mmPerPixel);
  for (std::size_t k = 0; k < kMeasureCount; ++k) {
    values[k] = row < series[k].values.size() ? series[k].values[row] * series[k].scale
                                               : std::numeric_limits<double>::quiet_NaN();
  }
  return values;
}

std::array<double, kMeasureCount> medianMeasures(const std::vector<std::array<double, kMeasureCount>>& rows) {
  std::array<double, kMeasureCount> medians{};
  for (std::size_t k = 0; k < kMeasureCount; ++k) {
    std::vector<double> values;
    for (const auto& row : rows)
      if (!std::isnan(row[k])) values.push_back(row[k]);
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    medians[k] = n == 0 ? std::numeric_limits<double>::quiet_NaN()
                        : 0.5 * (values[(n - 1) / 2] + values[n / 2]);
  }
  return medians;
}

std::string composeWholeLeafTeethTable(const std::vector<WholeLeafTooth>& teeth) {
  std::vector<std::string> header{"leaf", "position_mm", "tip_x", "tip_y", "windows"};
  for (const char* name : measureNames()) header.emplace_back(name);
  std::string text = csvRecord(header);
  for (const WholeLeafTooth& t : teeth) {
    std::vector<std::string> fields{std::to_string(t.leaf), csvNumber(t.positionMm),
                                    csvNumber(t.tip.x),
                                    csvNumber(t.tip.y), std::to_string(t.windows)};
    for (double value : t.measures) fields.push_back(csvNumber(value));
    text += csvRecord(fields);
  }
  return text;
}

std::string composeWholeLeafWindowsTable(const std::vector<WholeLeafWindow>& windows) {
  std::string text = csvRecord({"leaf", "window", "start_mm", "end_mm", "start_x", "start_y",
                                "end_x", "end_y", "status", "reason", "teeth"});
  for (const WholeLeafWindow& w : windows) {
    text += csvRecord({std::to_string(w.leaf), std::to_string(w.window), csvNumber(w.startMm),
                       csvNumber(w.endMm), csvNumber(w.start.x),
                       csvNumber(w.start.y), csvNumber(w.end.x),
                       csvNumber(w.end.y), w.measured ? "measured" : "rejected",
                       w.measured ? kNotAvailable : csvField(w.reason), std::to_string(w.teeth)});
  }
  return text;
}

std::string composeWholeLeafLeavesTable(const std::string& picture, const std::string& dpi,
                                        const std::vector<WholeLeafSummary>& leaves) {
  std::vector<std::string> header = dilpHeaderFields();
  for (const char* own : {"picture", "leaf", "dpi", "teeth", "outline_covered_pct", "border_length_mm"})
    header.emplace_back(own);
  std::string text = csvRecord(header);
  for (const WholeLeafSummary& l : leaves) {
    std::vector<std::string> fields = dilpFields(l.dilp);
    for (const std::string& own : {csvField(picture), std::to_string(l.leaf), dpi, std::to_string(l.teeth),
                                   csvNumber(l.coveredPct), csvNumber(l.borderLengthMm)})
      fields.push_back(own);
    text += csvRecord(fields);
  }
  return text;
}

}  // namespace leafmargin

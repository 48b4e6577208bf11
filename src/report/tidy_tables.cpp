#include "report/tidy_tables.h"

#include <cmath>
#include <locale>
#include <sstream>

#include "report/csv_writer.h"
#include "report/number_format.h"
#include "report/statistics.h"

namespace leafmargin {

namespace {

constexpr int kDecimals = 2;

std::string orNotAvailable(const std::string& field) {
  return field.empty() ? std::string(kNotAvailable) : csvField(field);
}

}  // namespace

TidyPicture tidyResults(const MeasurementRecord& record, double mmPerPixel) {
  TidyPicture picture;
  picture.ok = true;
  picture.exitCode = "0";
  const auto series = measureSeries(record, mmPerPixel);
  picture.teeth.resize(record.teeth.size());
  for (std::size_t row = 0; row < picture.teeth.size(); ++row) {
    picture.teeth[row].number = intToString(static_cast<int>(row + 1));
    for (std::size_t k = 0; k < kMeasureCount; ++k) {
      const std::vector<double>& values = series[k].values;
      if (row < values.size()) {
        picture.teeth[row].cells[k] = formatNumber(values[row] * series[k].scale, kDecimals);
      }
    }
  }
  for (std::size_t k = 0; k < kMeasureCount; ++k) {
    const StatisticsTexts stats = computeStatistics(series[k].values, series[k].scale, kDecimals);
    picture.means[k] = stats[kMeanStatistic];
    picture.deviations[k] = stats[kDeviationStatistic];
  }
  picture.deepestNotch = formatNumber(record.profondeurMax * mmPerPixel, kDecimals);
  return picture;
}

std::vector<std::string> teethTableColumns() {
  std::vector<std::string> columns = {"picture", "folder", "tooth", "dpi"};
  for (const char* name : measureNames()) columns.push_back(name);
  return columns;
}

std::string teethTableHeader() { return csvRecord(teethTableColumns()); }

std::string teethTableRows(const TidyPicture& p) {
  if (!p.ok) return "";
  std::string rows;
  for (const TidyTooth& tooth : p.teeth) {
    std::vector<std::string> fields = {csvField(p.picture), csvField(p.folder),
                                       csvField(tooth.number), orNotAvailable(p.dpi)};
    for (const std::string& cell : tooth.cells) fields.push_back(csvNumberFromCell(cell));
    rows += csvRecord(fields);
  }
  return rows;
}

std::vector<std::string> pictureTableColumns() {
  std::vector<std::string> columns = {"picture", "folder",  "path", "status", "exit_code",
                                      "message", "dpi", "teeth", "max_notch_depth_mm"};
  for (const char* name : measureNames()) {
    columns.push_back(std::string(name) + "_mean");
    columns.push_back(std::string(name) + "_sd");
  }
  return columns;
}

std::string pictureTableHeader() { return csvRecord(pictureTableColumns()); }

std::string pictureTableRow(const TidyPicture& p) {
  std::vector<std::string> fields = {csvField(p.picture),        csvField(p.folder),
                                     orNotAvailable(p.path),     p.ok ? "ok" : "failed",
                                     orNotAvailable(p.exitCode), csvField(p.message)};
  if (!p.ok) {
    fields.resize(fields.size() + 3 + 2 * kMeasureCount, kNotAvailable);
    return csvRecord(fields);
  }
  fields.push_back(orNotAvailable(p.dpi));
  fields.push_back(std::to_string(p.teeth.size()));
  fields.push_back(csvNumberFromCell(p.deepestNotch));
  for (std::size_t k = 0; k < kMeasureCount; ++k) {
    fields.push_back(csvNumberFromCell(p.means[k]));
    fields.push_back(csvNumberFromCell(p.deviations[k]));
  }
  return csvRecord(fields);
}

std::string dpiField(double dpi) {
  if (!std::isfinite(dpi)) return kNotAvailable;
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text.precision(10);
  text << dpi;
  return text.str();
}

}  // namespace leafmargin

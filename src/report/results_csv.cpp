#include "report/results_csv.h"

#include <array>
#include <vector>

#include "report/number_format.h"
#include "report/statistics.h"
#include "run/output_file.h"

namespace leafmargin {

namespace {

constexpr int kDecimals = 2;
constexpr const char* kFileName = "results.csv";

struct Column {
  const char* label;
  std::vector<double> series;
  double scale;
  bool scaled;  // false: written as stored (the symmetry percentages)
};

std::array<Column, 10> tableColumns(const MeasurementRecord& r, double mmPerPixel) {
  return {{
      {"largeur dents (mm)", seriesOf(r.teeth, &ToothRecord::largeurDent), mmPerPixel, true},
      {"hauteur dents (mm)", seriesOf(r.teeth, &ToothRecord::hauteurDent), mmPerPixel, true},
      {"largeur sinus (mm)", seriesOf(r.sinuses, &SinusRecord::largeurSinus), mmPerPixel, true},
      {"hauteur sinus (mm)", seriesOf(r.sinuses, &SinusRecord::hauteurSinus), mmPerPixel, true},
      {"rapport hauteur/largeur dents (%)", seriesOf(r.teeth, &ToothRecord::rapportHauteurLargeur), 100.0, true},
      {"angles dents (\xC2\xB0)", seriesOf(r.teeth, &ToothRecord::angleDent), kDegreesPerRadian, true},
      {"angles sinus (\xC2\xB0)", seriesOf(r.sinuses, &SinusRecord::angleSinus), kDegreesPerRadian, true},
      {"angles apicaux (\xC2\xB0)", seriesOf(r.teeth, &ToothRecord::angleApical), kDegreesPerRadian, true},
      {"sym\xC3\xA9tries des dents par rapport au centre de la base (%)", seriesOf(r.teeth, &ToothRecord::symetrieCentre), 1.0,
       false},
      {"sym\xC3\xA9tries des dents par rapport \xC3\xA0 la perpendiculaire \xC3\xA0 la base (%)",
       seriesOf(r.teeth, &ToothRecord::symetriePerpendiculaire), 1.0, false},
  }};
}

const std::array<const char*, 5> kStatisticsLabels = {
    "Minimum;", "Maximum;", "Moyenne;", "Ecart max \xC3\xA0 la moyenne;", "Ecart-type;"};

std::string cellText(const Column& column, std::size_t row) {
  if (row >= column.series.size()) return "";
  const double stored = column.series[row];
  return formatNumber(column.scaled ? stored * column.scale : stored, kDecimals);
}

// The table with '\n' line ends and the numbers as formatNumber writes them.
std::string composeTableLines(const MeasurementRecord& record, double mmPerPixel) {
  const std::array<Column, 10> columns = tableColumns(record, mmPerPixel);
  std::string text = "Dent;";
  for (const Column& column : columns) {
    text += '"';
    text += column.label;
    text += "\";";
  }
  text += '\n';

  for (std::size_t row = 0; row < record.teeth.size(); ++row) {
    text += intToString(static_cast<int>(row + 1)) + ";";
    for (const Column& column : columns) text += cellText(column, row) + ";";
    text += '\n';
  }
  text += '\n';

  std::array<StatisticsTexts, 10> statistics;
  for (std::size_t k = 0; k < columns.size(); ++k) {
    statistics[k] = computeStatistics(columns[k].series, columns[k].scale, kDecimals);
  }
  for (std::size_t r = 0; r < kStatisticsLabels.size(); ++r) {
    text += kStatisticsLabels[r];
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

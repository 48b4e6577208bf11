#include "report/statistics.h"

#include <cmath>

#include "report/number_format.h"

namespace leafmargin {

namespace {

bool usable(double v) { return v == v; }

}  // namespace

const std::array<const char*, kStatisticsCount>& statisticsLabels() {
  static const std::array<const char*, kStatisticsCount> labels = {
      "Minimum", "Maximum", "Moyenne", "Ecart max \xC3\xA0 la moyenne", "Ecart-type"};
  return labels;
}

StatisticsTexts computeStatistics(const std::vector<double>& values, double scale, int precision) {
  int count = 0;
  for (double v : values) {
    if (usable(v)) ++count;
  }
  if (count == 0) return {};

  double maximum = 0.0;
  for (double v : values) {
    if (usable(v) && v > maximum) maximum = v;
  }
  double minimum = 10000000.0;
  for (double v : values) {
    if (usable(v) && v < minimum) minimum = v;
  }
  double sum = 0.0;
  for (double v : values) {
    if (usable(v)) sum += v;
  }
  const double mean = (sum * scale) / count;

  double maxDeviation = 0.0;
  for (double v : values) {
    if (!usable(v)) continue;
    const double d = std::fabs(v * scale - mean);
    if (d > maxDeviation) maxDeviation = d;
  }
  double squares = 0.0;
  for (double v : values) {
    if (!usable(v)) continue;
    const double d = v * scale - mean;
    squares += d * d;
  }
  const double deviation = std::sqrt(squares / count);

  return {formatNumber(minimum * scale, precision), formatNumber(maximum * scale, precision),
          formatNumber(mean, precision), formatNumber(maxDeviation, precision),
          formatNumber(deviation, precision)};
}

}  // namespace leafmargin

// Summary statistics of one measurement column: minimum, maximum, mean, largest absolute
// deviation from the mean and population standard deviation, in the unit of the column and as
// the texts of the table. NaN entries are undetermined values and take no part.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace leafmargin {

constexpr std::size_t kStatisticsCount = 5;

// Minimum, maximum, mean, maximum deviation, standard deviation: the order of the table rows.
using StatisticsTexts = std::array<std::string, kStatisticsCount>;
// The rows the tidy tables take: the mean and the standard deviation.
constexpr std::size_t kMeanStatistic = 2;
constexpr std::size_t kDeviationStatistic = 4;

// The labels of the five rows as results.csv writes them: "Minimum", "Maximum", "Moyenne",
// "Ecart max à la moyenne", "Ecart-type".
const std::array<const char*, kStatisticsCount>& statisticsLabels();

// Each quantity is its own pass in list order over the non-NaN entries. The maximum starts at
// 0 and the minimum at 1e7; both are chosen among the stored values and scaled afterwards, the
// mean is (sum * scale) / n, and the deviations are taken on scaled values against it (divisor
// n). Every number goes through formatNumber(number, precision). A column without any non-NaN
// entry gives five empty texts.
StatisticsTexts computeStatistics(const std::vector<double>& values, double scale, int precision);

}  // namespace leafmargin

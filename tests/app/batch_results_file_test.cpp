// Reading back results.csv for the batch table: every table the report composes (round trip;
// hand-written tables are read in the combined table's tests), and the faults a truncated or
// foreign file shows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "app/batch_test_support.h"
#include "batch/results_file.h"
#include "report/results_csv.h"

namespace leafmargin::batch {
namespace {

using batchtest::resultsHeader;
using batchtest::twoToothResults;

// Rebuilds the lines of a results.csv from what was read back.
std::string reassemble(const ResultsTable& t) {
  std::string text = resultsHeader();
  for (const ToothRow& row : t.teeth) {
    text += row.number + ";";
    for (const std::string& cell : row.cells) text += cell + ";";
    text += "\r\n";
  }
  text += "\r\n";
  for (std::size_t r = 0; r < kStatisticsRows; ++r) {
    text += resultsLabels().statistics[r] + ";";
    for (const std::string& cell : t.statistics[r]) text += cell + ";";
    text += "\r\n";
  }
  return text + "Profondeur max :;" + t.deepestNotch + "\r\n";
}

TEST(BatchResultsParse, EveryTableTheReportComposesReadsBackWhole) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> value(-50.0, 5000.0);
  std::uniform_int_distribution<int> count(0, 14), coin(0, 5);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int trial = 0; trial < 200; ++trial) {
    MeasurementRecord r;
    const int teeth = count(random);
    const int sinuses = std::max(0, teeth + coin(random) % 3 - 1);  // one fewer, as many, one more
    auto fill = [&](std::vector<double>& series, int n) {
      for (int i = 0; i < n; ++i) series.push_back(coin(random) == 0 ? (coin(random) < 3 ? nan : -nan) : value(random));
    };
    for (auto* s : {&r.largeursDents, &r.hauteursDents, &r.rapportsHauteurLargeur, &r.anglesDents,
                    &r.anglesApicaux, &r.symetriesCentre, &r.symetriesPerpendiculaire}) {
      fill(*s, teeth);
    }
    for (auto* s : {&r.largeursSinus, &r.hauteursSinus, &r.anglesSinus}) fill(*s, sinuses);
    r.profondeurMax = value(random);

    const std::string text = composeResultsText(r);
    const ParsedResults parsed = parseResults(text);
    ASSERT_TRUE(parsed.ok) << parsed.error << "\n" << text;
    ASSERT_EQ(parsed.table.teeth.size(), static_cast<std::size_t>(teeth));
    EXPECT_EQ(reassemble(parsed.table), text);
  }
}

TEST(BatchResultsParse, NamesTheLineOfEachFault) {
  const std::string good = twoToothResults();
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const struct { std::string text; std::string error; } cases[] = {
      {"", "line 1: the file is empty"},
      {replaced("Dent;", "Tooth;"), "line 1: not the header of a results table"},
      {replaced("2;6,57;", "3;6,57;"), "line 3: expected the row of tooth 2"},
      {replaced("1;5,00;2,50;", "1;5,00;"), "line 2: expected the row of tooth 1"},
      {replaced("88,25;\r\n2;", "88,25\r\n2;"), "line 2: expected the row of tooth 1"},
      {resultsHeader() + "1;1;2;3;4;5;6;7;8;9;10;\r\n", "line 3: the file ends before the statistics"},
      {replaced("Maximum;", "Moyenne;"), "line 6: expected the line Maximum"},
      {good.substr(0, good.find("Ecart-type")), "line 9: the file ends before the line Ecart-type"},
      {good.substr(0, good.find("Profondeur")), "line 10: the file ends before the deepest notch"},
      {replaced("Profondeur max :;1,52", "Profondeur max :;1,52;"), "line 10: expected the line Profondeur max :"},
      {good + "\r\n", "line 11: unexpected text after the deepest notch"},
  };
  for (const auto& c : cases) {
    const ParsedResults parsed = parseResults(c.text);
    EXPECT_FALSE(parsed.ok) << c.error;
    EXPECT_EQ(parsed.error, c.error);
  }
  EXPECT_EQ(readResultsFile("/nonexistent/results.csv").error, "cannot be read");
}

}  // namespace
}  // namespace leafmargin::batch

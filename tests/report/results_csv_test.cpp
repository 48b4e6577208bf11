// The results table: the documented example byte for byte, the layout rules on other shapes of
// input (uneven sinus counts, no tooth, long tables, undetermined values), the column statistics
// (population deviation, NaN skipped, the start values of the minimum and maximum, the order of
// scaling and dividing), and the writer's promise that results.csv is always either the earlier
// table or the whole new one.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <unistd.h>

#include "report/number_format.h"
#include "report/results_csv.h"
#include "report/statistics.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

namespace fs = std::filesystem;
const double kNan = std::numeric_limits<double>::quiet_NaN();

const char* const kHeader =
    "Dent;\"largeur dents (mm)\";\"hauteur dents (mm)\";\"largeur sinus (mm)\";"
    "\"hauteur sinus (mm)\";\"rapport hauteur/largeur dents (%)\";\"angles dents (°)\";"
    "\"angles sinus (°)\";\"angles apicaux (°)\";"
    "\"symétries des dents par rapport au centre de la base (%)\";"
    "\"symétries des dents par rapport à la perpendiculaire à la base (%)\";";

MeasurementRecord workedExample() {
  MeasurementRecord r;
  // Width, height, ratio, tip angle, apical angle, the two symmetries.
  r.teeth = {{236, 118, 0.5, 1.2, 0.8, 92.5, 88.25},
             {310.5, 160.3, 160.3 / 310.5, 0.95, kNan, 87, 90},
             {287, 95.7, 95.7 / 287, 1.5707963267948966, 1.1, 100, 95.5}};
  // Width, height, angle.
  r.sinuses = {{250, 40.2, 2.1}, {298.4, 55, 1.9}, {275, 61.7, 2.3}};
  r.profondeurMax = 72;
  return r;
}

std::string crlfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST(ResultsText, WorkedExampleAndNoToothByteForByte) {
  EXPECT_EQ(composeResultsText(workedExample()),
            crlfLines({
                kHeader,
                "1;5,00;2,50;5,29;0,85;50,00;68,75;120,32;45,84;92,50;88,25;",
                "2;6,57;3,39;6,32;1,16;51,63;54,43;108,86;nan,00;87,00;90,00;",
                "3;6,07;2,03;5,82;1,31;33,34;90,00;131,78;63,03;100,00;95,50;",
                "",
                "Minimum;5,00;2,03;5,29;0,85;33,34;54,43;108,86;45,84;87,00;88,25;",
                "Maximum;6,57;3,39;6,32;1,31;51,63;90,00;131,78;63,03;100,00;95,50;",
                "Moyenne;5,88;2,64;5,81;1,11;44,99;71,06;120,32;54,43;93,17;91,25;",
                "Ecart max à la moyenne;0,89;0,75;0,52;0,26;11,65;18,94;11,46;8,59;6,83;4,25;",
                "Ecart-type;0,66;0,57;0,42;0,19;8,26;14,61;9,36;8,59;5,33;3,09;",
                "Profondeur max :;1,52",
            }));
  EXPECT_EQ(composeResultsText(MeasurementRecord{}),
            crlfLines({kHeader, "", "Minimum;;;;;;;;;;;", "Maximum;;;;;;;;;;;", "Moyenne;;;;;;;;;;;",
                       "Ecart max à la moyenne;;;;;;;;;;;", "Ecart-type;;;;;;;;;;;",
                       "Profondeur max :;0,00"}));
}

// n teeth with plain values; sinus series of n + sinusOffset entries.
MeasurementRecord simpleRecord(int teeth, int sinusOffset) {
  MeasurementRecord r;
  for (int i = 0; i < teeth; ++i) r.teeth.push_back({100.0 * (i + 1), 50.0, 0.5, 1.0, 0.5, 90.0, 80.0});
  for (int i = 0; i < teeth + sinusOffset; ++i) r.sinuses.push_back({200.0, 20.0, 2.0});
  return r;
}

TEST(ResultsText, RowsOfUnevenSeriesAndUndeterminedValues) {
  // One sinus more than teeth (the margin begins and ends with a tooth): the extra entry is in
  // the statistics only. One fewer: the missing cells are empty between their separators.
  MeasurementRecord extra = simpleRecord(2, 1);
  extra.sinuses.back().largeurSinus = 1000.0;  // 21,17 mm
  extra.sinuses.back().angleSinus = kNan;      // skipped by the statistics
  // NaN of two empty halves, and a width beyond the minimum's start value of 1e7 pixels.
  MeasurementRecord odd = simpleRecord(1, 0);
  volatile double zero = 0.0;
  odd.teeth[0].symetrieCentre = zero / zero;
  odd.teeth[0].largeurDent = 1e8;
  odd.profondeurMax = 236;
  struct Case {
    MeasurementRecord record;
    std::size_t lines;
    std::vector<std::pair<std::size_t, std::string>> expected;
  };
  const Case cases[] = {
      {simpleRecord(12, 0), 20, {{9, "9;19,05;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;"},
                                 {10, "10;21,17;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;"}}},
      {extra, 10, {{2, "2;4,23;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;"},
                   {3, ""},
                   {5, "Maximum;4,23;1,06;21,17;0,42;50,00;57,30;114,59;28,65;90,00;80,00;"},
                   {6, "Moyenne;3,18;1,06;9,88;0,42;50,00;57,30;114,59;28,65;90,00;80,00;"}}},
      {simpleRecord(3, -1), 11, {{3, "3;6,35;1,06;;;50,00;57,30;;28,65;90,00;80,00;"},
                                 {5, "Minimum;2,12;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;"}}},
      {odd, 9, {{1, "1;2,11667e+06;1,06;4,23;0,42;50,00;57,30;114,59;28,65;-nan,00;80,00;"},
                {3, "Minimum;211667,00;1,06;4,23;0,42;50,00;57,30;114,59;28,65;;80,00;"},
                {4, "Maximum;2,11667e+06;1,06;4,23;0,42;50,00;57,30;114,59;28,65;;80,00;"},
                {8, "Profondeur max :;5,00"}}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = splitString(composeResultsText(c.record), "\r\n");
    ASSERT_EQ(lines.size(), c.lines + 1);
    EXPECT_EQ(lines.back(), "");
    for (const auto& [index, text] : c.expected) EXPECT_EQ(lines[index], text) << index;
  }
}

// results.csv is always either the earlier table or the whole new one, and a failure leaves
// whatever stood in the way and no temporary file.
TEST(ResultsFile, ReplacedWholeOrLeftAsItWas) {
  const testing::ScratchDir dir("report");
  const std::string folder = dir.path().string();
  EXPECT_FALSE(writeResultsCsv(simpleRecord(20, 0), kMmPerPixel, folder + "/"));
  EXPECT_FALSE(writeResultsCsv(workedExample(), kMmPerPixel, folder));
  EXPECT_EQ(testing::readFile(dir.path() / "results.csv"), composeResultsText(workedExample()));
  EXPECT_EQ(dir.files(), std::vector<std::string>{"results.csv"});

  // The temporary file cannot be created: the earlier table stays.
  const std::string temporary = "results.csv.tmp." + std::to_string(getpid());
  fs::create_directory(dir.path() / temporary);
  MaybeFailure failure = writeResultsCsv(simpleRecord(4, 0), kMmPerPixel, folder);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->status, kExitNotWritten);
  EXPECT_EQ(failure->message, "Cannot write results.csv in " + folder + ": Is a directory");
  EXPECT_EQ(testing::readFile(dir.path() / "results.csv"), composeResultsText(workedExample()));
  fs::remove(dir.path() / temporary);

  // A folder stands where the table goes: the temporary file is removed, the folder stays.
  fs::remove(dir.path() / "results.csv");
  fs::create_directories(dir.path() / "results.csv" / "inside");
  failure = writeResultsCsv(workedExample(), kMmPerPixel, folder);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->message.rfind("Cannot write results.csv in " + folder + ": ", 0), 0u);
  EXPECT_EQ(dir.files(), std::vector<std::string>{"results.csv"});
  EXPECT_TRUE(fs::is_directory(dir.path() / "results.csv" / "inside"));

  // A folder below a regular file cannot be made.
  testing::writeFile(dir.path() / "plain", "x");
  failure = writeResultsCsv(workedExample(), kMmPerPixel, folder + "/plain/out");
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->message, "Cannot write results.csv in " + folder + "/plain/out: Not a directory");

  // An empty folder is the working directory.
  fs::remove_all(dir.path() / "results.csv");
  const fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  failure = writeResultsCsv(MeasurementRecord{}, kMmPerPixel, "");
  fs::current_path(previous);
  EXPECT_FALSE(failure);
  EXPECT_EQ(testing::readFile(dir.path() / "results.csv"), composeResultsText(MeasurementRecord{}));
}


TEST(Statistics, WorkedTable) {
  volatile double zero = 0.0;
  const double negativeNan = zero / zero;  // NaN with its sign bit set, as an empty symmetry
  struct Case { std::vector<double> values; double scale; StatisticsTexts expected; };
  const Case cases[] = {
      {{1, 2, 3, 4}, 1, {"1,00", "4,00", "2,50", "1,50", "1,12"}},  // divisor n, not n - 1
      {{kNan, 2, negativeNan, 4, kNan}, 1, {"2,00", "4,00", "3,00", "1,00", "1,00"}},
      {{7}, 1, {"7,00", "7,00", "7,00", "0,00", "0,00"}},
      {{5, 5, 8}, 100, {"500,00", "800,00", "600,00", "200,00", "141,42"}},
      // The maximum starts at 0 and the minimum at 1e7, both among the stored values.
      {{-3, -1}, 1, {"-3,00", "0,00", "-2,00", "1,00", "1,00"}},
      {{2e7, 3e7}, 2, {"2e+07,00", "6e+07,00", "5e+07,00", "1e+07,00", "1e+07,00"}},
      // The choice is made before scaling: with a negative scale the minimum text is larger.
      {{1, 3}, -1, {"-1,00", "-3,00", "-2,00", "1,00", "1,00"}},
      // (2070 * mmPerPixel) / 3 is 14.604999...: the mean prints below the minimum; any other
      // order of the operations gives 14,61.
      {{690, 690, 690}, kMmPerPixel, {"14,61", "14,61", "14,60", "0,00", "0,00"}},
      {{}, 1, {}},
      {{kNan, kNan}, kDegreesPerRadian, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(computeStatistics(c.values, c.scale, 2), c.expected) << c.values.size() << " " << c.scale;
}

}  // namespace
}  // namespace leafmargin

// The results table: the documented example byte for byte, the layout rules on many shapes of
// input (uneven sinus counts, no tooth, long tables, undetermined values), and the writer's
// promise that results.csv is always either the earlier table or the whole new one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <sstream>

#include "report/number_format.h"
#include "report/results_csv.h"

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
  r.largeursDents = {236, 310.5, 287};
  r.hauteursDents = {118, 160.3, 95.7};
  r.largeursSinus = {250, 298.4, 275};
  r.hauteursSinus = {40.2, 55, 61.7};
  r.rapportsHauteurLargeur = {0.5, 160.3 / 310.5, 95.7 / 287};
  r.anglesDents = {1.2, 0.95, 1.5707963267948966};
  r.anglesSinus = {2.1, 1.9, 2.3};
  r.anglesApicaux = {0.8, kNan, 1.1};
  r.symetriesCentre = {92.5, 87, 100};
  r.symetriesPerpendiculaire = {88.25, 90, 95.5};
  r.profondeurMax = 72;
  return r;
}

std::string crlfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> splitCrlf(const std::string& text) {
  std::vector<std::string> lines = splitString(text, "\r\n");
  EXPECT_EQ(lines.back(), "") << "the text must end with CR LF";
  lines.pop_back();
  return lines;
}

TEST(ResultsText, Constants) {
  EXPECT_EQ(kMmPerPixel, 25.4 / 1200);
  EXPECT_EQ(kDegreesPerRadian, 180 / 3.14159265359);
}

TEST(ResultsText, WorkedExampleByteForByte) {
  const std::string expected = crlfLines({
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
  });
  const std::string text = composeResultsText(workedExample());
  EXPECT_EQ(text, expected);
  EXPECT_EQ(text.size(), 876u);
}

TEST(ResultsText, NoToothGivesHeaderEmptyLineAndEmptyStatistics) {
  const std::string expected = crlfLines({
      kHeader,
      "",
      "Minimum;;;;;;;;;;;",
      "Maximum;;;;;;;;;;;",
      "Moyenne;;;;;;;;;;;",
      "Ecart max à la moyenne;;;;;;;;;;;",
      "Ecart-type;;;;;;;;;;;",
      "Profondeur max :;0,00",
  });
  EXPECT_EQ(composeResultsText(MeasurementRecord{}), expected);
}

// n teeth with plain values; sinus series of n + sinusOffset entries.
MeasurementRecord simpleRecord(int teeth, int sinusOffset) {
  MeasurementRecord r;
  for (int i = 0; i < teeth; ++i) {
    r.largeursDents.push_back(100.0 * (i + 1));
    r.hauteursDents.push_back(50.0);
    r.rapportsHauteurLargeur.push_back(0.5);
    r.anglesDents.push_back(1.0);
    r.anglesApicaux.push_back(0.5);
    r.symetriesCentre.push_back(90.0);
    r.symetriesPerpendiculaire.push_back(80.0);
  }
  for (int i = 0; i < teeth + sinusOffset; ++i) {
    r.largeursSinus.push_back(200.0);
    r.hauteursSinus.push_back(20.0);
    r.anglesSinus.push_back(2.0);
  }
  return r;
}

TEST(ResultsText, RowNumbersAreNeverPadded) {
  const std::vector<std::string> lines = splitCrlf(composeResultsText(simpleRecord(12, 0)));
  ASSERT_EQ(lines.size(), 12u + 8u);
  for (int i = 1; i <= 12; ++i) {
    EXPECT_EQ(lines[i].substr(0, lines[i].find(';')), intToString(i));
  }
  EXPECT_EQ(lines[10], "10;21,17;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;");
}

TEST(ResultsText, ExtraSinusIsInTheStatisticsOnly) {
  // The margin begins and ends with a tooth: one sinus more than teeth.
  MeasurementRecord r = simpleRecord(2, 1);
  r.largeursSinus.back() = 1000.0;   // 21,17 mm
  r.anglesSinus.back() = kNan;       // skipped by the statistics
  const std::vector<std::string> lines = splitCrlf(composeResultsText(r));
  ASSERT_EQ(lines.size(), 2u + 8u);
  EXPECT_EQ(lines[1], "1;2,12;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;");
  EXPECT_EQ(lines[2], "2;4,23;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[5], "Maximum;4,23;1,06;21,17;0,42;50,00;57,30;114,59;28,65;90,00;80,00;");
  EXPECT_EQ(lines[6], "Moyenne;3,18;1,06;9,88;0,42;50,00;57,30;114,59;28,65;90,00;80,00;");
}

TEST(ResultsText, MissingSinusLeavesEmptyCellsAndKeepsSeparators) {
  // The margin begins and ends with a sinus: one sinus fewer than teeth.
  const std::vector<std::string> lines = splitCrlf(composeResultsText(simpleRecord(3, -1)));
  ASSERT_EQ(lines.size(), 3u + 8u);
  EXPECT_EQ(lines[2], "2;4,23;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;");
  EXPECT_EQ(lines[3], "3;6,35;1,06;;;50,00;57,30;;28,65;90,00;80,00;");
  EXPECT_EQ(lines[5], "Minimum;2,12;1,06;4,23;0,42;50,00;57,30;114,59;28,65;90,00;80,00;");
}

TEST(ResultsText, UndeterminedAndLargeValuesStillUseCommas) {
  MeasurementRecord r = simpleRecord(1, 0);
  volatile double zero = 0.0;
  r.symetriesCentre[0] = zero / zero;  // two empty halves
  r.largeursDents[0] = 1e8;            // 2116666.67 mm
  r.profondeurMax = 236;
  const std::vector<std::string> lines = splitCrlf(composeResultsText(r));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[1], "1;2,11667e+06;1,06;4,23;0,42;50,00;57,30;114,59;28,65;-nan,00;80,00;");
  // Above the minimum's start value 1e7 px, the minimum stays at 1e7 px = 211666.67 mm.
  EXPECT_EQ(lines[3], "Minimum;211667,00;1,06;4,23;0,42;50,00;57,30;114,59;28,65;;80,00;");
  EXPECT_EQ(lines[4], "Maximum;2,11667e+06;1,06;4,23;0,42;50,00;57,30;114,59;28,65;;80,00;");
  EXPECT_EQ(lines[8], "Profondeur max :;5,00");
}

// Layout rules on random records of every size and sinus count: line count, eleven cells
// closed by ';' on every table line, CR LF only, no '.', and the row numbers.
TEST(ResultsText, LayoutHoldsOnRandomRecords) {
  std::mt19937 rng(20240601);
  std::uniform_real_distribution<double> pixels(0.0, 4000.0);
  std::uniform_real_distribution<double> angle(0.0, 3.14159265359);
  std::bernoulli_distribution undetermined(0.1);
  for (int trial = 0; trial < 300; ++trial) {
    const int teeth = static_cast<int>(rng() % 25);
    const int sinusCount = std::max(0, teeth + static_cast<int>(rng() % 3) - 1);
    MeasurementRecord r;
    for (int i = 0; i < teeth; ++i) {
      r.largeursDents.push_back(pixels(rng));
      r.hauteursDents.push_back(pixels(rng));
      r.rapportsHauteurLargeur.push_back(pixels(rng) / 1000.0);
      r.anglesDents.push_back(angle(rng));
      r.anglesApicaux.push_back(undetermined(rng) ? kNan : angle(rng));
      r.symetriesCentre.push_back(undetermined(rng) ? -kNan : pixels(rng) / 40.0);
      r.symetriesPerpendiculaire.push_back(pixels(rng) / 40.0);
    }
    for (int i = 0; i < sinusCount; ++i) {
      r.largeursSinus.push_back(pixels(rng));
      r.hauteursSinus.push_back(pixels(rng));
      r.anglesSinus.push_back(angle(rng));
    }
    r.profondeurMax = pixels(rng);

    const std::string text = composeResultsText(r);
    ASSERT_EQ(text.find('.'), std::string::npos);
    const std::vector<std::string> lines = splitCrlf(text);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(teeth) + 8u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << "line " << i;
      if (i == static_cast<std::size_t>(teeth) + 1) {
        EXPECT_EQ(line, "");
      } else if (i + 1 == lines.size()) {
        EXPECT_EQ(line.rfind("Profondeur max :;", 0), 0u);
        EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 1);
      } else {
        EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 11) << "line " << i;
        EXPECT_EQ(line.back(), ';');
      }
      if (i >= 1 && i <= static_cast<std::size_t>(teeth)) {
        EXPECT_EQ(line.rfind(intToString(static_cast<int>(i)) + ";", 0), 0u);
      }
    }
  }
}

// A fresh directory per test, removed afterwards.
class ResultsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "leafmargin-report-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
  }
  std::string tempName() const { return "results.csv.tmp." + std::to_string(getpid()); }

  fs::path dir_;
};

TEST_F(ResultsFile, WritesTheComposedBytesAndNothingElse) {
  EXPECT_FALSE(writeResultsCsv(workedExample(), kMmPerPixel, dir_.string()));
  EXPECT_EQ(readAll(dir_ / "results.csv"), composeResultsText(workedExample()));
  EXPECT_EQ(entries(), std::set<std::string>{"results.csv"});
}

TEST_F(ResultsFile, EmptyDirectoryMeansTheWorkingDirectory) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  const MaybeFailure failure = writeResultsCsv(workedExample(), kMmPerPixel, "");
  fs::current_path(previous);
  EXPECT_FALSE(failure) << failure->message;
  EXPECT_EQ(readAll(dir_ / "results.csv").size(), 876u);
}

TEST_F(ResultsFile, SecondRunReplacesTheWholeFile) {
  ASSERT_FALSE(writeResultsCsv(simpleRecord(20, 0), kMmPerPixel, dir_.string() + "/"));
  const std::size_t longSize = readAll(dir_ / "results.csv").size();
  ASSERT_FALSE(writeResultsCsv(simpleRecord(1, 0), kMmPerPixel, dir_.string()));
  const std::string second = readAll(dir_ / "results.csv");
  EXPECT_EQ(second, composeResultsText(simpleRecord(1, 0)));
  EXPECT_LT(second.size(), longSize);
  EXPECT_EQ(entries(), std::set<std::string>{"results.csv"});
}

TEST_F(ResultsFile, DirectoryBelowARegularFileFailsWithOneLine) {
  std::ofstream(dir_ / "plain").put('x');
  const std::string target = (dir_ / "plain" / "out").string();
  const MaybeFailure status = writeResultsCsv(workedExample(), kMmPerPixel, target);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->status, kExitNotWritten);
  EXPECT_EQ(status->message, "Cannot write results.csv in " + target + ": Not a directory");
  EXPECT_EQ(entries(), std::set<std::string>{"plain"});
}

TEST_F(ResultsFile, FailedOpenLeavesTheEarlierTableAndWhatBlockedIt) {
  ASSERT_FALSE(writeResultsCsv(workedExample(), kMmPerPixel, dir_.string()));
  const std::string earlier = readAll(dir_ / "results.csv");
  fs::create_directory(dir_ / tempName());  // the temporary file cannot be created

  const MaybeFailure status = writeResultsCsv(simpleRecord(4, 0), kMmPerPixel, dir_.string());
  ASSERT_TRUE(status);
  EXPECT_EQ(status->message,
            "Cannot write results.csv in " + dir_.string() + ": Is a directory");
  EXPECT_EQ(readAll(dir_ / "results.csv"), earlier);
  EXPECT_TRUE(fs::is_directory(dir_ / tempName()));
}

TEST_F(ResultsFile, FailedReplaceRemovesTheTemporaryFile) {
  fs::create_directories(dir_ / "results.csv" / "inside");  // cannot be replaced by a file
  const MaybeFailure status = writeResultsCsv(workedExample(), kMmPerPixel, dir_.string());
  ASSERT_TRUE(status);
  EXPECT_EQ(status->message.rfind("Cannot write results.csv in " + dir_.string() + ": ", 0), 0u);
  EXPECT_EQ(entries(), std::set<std::string>{"results.csv"});
  EXPECT_TRUE(fs::is_directory(dir_ / "results.csv" / "inside"));
}

}  // namespace
}  // namespace leafmargin

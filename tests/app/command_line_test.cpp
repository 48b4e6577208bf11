// The command line as a user meets it: usage errors, help and version, the output folder, the
// resolution, the leaf's polarity and the warnings on standard error. Standard output keeps the
// trace of a run without options, whatever option is added.
#include <gtest/gtest.h>

#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::runProgram;
using testing::ScratchDir;

using testing::readFile;

// A small generated leaf with a few measurable teeth (GrabCut takes about a second on it).
void writeLeaf(const fs::path& path, int teeth = 5, int toothHeight = 30) {
  leafgen::LeafSpec design;
  design.width = 600;
  design.height = 300;
  design.marginY = 170;
  design.teeth = teeth;
  design.toothWidth = 60;
  design.toothHeight = toothHeight;
  ASSERT_TRUE(cv::imwrite(path.string(), leafgen::generateLeaf(design).image));
}

std::vector<std::vector<std::string>> tableCells(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(csv);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> cells;
    std::istringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, ';')) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

double number(std::string cell) {
  std::replace(cell.begin(), cell.end(), ',', '.');
  return std::stod(cell);
}

// Long option names of the lines of text that match pattern (one name per matching line).
std::set<std::string> optionNames(const std::string& text, const std::regex& pattern) {
  std::set<std::string> names;
  std::istringstream lines(text);
  std::string line;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, m, pattern)) names.insert(m[1]);
  }
  return names;
}

TEST(CommandLine, UsageErrorsEndWith64BeforeAnythingIsReadOrWritten) {
  ScratchDir dir("usage");
  writeLeaf(dir.path() / "leaf.png");
  const std::vector<std::vector<std::string>> wrong = {
      {"--dpi", "0", "leaf.png"},     {"--dpi", "-3", "leaf.png"}, {"--dpi", "abc", "leaf.png"},
      {"--dpi", "nan", "leaf.png"},   {"--dpi", "1e999", "leaf.png"}, {"--leaf", "green", "leaf.png"},
      {"leaf.png", "-o"},             {"--frobnicate", "leaf.png"}, {"-leaf.png"},
  };
  for (const auto& args : wrong) {
    const ProgramRun run = runProgram(dir.path(), args);
    EXPECT_EQ(run.status, 64) << args[0];
    EXPECT_EQ(run.stdoutText, "") << args[0];
    EXPECT_EQ(std::count(run.stderrText.begin(), run.stderrText.end(), '\n'), 1) << run.stderrText;
    EXPECT_EQ(run.stderrText.rfind("leaf-margin: ", 0), 0u) << run.stderrText;
    EXPECT_NE(run.stderrText.find("--help"), std::string::npos) << run.stderrText;
  }
  EXPECT_EQ(dir.files(), std::vector<std::string>{"leaf.png"});
}

TEST(CommandLine, HelpAndVersionAnswerOnStdoutAndTheReadmeListsEveryOption) {
  ScratchDir dir("help");
  const ProgramRun help = runProgram(dir.path(), {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.stderrText, "");
  EXPECT_NE(help.stdoutText.find("--dpi N|auto=1200"), std::string::npos) << help.stdoutText;
  EXPECT_NE(help.stdoutText.find("--leaf bright|dark=bright"), std::string::npos);

  // The README's table of options and --help name the same options.
  const std::set<std::string> inHelp =
      optionNames(help.stdoutText, std::regex(R"(^  (?:-\w,)?(--[a-z][a-z-]*))"));
  const std::string readme = readFile(fs::path(__FILE__).parent_path() / "../../README.md");
  const std::size_t table = readme.find("| option | default | what it does |");
  ASSERT_NE(table, std::string::npos);
  const std::set<std::string> inReadme =
      optionNames(readme.substr(table, readme.find("\n\n", table) - table),
                  std::regex(R"(^\| `(?:-\w, )?(--[a-z][a-z-]*)[^|]*` \|)"));
  EXPECT_GE(inHelp.size(), 5u);
  EXPECT_EQ(inHelp, inReadme);

  const ProgramRun version = runProgram(dir.path(), {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(std::regex_match(version.stdoutText,
                               std::regex(R"(leaf-margin \d+\.\d+\.\d+ \(OpenCV 4\.6\.\d+\)\n)")))
      << version.stdoutText;
  EXPECT_TRUE(dir.files().empty());
}

// One run in the working directory at 1200 dpi, one into a new folder at 600 dpi: the same
// trace, every length in mm twice as long, every angle, ratio and count the same.
TEST(CommandLine, OutputFolderAndResolutionChangeOnlyWhereFilesGoAndTheMillimetres) {
  ScratchDir dir("dpi");
  writeLeaf(dir.path() / "leaf.png");
  const ProgramRun plain = runProgram(dir.path(), {"leaf.png"});
  ASSERT_EQ(plain.status, 0) << plain.stdoutText;
  const ProgramRun half = runProgram(dir.path(), {"--dpi", "600", "-o", "out/600", "leaf.png"});
  ASSERT_EQ(half.status, 0) << half.stderrText;
  EXPECT_EQ(half.stdoutText, plain.stdoutText);

  const fs::path out = dir.path() / "out" / "600";
  for (const char* name : {"gray.bmp", "bw.jpg", "grabcut.jpg", "drawing2.jpg", "drawing3.jpg",
                           "drawing4.jpg", "drawing77.jpg", "gauche.jpg", "droite.jpg"}) {
    EXPECT_EQ(readFile(out / name), readFile(dir.path() / name)) << name;
  }
  const auto at1200 = tableCells(readFile(dir.path() / "results.csv"));
  const auto at600 = tableCells(readFile(out / "results.csv"));
  ASSERT_EQ(at600.size(), at1200.size());
  ASSERT_GE(at1200.size(), 10u);  // header, at least two teeth, empty line, statistics
  for (std::size_t r = 0; r < at1200.size(); ++r) {
    ASSERT_EQ(at600[r].size(), at1200[r].size()) << r;
    for (std::size_t c = 0; c < at1200[r].size(); ++c) {
      const bool length = c >= 1 && ((c <= 4 && r > 0) || at1200[r][0] == "Profondeur max :");
      if (!length || at1200[r][c].empty()) {
        EXPECT_EQ(at600[r][c], at1200[r][c]) << r << "," << c;
      } else {
        EXPECT_NEAR(number(at600[r][c]), 2 * number(at1200[r][c]), 0.0101) << r << "," << c;
      }
    }
  }
}

TEST(CommandLine, OutputFolderThatCannotBeUsedEndsWith3AndLosesNothing) {
  ScratchDir dir("outdir");
  writeLeaf(dir.path() / "leaf.png");
  std::ofstream(dir.path() / "results.csv") << "earlier";
  std::ofstream(dir.path() / "plain") << "a file";
  for (const std::string target : {"plain", "plain/below", "/proc/no-folder-here"}) {
    const ProgramRun run = runProgram(dir.path(), {"-o", target, "leaf.png"});
    EXPECT_EQ(run.status, 3) << target;
    EXPECT_EQ(run.stdoutText, "") << target;
    EXPECT_EQ(run.stderrText.rfind("leaf-margin: cannot write in the output folder " + target + ": ", 0),
              0u)
        << run.stderrText;
  }
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"leaf.png", "plain", "results.csv"}));
  EXPECT_EQ(readFile(dir.path() / "results.csv"), "earlier");
}

TEST(CommandLine, WarningsGoToStderrAndLeaveTheTraceAlone) {
  ScratchDir dir("warnings");
  // Extra pictures: ignored as before, with a warning.
  const ProgramRun extra = runProgram(dir.path(), {"first.png", "second.png", "third.png"});
  EXPECT_EQ(extra.status, 255);
  EXPECT_EQ(extra.stdoutText, runProgram(dir.path(), {"first.png"}).stdoutText);
  EXPECT_NE(extra.stderrText.find("warning: only the first picture (first.png) is analysed; "
                                  "leafmargin-batch analyses many pictures\n"),
            std::string::npos)
      << extra.stderrText;

  // A leaf whose teeth are too shallow to be kept: a complete run without a tooth row.
  writeLeaf(dir.path() / "smooth.png", 8, 6);
  const ProgramRun smooth = runProgram(dir.path(), {"smooth.png"});
  EXPECT_EQ(smooth.status, 0) << smooth.stdoutText;
  EXPECT_TRUE(fs::exists(dir.path() / "results.csv"));
  EXPECT_NE(smooth.stderrText.find("warning: no tooth was measured in smooth.png"),
            std::string::npos)
      << smooth.stderrText;
}

double intersectionOverUnion(const cv::Mat& a, const cv::Mat& b) {
  cv::Mat both, either;
  cv::bitwise_and(a > 127, b > 127, both);
  cv::bitwise_or(a > 127, b > 127, either);
  return static_cast<double>(cv::countNonZero(both)) / cv::countNonZero(either);
}

// A leaf that is the darker class (the generated leaf with every colour inverted) found with
// --leaf dark as the leaf itself is found on its dark ground.
TEST(CommandLine, DarkLeafOnLightGroundIsFoundWithLeafDark) {
  ScratchDir dir("polarity");
  writeLeaf(dir.path() / "leaf.png");
  cv::Mat inverted;
  cv::bitwise_not(cv::imread((dir.path() / "leaf.png").string()), inverted);
  ASSERT_TRUE(cv::imwrite((dir.path() / "paper.png").string(), inverted));
  ASSERT_EQ(runProgram(dir.path(), {"-o", "bright", "leaf.png"}).status, 0);
  const ProgramRun dark = runProgram(dir.path(), {"-o", "dark", "--leaf", "dark", "paper.png"});
  ASSERT_EQ(dark.status, 0) << dark.stdoutText;
  const cv::Mat bw = cv::imread((dir.path() / "dark" / "bw.jpg").string(), cv::IMREAD_GRAYSCALE);
  const cv::Mat picture = cv::imread((dir.path() / "paper.png").string(), cv::IMREAD_GRAYSCALE);
  EXPECT_LT(cv::mean(picture, bw > 127)[0], cv::mean(picture, bw <= 127)[0]);  // leaf drawn white
  EXPECT_GT(intersectionOverUnion(
                cv::imread((dir.path() / "dark" / "grabcut.jpg").string(), cv::IMREAD_GRAYSCALE),
                cv::imread((dir.path() / "bright" / "grabcut.jpg").string(), cv::IMREAD_GRAYSCALE)),
            0.99);
}

// Where a dark-ground twin was made from its picture on paper (the ground outside the leaf
// replaced by dark noise): the pixels the two pictures share, the leaf as its maker drew it.
cv::Mat sharedPixels(const fs::path& paper, const fs::path& twin) {
  cv::Mat difference, grey;
  cv::absdiff(cv::imread(paper.string()), cv::imread(twin.string()), difference);
  cv::cvtColor(difference, grey, cv::COLOR_BGR2GRAY);
  return grey < 40;
}

// Real leaves scanned on light paper, read with --leaf dark, against the same leaves put on a
// dark ground and read by default. Where the default run misreads the twin itself (its leaf is
// not the brighter class there), the leaf its maker drew is the reference instead.
TEST(CommandLineSlow, RealLeavesOnPaperMatchTheirDarkGroundTwins) {
  const fs::path real = LEAFMARGIN_REAL_LEAVES;
  if (!fs::is_directory(real)) GTEST_SKIP() << "no real pictures at " << real;
  ScratchDir dir("real-polarity");
  int pairs = 0, twinRunsOk = 0;
  for (const auto& entry : fs::directory_iterator(real)) {
    const std::string stem = entry.path().stem();
    const fs::path twin = real / (stem + "_darkbg.jpg");
    if (stem.size() < 4 || stem.substr(stem.size() - 4) != "_top" || !fs::exists(twin)) continue;
    ++pairs;
    ASSERT_EQ(runProgram(dir.path(), {"-o", "dark", "--leaf", "dark", entry.path()}).status, 0);
    ASSERT_EQ(runProgram(dir.path(), {"-o", "twin", twin}).status, 0);
    const cv::Mat dark = cv::imread((dir.path() / "dark" / "grabcut.jpg").string(), cv::IMREAD_GRAYSCALE);
    const cv::Mat twinMask = cv::imread((dir.path() / "twin" / "grabcut.jpg").string(), cv::IMREAD_GRAYSCALE);
    const cv::Mat drawn = sharedPixels(entry.path(), twin);
    const double againstTwin = intersectionOverUnion(dark, twinMask);
    const bool twinRunOk = intersectionOverUnion(twinMask, drawn) >= 0.97;
    twinRunsOk += twinRunOk;
    const double iou = twinRunOk ? againstTwin : intersectionOverUnion(dark, drawn);
    EXPECT_GE(iou, 0.97) << stem << (twinRunOk ? " against the twin's run" : " against the drawn leaf");
    std::cout << stem << ": " << againstTwin << " against the twin's run"
              << (twinRunOk ? "" : ", which misreads it; " + std::to_string(iou) + " against the drawn leaf")
              << "\n";
  }
  EXPECT_GE(pairs, 5);
  EXPECT_GE(twinRunsOk, pairs - 1);
}

}  // namespace
}  // namespace leafmargin

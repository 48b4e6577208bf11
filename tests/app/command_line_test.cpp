// The command line as a user meets it: usage errors, help and version, the output folder, the
// resolution, the GrabCut choice, the leaf's polarity and the warnings on standard error.
// Standard output keeps the trace of a run without options, whatever option is added.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "app/options.h"
#include "support/read_file.h"
#include "support/run_program.h"
#include "support/small_leaf.h"

namespace leafmargin {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::readFile;
using testing::runProgram;
using testing::ScratchDir;

CommandLine parse(std::vector<std::string> args, std::string& out, std::string& err) {
  args.insert(args.begin(), "leaf-margin");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream outStream, errStream;
  const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data(), outStream, errStream);
  out = outStream.str();
  err = errStream.str();
  return line;
}

TEST(CommandLine, EveryOptionIsReadAndWrongOnesEndWith64BeforeAnythingIsRead) {
  std::string out, err;
  const Options o = parse({"--dpi", "600.5", "--leaf", "dark", "--grabcut", "opencv", "--threads",
                           "1000", "--progress", "-o", "out", "a.png", "b.png", "c.png"}, out, err)
                        .options;
  EXPECT_EQ(out + err, "");
  EXPECT_EQ(o.picture, "a.png");
  EXPECT_EQ(o.ignoredPictures, (std::vector<std::string>{"b.png", "c.png"}));
  EXPECT_EQ(o.outputDir, "out");
  EXPECT_TRUE(o.dpi == 600.5 && !o.dpiFromFile && o.leafGiven);
  EXPECT_EQ(o.segmentation.leaf, LeafPolarity::Dark);
  EXPECT_EQ(o.segmentation.grabCut.engine, GrabCutEngine::Library);
  EXPECT_EQ(o.segmentation.grabCut.threads, 1000);
  EXPECT_NE(o.segmentation.grabCut.progress, nullptr);
  const Options plain = parse({"--dpi", "auto"}, out, err).options;
  EXPECT_TRUE(plain.picture == "leaflet.jpg" && plain.dpiFromFile && !plain.leafGiven);
  EXPECT_TRUE(!plain.leafAuto && !plain.quiet && !o.leafAuto && !o.quiet);
  const Options automatic = parse({"--leaf", "auto", "-q"}, out, err).options;
  EXPECT_TRUE(automatic.leafAuto && !automatic.leafGiven && automatic.quiet);
  EXPECT_TRUE(plain.segmentation.leaf == LeafPolarity::Bright && !plain.segmentation.grabCut.progress);
  EXPECT_EQ(plain.segmentation.grabCut.engine, GrabCutEngine::Own);

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--dpi", "0"}, {"--dpi", "-3"}, {"--dpi", "abc"}, {"--dpi", "12x"}, {"--dpi", "nan"},
           {"--dpi", "1e999"}, {"--leaf", "green"}, {"--leaf", "Auto"}, {"--grabcut", "gpu"}, {"--threads", "0"},
           {"--threads", "10000"}, {"--threads", "-2"}, {"a.png", "-o"}, {"--frobnicate"},
           {"-leaf.png"}, {"--keep-crops", "crops", "a.png"}}) {
    const CommandLine line = parse(args, out, err);
    EXPECT_EQ(line.exitStatus, 64) << args[0] << " " << args[1 % args.size()];
    EXPECT_EQ(out, "");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("leaf-margin: ", 0), 0u) << err;
    EXPECT_NE(err.find("(see leaf-margin --help)"), std::string::npos) << err;
  }
  ScratchDir dir("usage");
  ASSERT_TRUE(testing::writeLeaf(dir.path() / "leaf.png"));
  const ProgramRun run = runProgram(dir.path(), {"--dpi", "0", "leaf.png"});
  EXPECT_EQ(run.status, 64);
  EXPECT_EQ(run.stdoutText, "");
  EXPECT_EQ(dir.files(), std::vector<std::string>{"leaf.png"});
}

// Long option names of the lines of text that match pattern (one name per matching line).
std::set<std::string> optionNames(const std::string& text, const std::regex& pattern) {
  std::set<std::string> names;
  std::istringstream lines(text);
  std::smatch m;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_search(line, m, pattern)) names.insert(m[1]);
  return names;
}

TEST(CommandLine, HelpAndVersionAnswerOnStdoutAndTheReadmeListsEveryOption) {
  ScratchDir dir("help");
  const ProgramRun help = runProgram(dir.path(), {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.stderrText, "");
  EXPECT_NE(help.stdoutText.find("--dpi N|auto=1200"), std::string::npos) << help.stdoutText;
  EXPECT_NE(help.stdoutText.find("--leaf bright|dark|auto=bright"), std::string::npos);

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

double intersectionOverUnion(const cv::Mat& a, const cv::Mat& b) {
  return static_cast<double>(cv::countNonZero((a > 127) & (b > 127))) /
         cv::countNonZero((a > 127) | (b > 127));
}

const char* const kRunFiles[] = {"gray.bmp", "bw.jpg", "grabcut.jpg", "drawing2.jpg", "drawing3.jpg",
                                 "drawing4.jpg", "drawing77.jpg", "gauche.jpg", "droite.jpg", "results.csv"};

// One leaf run without options, then with options that must change only what they say: at 600
// dpi into a new folder every length in mm doubles; the library's GrabCut writes the same files;
// --progress adds a line per GrabCut iteration on stderr; the leaf with every colour inverted is
// found with --leaf dark as the leaf itself is found on its dark ground.
TEST(CommandLine, OptionsChangeOnlyWhatTheySay) {
  ScratchDir dir("options");
  ASSERT_TRUE(testing::writeLeaf(dir.path() / "leaf.png"));
  const ProgramRun plain = runProgram(dir.path(), {"leaf.png"});
  ASSERT_EQ(plain.status, 0) << plain.stdoutText;
  EXPECT_EQ(plain.stderrText, "");

  const ProgramRun half =
      runProgram(dir.path(), {"--dpi", "600", "--progress", "--threads", "3", "-o", "out/600", "leaf.png"});
  const ProgramRun library = runProgram(dir.path(), {"--grabcut", "opencv", "--progress", "-o", "library", "leaf.png"});
  EXPECT_EQ(half.stdoutText, plain.stdoutText);
  EXPECT_EQ(library.stdoutText, plain.stdoutText);
  std::string progress;
  for (int i = 1; i <= 8; ++i)
    progress += "GrabCut iteration " + std::to_string(i) + "/8 done (600 x 300 pixels)\n";
  EXPECT_EQ(half.stderrText, progress);
  EXPECT_EQ(library.stderrText, "GrabCut (OpenCV): 8 iterations on 600 x 300 pixels\n");
  for (const char* name : kRunFiles) {
    EXPECT_EQ(readFile(dir.path() / "library" / name), readFile(dir.path() / name)) << name;
    if (name != std::string("results.csv")) {
      EXPECT_EQ(readFile(dir.path() / "out/600" / name), readFile(dir.path() / name)) << name;
    }
  }
  const auto at1200 = testing::tableCells(readFile(dir.path() / "results.csv"), ';');
  const auto at600 = testing::tableCells(readFile(dir.path() / "out/600/results.csv"), ';');
  ASSERT_EQ(at600.size(), at1200.size());
  ASSERT_GE(at1200.size(), 10u);  // header, at least two teeth, empty line, statistics
  for (std::size_t r = 0; r < at1200.size(); ++r) {
    ASSERT_EQ(at600[r].size(), at1200[r].size()) << r;
    for (std::size_t c = 0; c < at1200[r].size(); ++c) {
      const bool length = c >= 1 && ((c <= 4 && r > 0) || at1200[r][0] == "Profondeur max :");
      if (!length || at1200[r][c].empty()) {
        EXPECT_EQ(at600[r][c], at1200[r][c]) << r << "," << c;
      } else {
        EXPECT_NEAR(testing::cellNumber(at600[r][c]), 2 * testing::cellNumber(at1200[r][c]), 0.0101)
            << r << "," << c;
      }
    }
  }

  // -q: the same files, and one closing line instead of the trace.
  const ProgramRun quiet = runProgram(dir.path(), {"-q", "-o", "quiet", "leaf.png"});
  const std::size_t teeth = testing::tableCells(readFile(dir.path() / "results.csv"), ';').size() - 8;
  EXPECT_EQ(quiet.stdoutText, "leaf.png: " + std::to_string(teeth) + " teeth measured, results in " +
                                  (dir.path() / "quiet" / "results.csv").string() + "\n");
  EXPECT_EQ(quiet.stderrText, "");

  cv::Mat inverted;
  cv::bitwise_not(cv::imread((dir.path() / "leaf.png").string()), inverted);
  ASSERT_TRUE(cv::imwrite((dir.path() / "paper.png").string(), inverted));
  const ProgramRun dark = runProgram(dir.path(), {"-o", "dark", "--leaf", "dark", "paper.png"});
  ASSERT_EQ(dark.status, 0) << dark.stdoutText;
  // --leaf auto takes the class the picture's colours point to, and then runs as that class.
  const ProgramRun autoDark = runProgram(dir.path(), {"-o", "auto-dark", "--leaf", "auto", "paper.png"});
  const ProgramRun autoBright = runProgram(dir.path(), {"-o", "auto-bright", "--leaf", "auto", "leaf.png"});
  EXPECT_EQ(autoDark.stdoutText, dark.stdoutText);
  EXPECT_EQ(autoBright.stdoutText, plain.stdoutText);
  EXPECT_EQ(autoDark.stderrText + autoBright.stderrText, "");
  for (const char* name : kRunFiles) {
    EXPECT_EQ(readFile(dir.path() / "auto-dark" / name), readFile(dir.path() / "dark" / name)) << name;
    EXPECT_EQ(readFile(dir.path() / "auto-bright" / name), readFile(dir.path() / name)) << name;
    EXPECT_EQ(readFile(dir.path() / "quiet" / name), readFile(dir.path() / name)) << name;
  }
  const cv::Mat bw = cv::imread((dir.path() / "dark" / "bw.jpg").string(), cv::IMREAD_GRAYSCALE);
  const cv::Mat picture = cv::imread((dir.path() / "paper.png").string(), cv::IMREAD_GRAYSCALE);
  EXPECT_LT(cv::mean(picture, bw > 127)[0], cv::mean(picture, bw <= 127)[0]);  // leaf drawn white
  EXPECT_GT(intersectionOverUnion(
                cv::imread((dir.path() / "dark" / "grabcut.jpg").string(), cv::IMREAD_GRAYSCALE),
                cv::imread((dir.path() / "grabcut.jpg").string(), cv::IMREAD_GRAYSCALE)),
            0.99);
}

TEST(CommandLine, OutputFolderThatCannotBeUsedEndsWith3AndLosesNothing) {
  ScratchDir dir("outdir");
  ASSERT_TRUE(testing::writeLeaf(dir.path() / "leaf.png"));
  testing::writeFile(dir.path() / "results.csv", "earlier");
  testing::writeFile(dir.path() / "plain", "a file");
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
  // Without -o, the working folder is checked the same way, before anything is read.
  const ProgramRun here = testing::runCommand({LEAFMARGIN_BINARY, (dir.path() / "leaf.png").string()}, "/proc");
  EXPECT_EQ(here.status, 3);
  EXPECT_EQ(here.stdoutText, "");
  EXPECT_EQ(here.stderrText.rfind("leaf-margin: cannot write in the working folder /proc: ", 0), 0u)
      << here.stderrText;
}

TEST(CommandLine, WarningsGoToStderrAndLeaveTheTraceAlone) {
  ScratchDir dir("warnings");
  // No picture named: leaflet.jpg. Extra pictures: ignored as before, with a warning.
  EXPECT_EQ(runProgram(dir.path(), {}).stdoutText, "opencv version : 4.6\nCannot read the image: leaflet.jpg\n");
  const ProgramRun extra = runProgram(dir.path(), {"first.png", "second.png", "third.png"});
  EXPECT_EQ(extra.status, 255);
  EXPECT_EQ(extra.stdoutText, "opencv version : 4.6\nCannot read the image: first.png\n");
  EXPECT_EQ(extra.stderrText.rfind("warning: only the first picture (first.png) is analysed; "
                                   "leafmargin-batch analyses many pictures\n", 0), 0u) << extra.stderrText;

  // One grey level: --leaf auto cannot tell the classes apart, says so and takes bright.
  ASSERT_TRUE(cv::imwrite((dir.path() / "grey.png").string(), cv::Mat(40, 60, CV_8UC3, cv::Scalar::all(128))));
  EXPECT_EQ(runProgram(dir.path(), {"--leaf", "auto", "grey.png"}).stderrText,
            "warning: --leaf auto cannot tell whether the leaf in grey.png is the brighter or the "
            "darker class; took bright (give --leaf bright or --leaf dark)\n");

  // A leaf whose teeth are too shallow to be kept: a complete run with an empty table.
  ASSERT_TRUE(testing::writeLeaf(dir.path() / "smooth.png", testing::smallLeaf(8, 6)));
  const ProgramRun smooth = runProgram(dir.path(), {"smooth.png"});
  EXPECT_EQ(smooth.status, 0) << smooth.stdoutText;
  EXPECT_NE(smooth.stdoutText.find("\nteeth found : 0\n"), std::string::npos) << smooth.stdoutText;
  EXPECT_EQ(smooth.stderrText, "warning: no tooth was measured in smooth.png; "
                               "results.csv holds the statistics rows only\n");
  const auto table = testing::tableCells(readFile(dir.path() / "results.csv"), ';');
  ASSERT_EQ(table.size(), 8u);
  EXPECT_EQ(table[1], std::vector<std::string>{});
  EXPECT_EQ(table[7], (std::vector<std::string>{"Profondeur max :", "0,00"}));
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

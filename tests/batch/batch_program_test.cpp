// The batch program on the real leaf-margin: what it prints (warnings included), the folder of
// each picture, the combined table, the tidy tables (which load in pandas and match every
// results.csv) and the page, which has one row per picture and links only files that exist;
// leafmargin-combine writes the same files again. Names carry commas, quotes, spaces, non-ASCII
// letters and HTML characters; one picture is unreadable, one missing, one on paper. Wrong
// command lines and sheets stop before anything is written. Whole-leaf scans listed in a sheet
// carry its columns and dpi. The Snakemake workflow runs the same batch.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <numeric>
#include <set>

#include <opencv2/imgproc.hpp>

#include "batch/batch_test_support.h"
#include "batch/tables/csv_records.h"
#include "leafgen/scene_presets.h"
#include "leafgen/scene_render.h"
#include "leafgen/whole_leaf.h"
#include "report/csv_writer.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using batchtest::count;
using batchtest::lines;
using testing::ProgramRun;
using testing::readFile;
using testing::runCommand;
using testing::ScratchDir;

const char* const kPython = "/usr/bin/python3";  // Debian's, where python3-pandas installs
const std::string kChecker = fs::path(__FILE__).parent_path() / "check_tidy_tables.py";
const std::string kOddName = "<b>&\"', é";

bool pandasInstalled() { return runCommand({kPython, "-c", "import pandas"}).status == 0; }

// The files that the href and src attributes of html name, relative to its folder.
std::vector<std::string> linkedFiles(const std::string& html) {
  std::vector<std::string> files;
  for (std::size_t at = 0; (at = html.find("=\"", at)) != std::string::npos;) {
    const std::size_t begin = at + 2, end = html.find('"', begin);
    const auto before = [&](const std::string& name) {
      return at >= name.size() && html.compare(at - name.size(), name.size(), name) == 0;
    };
    const bool link = before("href") || before("src");
    at = end;
    if (!link) continue;
    std::string text = html.substr(begin, end - begin), file;
    for (const auto& [entity, c] : {std::pair{"&amp;", "&"}, {"&quot;", "\""}, {"&#39;", "'"},
                                    {"&lt;", "<"}, {"&gt;", ">"}}) {
      for (std::size_t pos; (pos = text.find(entity)) != std::string::npos;) text.replace(pos, strlen(entity), c);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '%' && i + 2 < text.size()) {
        file += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        file += text[i];
      }
    }
    files.push_back(file);
  }
  return files;
}

void expectLinkedFilesExist(const fs::path& outdir, const std::string& html) {
  const std::vector<std::string> files = linkedFiles(html);
  EXPECT_GE(files.size(), 3u);
  for (const std::string& file : files) EXPECT_TRUE(fs::exists(outdir / file)) << file;
}

void expectTablesLoadInPandas(const fs::path& outdir, const std::string& summary = "") {
  if (!pandasInstalled()) return;
  const ProgramRun check = runCommand({kPython, kChecker, outdir.string()});
  EXPECT_EQ(check.status, 0) << check.stdoutText << check.stderrText;
  EXPECT_NE(check.stdoutText.find(summary), std::string::npos) << check.stdoutText;
}

TEST(BatchProgram, EndToEndOnSmallPicturesAndGatheredAgain) {
  ScratchDir dir("batch-e2e");
  const fs::path in = dir.path() / "scans", out = dir.path() / "out";
  ASSERT_TRUE(testing::writeLeaf(in / "leaf_a.png", testing::smallLeaf(4)));
  ASSERT_TRUE(testing::writeLeaf(in / (kOddName + ".png"), testing::smallLeaf(5)));
  cv::Mat paper;
  cv::bitwise_not(leafgen::generateLeaf(testing::smallLeaf(4)).image, paper);
  ASSERT_TRUE(cv::imwrite((in / "paper.png").string(), paper));
  testing::writeFile(in / "broken.jpg", "this is no picture\n");
  const ProgramRun run = runCommand({LEAFMARGIN_BATCH_BINARY, "--jobs", "2", "--program", LEAFMARGIN_BINARY,
                                     out.string(), in.string(), (dir.path() / "z-missing.jpg").string()});
  EXPECT_EQ(run.status, 1);

  const std::vector<std::string> shown = lines(run.stdoutText);
  ASSERT_EQ(shown.size(), 6u) << run.stdoutText;
  const std::set<std::string> described = batchtest::progressDescriptions(shown, 5);
  EXPECT_EQ(shown[5], (out / "combined.csv").string() + ": 2 ok, 3 failed");
  const std::string broken = (in / "broken.jpg").string(), missing = (dir.path() / "z-missing.jpg").string();
  EXPECT_EQ(described.count("broken: failed (status 255): cannot read " + broken +
                            ": not a picture format OpenCV reads"), 1u) << run.stdoutText;
  EXPECT_EQ(described.count("z-missing: failed (status 255): cannot read " + missing + ": no such file"), 1u);
  const std::string paperWarning = "in " + (in / "paper.png").string() +
      " the brighter class looks like paper around a darker leaf; if the leaf lies on paper, give --leaf dark";
  // Read as the bright class, the leaf on paper gives no outline; the warning said why.
  EXPECT_EQ(described.count("paper: failed (status 1): Erreur à getAllPointsOfContour : contour.size()=0, "
                            "1 warning: " + paperWarning), 1u) << run.stdoutText;
  EXPECT_EQ(readFile(out / "broken" / "status.txt"), "255\n");

  const std::string combined = readFile(out / "combined.csv");
  EXPECT_NE(combined.find("\r\nbroken;failed;255;Cannot read the image: " + broken + ";"), std::string::npos);
  for (const std::string& name : {std::string("leaf_a"), kOddName}) {
    const fs::path folder = out / name;
    EXPECT_EQ(readFile(folder / "status.txt"), "0\n") << readFile(folder / "trace.txt");
    // Every tooth row of the picture's own table appears in combined.csv behind its name.
    const std::vector<std::string> own = lines(readFile(folder / "results.csv"));
    std::size_t teeth = 0;
    for (std::size_t i = 1; i < own.size() && own[i] != "\r"; ++i, ++teeth) {
      EXPECT_NE(combined.find("\n" + csvField(name, ';') + ";" + own[i] + "\n"), std::string::npos) << own[i];
    }
    EXPECT_EQ(described.count(name + ": ok, " + std::to_string(teeth) + (teeth == 1 ? " tooth" : " teeth")), 1u)
        << run.stdoutText;
    EXPECT_NE(combined.find("\r\n" + csvField(name, ';') + ";ok;0;;" + std::to_string(teeth) + ";"), std::string::npos);
  }

  const std::string page = readFile(out / "report.html");
  EXPECT_EQ(count(page, "<tr class=\"picture "), 5u);
  EXPECT_EQ(count(page, "<tr class=\"picture failed warned\">"), 1u);
  EXPECT_EQ(count(page, "<img "), 2u);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  expectLinkedFilesExist(out, page);
  const std::string pictures = readFile(out / "pictures.csv");
  EXPECT_NE(pictures.find("\nbroken.jpg,broken," + broken + ",failed,255,cannot read " + broken +
                          ": not a picture format OpenCV reads,0,NA,NA,"), std::string::npos) << pictures;
  EXPECT_NE(pictures.find(",failed,1,Erreur à getAllPointsOfContour : contour.size()=0,1," +
                          csvField(paperWarning) + ",NA,NA,"), std::string::npos) << pictures;
  expectTablesLoadInPandas(out, "5 pictures, ");

  // Gathering the folders again gives the same tables and page (the folders are taken in name
  // order, as the pictures of a folder are, and the missing picture comes last in both), and
  // makes missing thumbnails.
  std::map<std::string, std::string> before;
  for (const char* file : {"combined.csv", "teeth.csv", "pictures.csv", "report.html"}) {
    before[file] = readFile(out / file);
    fs::remove(out / file);
  }
  fs::remove(out / "leaf_a" / "teeth_thumb.jpg");
  const ProgramRun combine = runCommand({LEAFMARGIN_COMBINE_BINARY, out.string()});
  EXPECT_EQ(combine.status, 1);
  EXPECT_EQ(lines(combine.stdoutText).back(), shown.back());
  for (const auto& [file, bytes] : before) EXPECT_EQ(readFile(out / file), bytes) << file;
}

// Every wrong command line or sheet: status 64, one line naming the problem, nothing written.
TEST(BatchProgram, UsageErrorsStopBeforeAnyRun) {
  ScratchDir dir("batch-usage");
  const std::string out = (dir.path() / "out").string(), scans = (dir.path() / "scans").string();
  const std::string picture = scans + "/leaf.png", sheet = (dir.path() / "s.csv").string();
  testing::writeFile(picture, "x");
  testing::writeFile(sheet, "file,site\nleaf.png,x\n");
  fs::create_directories(dir.path() / "empty");
  const std::string batch = LEAFMARGIN_BATCH_BINARY, combine = LEAFMARGIN_COMBINE_BINARY;
  const struct { std::vector<std::string> argv; std::string problem; } cases[] = {
      {{batch}, "give OUTDIR and at least one picture or folder"},
      {{batch, out}, "give OUTDIR and at least one picture or folder"},
      {{batch, "--jobs", "0", out, picture}, "--jobs: must be a whole number of runs above 0 (got '0')"},
      {{batch, "--frobnicate", out, picture}, "--frobnicate"},
      {{batch, "--dpi", "0", out, picture}, "--dpi: must be a positive number of dots per inch, or auto (got '0')"},
      {{batch, "--leaf", "green", "--single", out, picture}, "--leaf: must be bright, dark or auto (got 'green')"},
      {{batch, "--threads", "0", out, picture}, "--threads: must be a whole number of threads above 0"},
      {{batch, "--program", (dir.path() / "none").string(), out, picture}, "cannot run " + (dir.path() / "none").string()},
      {{batch, out, (dir.path() / "empty").string()}, "no picture found"},
      {{batch, scans, out}, "the output folder " + scans + " holds pictures (leaf.png)"},
      {{batch, "--", scans, picture}, "the output folder " + scans + " holds pictures (leaf.png)"},
      {{batch, "--sheet", sheet, out, picture}, "with --sheet, give OUTDIR only"},
      {{batch, "--sheet", sheet, out}, sheet + ", line 1, column picture: missing"},
      {{batch, "--single", out}, "--single takes FOLDER and PICTURE"},
      {{batch, "--sheet", sheet, "--single", out, picture}, "--sheet and --single do not go together"},
      {{batch, "--list", "--single", picture}, "--single excludes --list"},
      {{batch, "--list", "--sheet", sheet, picture}, "--list takes pictures, not --sheet"},
      {{combine}, "give OUTDIR"},
      {{combine, out}, out + " is not a folder"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = runCommand(c.argv);
    EXPECT_EQ(run.status, 64) << c.problem;
    EXPECT_EQ(run.stdoutText, "") << c.problem;
    EXPECT_EQ(count(run.stderrText, "\n"), 1u) << run.stderrText;
    EXPECT_NE(run.stderrText.find(c.problem), std::string::npos) << c.problem << " / " << run.stderrText;
  }
  EXPECT_EQ(testing::fileNames(dir.path()), (std::vector<std::string>{"empty", "s.csv", "scans"}));
  EXPECT_EQ(testing::fileNames(dir.path() / "scans"), std::vector<std::string>{"leaf.png"});
}

TEST(BatchProgram, ListsPicturesAndHelpsWithEveryOptionAndItsDefault) {
  const ProgramRun listed = runCommand({LEAFMARGIN_BATCH_BINARY, "--list", "/a/leaf.jpg", "/b/leaf.jpg"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.stdoutText, "leaf\t/a/leaf.jpg\nleaf_2\t/b/leaf.jpg\n");
  const ProgramRun help = runCommand({LEAFMARGIN_BATCH_BINARY, "--help"});
  for (const char* option : {"--dpi N|auto=1200", "--leaf bright|dark|auto=bright", "--whole-leaf", "--sheet FILE"})
    EXPECT_NE(help.stdoutText.find(option), std::string::npos) << option;
}

// Two whole leaves listed in a sheet, one scanned at 600 dpi, with a lab's columns (a comma and
// quotes inside a quoted value): every tooth row carries them and the dpi of its scan, and the
// same leaf measures the same in mm at both resolutions.
TEST(BatchProgram, WholeLeafScansFromASheet) {
  ScratchDir dir("batch-whole");
  leafgen::WholeLeafSpec design;
  design.bladeLength = 1000, design.bladeWidth = 440, design.teethPerSide = 7, design.turnDegrees = 8;
  const cv::Mat leaf = leafgen::generateWholeLeaf(design).image;
  cv::Mat half;
  cv::resize(leaf, half, cv::Size(), 0.5, 0.5, cv::INTER_AREA);
  ASSERT_TRUE(cv::imwrite((dir.path() / "a.png").string(), leaf));
  fs::create_directories(dir.path() / "scans");
  ASSERT_TRUE(cv::imwrite((dir.path() / "scans" / "b.png").string(), half));
  testing::writeFile(dir.path() / "sheet.csv",
                     "picture,dpi,whole_leaf,site,morphotype\n"
                     "a.png,,true,\"Bois, plot \"\"3\"\"\",serrate\n"
                     "scans/b.png,600,TRUE,North,crenate\n");
  const fs::path out = dir.path() / "out";
  const ProgramRun run = runCommand({LEAFMARGIN_BATCH_BINARY, "--jobs", "2", "--sheet",
                                     (dir.path() / "sheet.csv").string(), out.string()});
  ASSERT_EQ(run.status, 0) << run.stdoutText << run.stderrText;
  EXPECT_NE(run.stdoutText.find("] a: ok, 1 leaf, "), std::string::npos) << run.stdoutText;

  CsvTable teeth, pictures;
  ASSERT_TRUE(readCsvTable(out / "teeth.csv", teeth) && readCsvTable(out / "pictures.csv", pictures));
  EXPECT_EQ(std::vector<std::string>(teeth.columns.begin(), teeth.columns.begin() + 7),
            (std::vector<std::string>{"picture", "site", "morphotype", "folder", "leaf", "tooth", "dpi"}));
  std::map<std::string, std::vector<double>> widths;
  std::map<std::string, int> rows;
  for (const CsvRow& row : teeth.rows) {
    ++rows[row.at("picture")];
    const bool a = row.at("picture") == "a.png";
    EXPECT_EQ(row.at("site"), a ? "Bois, plot \"3\"" : "North");
    EXPECT_EQ(row.at("dpi"), a ? "1200" : "600");
    EXPECT_EQ(row.at("leaf"), "1");
    if (row.at("tooth_width_mm") != "NA") widths[row.at("picture")].push_back(std::stod(row.at("tooth_width_mm")));
  }
  ASSERT_EQ(widths.size(), 2u);
  const auto mean = [](const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0) / v.size(); };
  EXPECT_NEAR(mean(widths["b.png"]), mean(widths["a.png"]), 0.1 * mean(widths["a.png"]));
  ASSERT_EQ(pictures.rows.size(), 2u);
  for (const CsvRow& row : pictures.rows) {
    EXPECT_EQ(row.at("leaves"), "1");
    EXPECT_EQ(row.at("teeth"), std::to_string(rows[row.at("picture")]));
    EXPECT_EQ(row.at("dpi"), row.at("picture") == "a.png" ? "1200" : "600");
  }
  EXPECT_EQ(lines(readFile(out / "combined.csv")).size(), 3u);  // the crops' table: headers only
  const std::string page = readFile(out / "report.html");
  EXPECT_EQ(count(page, "whole_leaf_thumb.jpg"), 2u);
  EXPECT_EQ(count(page, " (leaf 1: "), 2u);
  expectLinkedFilesExist(out, page);
}

// The leaves' table of a whole-leaf batch loads in R with read.csv's defaults, as dilp users load
// it: the sheet's identifiers first, every measure numeric (or, for a column with no value on
// any leaf, NA throughout), and an entire leaf with NA tooth counts.
TEST(BatchLeavesInRSlow, LeavesTableLoadsWithNumericMeasures) {
  if (runCommand({"Rscript", "--version"}).status != 0) GTEST_SKIP() << "R is not installed";
  ScratchDir dir("batch-r");
  for (const char* preset : {"paper", "entire"}) {
    leafgen::Scene scene = leafgen::namedScene(preset);
    scene.page = {95.0, 125.0};
    scene.leaves[0].centre = {47.0, 58.0};
    scene.objects.clear();
    ASSERT_TRUE(cv::imwrite((dir.path() / (std::string(preset) + ".png")).string(), leafgen::renderScene(scene)));
  }
  testing::writeFile(dir.path() / "sheet.csv",
                     "picture,site,specimen_number,morphotype,dpi\n"
                     "paper.png,\"Bois, plot 3\",BG-001,Serrate sp.,300\n"
                     "entire.png,\"Bois, plot 3\",BG-002,Entire sp.,300\n");
  const fs::path out = dir.path() / "out";
  const ProgramRun run = runCommand({LEAFMARGIN_BATCH_BINARY, "--whole-leaf", "--sheet",
                                     (dir.path() / "sheet.csv").string(), out.string()});
  ASSERT_EQ(run.status, 0) << run.stdoutText << run.stderrText;
  const std::string script =
      "x <- read.csv('" + (out / "leaves.csv").string() + "')\n"
      "stopifnot(nrow(x) == 2, identical(names(x)[1:3], c('site', 'specimen_number', 'morphotype')))\n"
      "stopifnot(all(x$site == 'Bois, plot 3'), identical(x$specimen_number, c('BG-001', 'BG-002')))\n"
      "m <- c('margin', 'feret', 'minimum_feret', 'blade_area', 'blade_perimeter', 'raw_blade_area',\n"
      "  'raw_blade_perimeter', 'internal_raw_blade_area', 'internal_raw_blade_perimeter',\n"
      "  'length_of_cut_perimeter', 'no_of_primary_teeth', 'no_of_subsidiary_teeth', 'petiole_width',\n"
      "  'petiole_area', 'dpi', 'teeth')\n"
      "for (c in m) stopifnot(is.numeric(x[[c]]) || all(is.na(x[[c]])))\n"
      "stopifnot(identical(x$margin, c(0L, 1L)), x$no_of_primary_teeth[1] > 20, is.na(x$no_of_primary_teeth[2]))\n"
      "stopifnot(all(x$blade_area > 5), all(x$feret > x$minimum_feret))\n"
      "cat('ok\\n')\n";
  testing::writeFile(dir.path() / "check.R", script);
  const ProgramRun r = runCommand({"Rscript", (dir.path() / "check.R").string()});
  EXPECT_EQ(r.status, 0) << r.stdoutText << r.stderrText;
  EXPECT_EQ(r.stdoutText, "ok\n");
}

// Real scans on paper (one without teeth) read as the default bright class, so each is warned
// about; the same leaf on a dark ground is not; an unreadable file. The page as headless
// Chromium parses it: one row per picture, the warned ones marked, no injected markup, every
// linked file there.
TEST(BatchPageSlow, RealPicturesInHeadlessChromium) {
  if (runCommand({"chromium", "--version"}).status != 0) GTEST_SKIP() << "chromium is not installed";
  const fs::path real = LEAFMARGIN_REAL_LEAVES;
  if (!fs::is_directory(real)) GTEST_SKIP() << "no real pictures";
  ScratchDir dir("batch-page");
  const fs::path in = dir.path() / "scans", out = dir.path() / "out";
  fs::create_directories(in);
  fs::copy_file(real / "sw_l1_top.jpg", in / "sw_l1_top.jpg");
  fs::copy_file(real / "sw_l1_top_darkbg.jpg", in / "sw_l1_top_darkbg.jpg");
  fs::copy_file(real / "beech_grey_top.jpg", in / (kOddName + ".jpg"));  // no tooth
  testing::writeFile(in / "broken.jpg", "this is no picture\n");
  const ProgramRun run = runCommand({LEAFMARGIN_BATCH_BINARY, "--jobs", "2", out.string(), in.string()});
  ASSERT_EQ(run.status, 1);
  EXPECT_EQ(lines(run.stdoutText).back(), (out / "combined.csv").string() + ": 3 ok (2 with warnings), 1 failed");
  expectTablesLoadInPandas(out, "4 pictures, ");

  const ProgramRun dom = runCommand(
      {"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
       "--disable-component-update", "--no-first-run",
       "--user-data-dir=" + (dir.path() / "profile").string(), "--dump-dom",
       "file://" + (out / "report.html").string()});
  ASSERT_EQ(dom.status, 0);
  const std::string& html = dom.stdoutText;
  EXPECT_EQ(count(html, "<tr class=\"picture "), 4u) << html;
  EXPECT_EQ(count(html, "<tr class=\"picture ok warned\">"), 2u);
  EXPECT_NE(html.find("sw_l1_top_darkbg.jpg</a></td><td>ok</td><td class=\"n\">0</td><td class=\"msg\"></td>"
                      "<td class=\"warn\"></td>"), std::string::npos) << html;  // no warning on a dark ground
  EXPECT_LT(html.find("picture failed"), html.find("picture ok warned"));
  EXPECT_LT(html.find("picture ok warned"), html.find("picture ok\""));
  EXPECT_EQ(count(html, "give --leaf dark"), 2u);
  EXPECT_EQ(count(html, "<img "), 3u);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  EXPECT_NE(html.find("&lt;b&gt;&amp;\"', é.jpg"), std::string::npos);
  expectLinkedFilesExist(out, html);
}

TEST(BatchWorkflowSlow, RunsLocallyOnTwoCores) {
  if (runCommand({"snakemake", "--version"}).status != 0) GTEST_SKIP() << "snakemake is not installed";
  testing::ScratchDir dir("batch-snakemake");
  const fs::path in = dir.path() / "scans", out = dir.path() / "results";
  ASSERT_TRUE(testing::writeLeaf(in / "leaf_a.png", testing::smallLeaf(4)));
  ASSERT_TRUE(testing::writeLeaf(in / "leaf_b.png", testing::smallLeaf(5)));
  testing::writeFile(in / "broken.jpg", "this is no picture\n");
  testing::writeFile(in / "notes.txt", "not a picture: never listed\n");
  const std::string bin = fs::path(LEAFMARGIN_BATCH_BINARY).parent_path().string();
  const auto snakemake = [&](const std::vector<std::string>& extra) {
    std::vector<std::string> argv{"snakemake", "--snakefile", LEAFMARGIN_SNAKEFILE, "--directory",
                                  dir.path().string(), "--config", "input=scans", "bin=" + bin};
    argv.insert(argv.end(), extra.begin(), extra.end());
    const testing::ProgramRun run = runCommand(argv, dir.path());
    return std::make_pair(run.status, run.stdoutText + run.stderrText);
  };

  const auto [status, shown] = snakemake({"output=results", "--cores", "2"});
  ASSERT_EQ(status, 0) << shown;
  EXPECT_NE(shown.find("combined.csv: 2 ok, 1 failed"), std::string::npos) << shown;
  EXPECT_NE(readFile(out / "pictures.csv").find("\nbroken.jpg,broken,"), std::string::npos);
  EXPECT_EQ(testing::fileNames(out), (std::vector<std::string>{"broken", "combined.csv", "leaf_a", "leaf_b",
                                                              "pictures.csv", "report.html", "teeth.csv"}));
  EXPECT_EQ(readFile(out / "broken" / "status.txt"), "255\n");
  for (const std::string name : {"leaf_a", "leaf_b"}) {
    EXPECT_EQ(readFile(out / name / "status.txt"), "0\n");
    EXPECT_TRUE(fs::exists(out / name / "teeth_thumb.jpg"));
  }

  // Settings of the configuration reach every run, and "--" keeps a picture a picture.
  const auto [dryStatus, dry] =
      snakemake({"output=again", "dpi=600", "leaf=auto", "whole_leaf=true", "--cores", "1", "-n", "-p"});
  ASSERT_EQ(dryStatus, 0) << dry;
  EXPECT_NE(dry.find(" --threads 1 --dpi 600 --leaf auto --whole-leaf --single "), std::string::npos) << dry;
  EXPECT_NE(dry.find(" -- " + (in / "leaf_a.png").string()), std::string::npos) << dry;
}

}  // namespace
}  // namespace leafmargin::batch

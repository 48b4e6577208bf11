// The batch program on the real leaf-margin: what it prints, the folder of each picture, the
// combined table, the tidy tables (which load in pandas and match every results.csv) and the
// page, which has one row per picture and links only files that exist; leafmargin-combine writes
// the same files again. Names carry commas, quotes, spaces, non-ASCII letters and HTML
// characters; one picture is unreadable. The Snakemake workflow runs the same batch.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "batch/batch_test_support.h"
#include "batch/tables/combined_table.h"

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
  testing::writeFile(in / "broken.jpg", "this is no picture\n");
  const ProgramRun run = runCommand(
      {LEAFMARGIN_BATCH_BINARY, "--jobs", "2", "--program", LEAFMARGIN_BINARY, out.string(), in.string()});
  EXPECT_EQ(run.status, 1);

  const std::vector<std::string> shown = lines(run.stdoutText);
  ASSERT_EQ(shown.size(), 4u) << run.stdoutText;
  const std::set<std::string> described = batchtest::progressDescriptions(shown, 3);
  EXPECT_EQ(shown[3], (out / "combined.csv").string() + ": 2 ok, 1 failed");
  const std::string brokenLine =
      "broken: failed (status 255): Cannot read the image: " + (in / "broken.jpg").string();
  EXPECT_EQ(described.count(brokenLine), 1u) << run.stdoutText;
  EXPECT_EQ(readFile(out / "broken" / "status.txt"), "255\n");

  const std::string combined = readFile(out / "combined.csv");
  for (const std::string& name : {std::string("leaf_a"), kOddName}) {
    const fs::path folder = out / name;
    EXPECT_EQ(readFile(folder / "status.txt"), "0\n") << readFile(folder / "trace.txt");
    // Every tooth row of the picture's own table appears in combined.csv behind its name.
    const std::vector<std::string> own = lines(readFile(folder / "results.csv"));
    std::size_t teeth = 0;
    for (std::size_t i = 1; i < own.size() && own[i] != "\r"; ++i, ++teeth) {
      EXPECT_NE(combined.find("\n" + csvCell(name) + ";" + own[i] + "\n"), std::string::npos) << own[i];
    }
    EXPECT_EQ(described.count(name + ": ok, " + std::to_string(teeth) + (teeth == 1 ? " tooth" : " teeth")), 1u)
        << run.stdoutText;
    EXPECT_NE(combined.find("\r\n" + csvCell(name) + ";ok;0;;" + std::to_string(teeth) + ";"), std::string::npos);
  }

  const std::string page = readFile(out / "report.html");
  EXPECT_EQ(count(page, "<tr class=\"picture "), 3u);
  EXPECT_EQ(count(page, "<img "), 2u);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  expectLinkedFilesExist(out, page);
  EXPECT_NE(readFile(out / "pictures.csv").find("broken.jpg,broken," + (in / "broken.jpg").string() +
                                                 ",failed,255,Cannot read the image: "),
            std::string::npos);
  expectTablesLoadInPandas(out);

  // Gathering the folders again gives the same tables and page (the folders are taken in name
  // order, as the pictures of a folder are), and makes missing thumbnails.
  std::map<std::string, std::string> before;
  for (const char* file : {"combined.csv", "teeth.csv", "pictures.csv", "report.html"}) {
    before[file] = readFile(out / file);
    fs::remove(out / file);
  }
  fs::remove(out / "leaf_a" / "teeth_thumb.jpg");
  const ProgramRun combine = runCommand({LEAFMARGIN_COMBINE_BINARY, out.string()});
  EXPECT_EQ(combine.status, 1);
  EXPECT_EQ(lines(combine.stdoutText).size(), 4u) << combine.stdoutText;
  for (const auto& [file, bytes] : before) EXPECT_EQ(readFile(out / file), bytes) << file;
}

TEST(BatchProgram, UsageErrorsStopBeforeAnyRun) {
  ScratchDir dir("batch-usage");
  const std::string out = (dir.path() / "out").string();
  const std::string picture = (dir.path() / "leaf.png").string();
  const std::string batch = LEAFMARGIN_BATCH_BINARY, combine = LEAFMARGIN_COMBINE_BINARY;
  for (const std::vector<std::string>& argv : std::vector<std::vector<std::string>>{
           {batch}, {batch, out}, {batch, "--jobs", "0", out, picture}, {batch, "--frobnicate", out, picture},
           {batch, "--dpi", "0", out, picture},  // leaf-margin's own rules
           {batch, "--leaf", "green", "--single", out, picture},
           {batch, "--program", (dir.path() / "none").string(), out, picture},
           {batch, out, dir.path().string()},  // a folder without pictures
           {combine}, {combine, out}})
    EXPECT_EQ(runCommand(argv).status, 2) << argv.size() << " " << argv.back();
  EXPECT_FALSE(fs::exists(out));

  const ProgramRun listed = runCommand({LEAFMARGIN_BATCH_BINARY, "--list", "/a/leaf.jpg", "/b/leaf.jpg"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.stdoutText, "leaf\t/a/leaf.jpg\nleaf_2\t/b/leaf.jpg\n");
}

// Real scans (one without teeth), an unreadable file and a name full of special characters; the
// page as headless Chromium parses it: one row per picture, no injected markup, every linked file
// there.
TEST(BatchPageSlow, RealPicturesInHeadlessChromium) {
  if (runCommand({"chromium", "--version"}).status != 0) GTEST_SKIP() << "chromium is not installed";
  const fs::path real = LEAFMARGIN_REAL_LEAVES;
  if (!fs::is_directory(real)) GTEST_SKIP() << "no real pictures";
  ScratchDir dir("batch-page");
  const fs::path in = dir.path() / "scans", out = dir.path() / "out";
  fs::create_directories(in);
  fs::copy_file(real / "sw_l1_top.jpg", in / "sw_l1_top.jpg");
  fs::copy_file(real / "beech_grey_top.jpg", in / (kOddName + ".jpg"));  // no tooth
  testing::writeFile(in / "broken.jpg", "this is no picture\n");
  ASSERT_EQ(runCommand({LEAFMARGIN_BATCH_BINARY, "--jobs", "2", out.string(), in.string()}).status, 1);
  expectTablesLoadInPandas(out, "3 pictures, 8 teeth, 0 mismatches");

  const ProgramRun dom = runCommand(
      {"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
       "--disable-component-update", "--no-first-run",
       "--user-data-dir=" + (dir.path() / "profile").string(), "--dump-dom",
       "file://" + (out / "report.html").string()});
  ASSERT_EQ(dom.status, 0);
  EXPECT_EQ(count(dom.stdoutText, "<tr class=\"picture "), 3u) << dom.stdoutText;
  EXPECT_LT(dom.stdoutText.find("picture failed"), dom.stdoutText.find("picture ok"));
  EXPECT_EQ(count(dom.stdoutText, "<img "), 2u);
  EXPECT_EQ(dom.stdoutText.find("<b>"), std::string::npos);
  EXPECT_NE(dom.stdoutText.find("&lt;b&gt;&amp;\"', é.jpg"), std::string::npos);
  expectLinkedFilesExist(out, dom.stdoutText);
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
  EXPECT_EQ(testing::fileNames(out), (std::vector<std::string>{"broken", "combined.csv", "leaf_a", "leaf_b",
                                                              "pictures.csv", "report.html", "teeth.csv"}));
  EXPECT_EQ(readFile(out / "broken" / "status.txt"), "255\n");
  for (const std::string name : {"leaf_a", "leaf_b"}) {
    EXPECT_EQ(readFile(out / name / "status.txt"), "0\n");
    EXPECT_TRUE(fs::exists(out / name / "teeth_thumb.jpg"));
  }

  // Settings of the configuration reach every run, and "--" keeps a picture a picture.
  const auto [dryStatus, dry] = snakemake({"output=again", "dpi=600", "leaf=dark", "--cores", "1", "-n", "-p"});
  ASSERT_EQ(dryStatus, 0) << dry;
  EXPECT_NE(dry.find(" --threads 1 --dpi 600 --leaf dark --single "), std::string::npos) << dry;
  EXPECT_NE(dry.find(" -- " + (in / "leaf_a.png").string()), std::string::npos) << dry;
}

}  // namespace
}  // namespace leafmargin::batch

// The tidy outputs of a batch run on the real leaf-margin: the tables load in pandas with no
// option and match every results.csv, leafmargin-combine writes the same files again, and the
// page has one row per picture and links only files that exist. Names carry commas, quotes,
// spaces, non-ASCII letters and HTML characters; one picture is unreadable.
#include <gtest/gtest.h>

#include <regex>

#include "app/batch_test_support.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using batchtest::readFile;
using batchtest::runCommand;
using testing::ScratchDir;

const char* const kPython = "/usr/bin/python3";  // Debian's, where python3-pandas installs
const std::string kChecker = fs::path(__FILE__).parent_path() / "check_tidy_tables.py";
const std::string kOddName = "<b>&\"', é";

bool pandasInstalled() { return runCommand({kPython, "-c", "import pandas"}).status == 0; }

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The files that the href and src attributes of html name, relative to its folder.
std::vector<std::string> linkedFiles(const std::string& html) {
  std::vector<std::string> files;
  const std::regex link("(?:href|src)=\"([^\"]*)\"");
  for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
    std::string text = (*it)[1], file;
    for (const auto& [entity, c] : {std::pair{"&amp;", "&"}, {"&quot;", "\""}, {"&#39;", "'"},
                                    {"&lt;", "<"}, {"&gt;", ">"}}) {
      for (std::size_t at; (at = text.find(entity)) != std::string::npos;) text.replace(at, strlen(entity), c);
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

TEST(BatchTidyOutputs, TablesMatchResultsAndCombineWritesTheSameFiles) {
  ScratchDir dir("batch-tidy");
  const fs::path in = dir.path() / "scans", out = dir.path() / "out";
  batchtest::writeSmallLeaf(in / "leaf_a.png", 4, 1);
  batchtest::writeSmallLeaf(in / (kOddName + ".png"), 5, 2);
  batchtest::writeFile(in / "broken.jpg", "this is no picture\n");
  ASSERT_EQ(runCommand({LEAFMARGIN_BATCH_BINARY, "--jobs", "2", out.string(), in.string()}).status, 1);

  const std::string page = readFile(out / "report.html");
  EXPECT_EQ(count(page, "<tr class=\"picture "), 3u);
  EXPECT_EQ(count(page, "<img "), 2u);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  expectLinkedFilesExist(out, page);
  EXPECT_NE(readFile(out / "pictures.csv").find("broken.jpg,broken," + (in / "broken.jpg").string() +
                                                 ",failed,255,Cannot read the image: "),
            std::string::npos);
  if (pandasInstalled()) {
    const batchtest::CommandRun check = runCommand({kPython, kChecker, out.string()}, {}, true);
    EXPECT_EQ(check.status, 0) << check.out;
  }

  // Gathering the folders again gives the same tables and page, and makes missing thumbnails.
  std::map<std::string, std::string> before;
  for (const char* file : {"teeth.csv", "pictures.csv", "report.html"}) {
    before[file] = readFile(out / file);
    fs::remove(out / file);
  }
  fs::remove(out / "leaf_a" / "teeth_thumb.jpg");
  EXPECT_EQ(runCommand({LEAFMARGIN_COMBINE_BINARY, out.string()}).status, 1);
  for (const auto& [file, bytes] : before) EXPECT_EQ(readFile(out / file), bytes) << file;
}


// Real scans (one without teeth), an unreadable file and a name full of special characters; the
// page as headless Chromium parses it: one row per picture, no injected markup, every linked file
// there.
TEST(BatchPageSlow, RealPicturesInHeadlessChromium) {
  if (runCommand({"chromium", "--version"}).status != 0) GTEST_SKIP() << "chromium is not installed";
  ScratchDir dir("batch-page");
  const fs::path in = dir.path() / "scans", out = dir.path() / "out";
  fs::create_directories(in);
  const fs::path real = LEAFMARGIN_REAL_LEAVES;
  fs::copy_file(real / "sw_l1_top.jpg", in / "sw_l1_top.jpg");
  fs::copy_file(real / "beech_grey_top.jpg", in / (kOddName + ".jpg"));  // no tooth
  batchtest::writeFile(in / "broken.jpg", "this is no picture\n");
  ASSERT_EQ(runCommand({LEAFMARGIN_BATCH_BINARY, "--jobs", "2", out.string(), in.string()}).status, 1);
  if (pandasInstalled()) {
    const batchtest::CommandRun check = runCommand({kPython, kChecker, out.string()}, {}, true);
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("3 pictures, 8 teeth, 0 mismatches"), std::string::npos) << check.out;
  }

  const batchtest::CommandRun dom = runCommand(
      {"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
       "--disable-component-update", "--no-first-run",
       "--user-data-dir=" + (dir.path() / "profile").string(), "--dump-dom",
       "file://" + (out / "report.html").string()});
  ASSERT_EQ(dom.status, 0);
  EXPECT_EQ(count(dom.out, "<tr class=\"picture "), 3u) << dom.out;
  EXPECT_LT(dom.out.find("picture failed"), dom.out.find("picture ok"));
  EXPECT_EQ(count(dom.out, "<img "), 2u);
  EXPECT_EQ(dom.out.find("<b>"), std::string::npos);
  EXPECT_NE(dom.out.find("&lt;b&gt;&amp;\"', é.jpg"), std::string::npos);
  expectLinkedFilesExist(out, dom.out);
}

}  // namespace
}  // namespace leafmargin::batch

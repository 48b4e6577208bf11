// The tables and the page of a batch: what each kind of picture folder reads as (complete, no
// tooth, unreadable picture, killed, missing or foreign results, unfinished run, warnings, a
// whole-leaf scan), the exact bytes of combined.csv for hand-written folders, the rows of the
// tidy tables with a sheet's columns, the gathering of a whole output folder, the line of the
// first fault of a results.csv that does not read; the page's escaping, order and marks, and
// the per-picture tables read back.
#include <gtest/gtest.h>

#include "batch/batch_test_support.h"
#include "batch/page/report_page.h"
#include "batch/tables/batch_report.h"
#include "batch/tables/combined_table.h"
#include "batch/tables/csv_records.h"
#include "batch/tables/picture_outcome.h"
#include "batch/tables/results_file.h"
#include "report/csv_writer.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;
using testing::ScratchDir;
using batchtest::lines;

void writePictureFolder(const fs::path& folder, const std::string& status, const std::string& trace,
                        const std::string* results = nullptr, const std::string& errors = "") {
  fs::create_directories(folder);
  if (!status.empty()) writeFile(folder / "status.txt", status + "\n");
  writeFile(folder / "trace.txt", trace);
  if (!errors.empty()) writeFile(folder / "stderr.txt", errors);
  if (!results) return;
  writeFile(folder / "results.csv", *results);
  writeFile(folder / "teeth.csv", "picture,folder,tooth,dpi,tooth_width_mm\nx.jpg,.,1,1200,5.00\nx.jpg,.,2,1200,6.57\n");
  writeFile(folder / "picture.csv", "picture,folder,dpi,teeth,tooth_width_mm_mean\nx.jpg,.,1200,2,5.79\n");
}

// A whole-leaf scan's folder as leaf-margin --whole-leaf leaves it, with a sheet's columns.
void writeWholeLeafFolder(const fs::path& folder) {
  writePictureFolder(folder, "0", "leaves: 2\nteeth: 3\n");
  writeFile(folder / "job.csv", "whole_leaf,dpi,leaf,site,collector\ntrue,auto,,\"Bois, 3\",Jo\n");
  writeFile(folder / "picture_path.txt", "/in/scan 1.jpg\n");
  writeFile(folder / "whole_leaf_teeth.csv",
            "leaf,position_mm,tip_x,tip_y,windows,tooth_width_mm\n1,3.5,10,20,2,1.50\n1,7.0,30,40,1,NA\n"
            "2,2.0,50,60,2,2.25\n");
  writeFile(folder / "whole_leaf_leaves.csv",
            "site,specimen_number,morphotype,blade_area_mm2,picture,leaf,dpi,teeth\n"
            "NA,NA,NA,812.5,scan 1.jpg,1,600,2\nNA,NA,NA,640,scan 1.jpg,2,600,1\n");
}

// One folder of every kind, as a batch leaves them.
class PictureFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string two = batchtest::twoToothResults();
    const std::string none = batchtest::noToothResults();
    const std::string foreign = "a;b;c\r\n";
    writePictureFolder(root() / "alpha", "0", "opencv version : 4.6\naa\n", &two);
    writePictureFolder(root() / "beta", "0", "opencv version : 4.6\n", &none,
                       "warning: in b.jpg the brighter class looks like paper\nGrabCut iteration 1/8\n"
                       "warning: b.jpg is truncated\n");
    writePictureFolder(root() / "gamma;1", "255",
                       "opencv version : 4.6\nCannot read the image: /x/gamma;1.jpg\n\n", nullptr,
                       "leaf-margin: cannot read /x/gamma;1.jpg: no such file\n");
    writePictureFolder(root() / "delta", "signal 11", "opencv version : 4.6\naa\n");
    writePictureFolder(root() / "eps", "0", "opencv version : 4.6\n");
    writePictureFolder(root() / "zeta", "0", "", &foreign);
    writePictureFolder(root() / "eta", "", "opencv version : 4.6\n");
    writePictureFolder(root() / "theta", "banana", "");
    writePictureFolder(root() / "iota", "1", "");
    writePictureFolder(root() / "kappa", "1", "aa\r\nErreur à getAllPointsOfContour : contour.size()=0\r\n");
    writePictureFolder(root() / "lambda", "1", "", nullptr, "warning: w\nleaf-margin: no whole leaf in l.jpg\n");
    writeFile(root() / "lambda" / "job.csv", "whole_leaf\ntrue\n");
    writeWholeLeafFolder(root() / "mu");
    writePictureFolder(root() / "nu", "0", "", &two);
    fs::remove(root() / "nu" / "picture.csv");
    fs::create_directories(root() / "not a picture folder");
    writeFile(root() / "loose file.txt", "x");
  }
  const fs::path& root() const { return dir_.path(); }
  PictureOutcome gather(const std::string& name) const { return gatherPicture(root() / name, name); }

 private:
  ScratchDir dir_{"batch-folders"};
};

TEST_F(PictureFolders, EachKindReadsAsItsOutcome) {
  const struct { std::string name, line, status; } expected[] = {
      {"alpha", "alpha: ok, 2 teeth", "0"},
      {"beta", "beta: ok, 0 teeth, 2 warnings: in b.jpg the brighter class looks like paper | b.jpg is truncated", "0"},
      {"gamma;1", "gamma;1: failed (status 255): cannot read /x/gamma;1.jpg: no such file", "255"},
      {"delta", "delta: failed (signal 11): killed by signal 11 (Segmentation fault)", "signal 11"},
      {"eps", "eps: failed (status 0): results.csv missing", "0"},
      {"zeta", "zeta: failed (status 0): results.csv line 1: not the header of a results table", "0"},
      {"eta", "eta: failed: no status.txt: the run did not finish", ""},
      {"theta", "theta: failed: status.txt does not hold an exit status: banana", ""},
      {"iota", "iota: failed (status 1): the run printed nothing", "1"},
      {"kappa", "kappa: failed (status 1): Erreur à getAllPointsOfContour : contour.size()=0", "1"},
      {"lambda", "lambda: failed (status 1): no whole leaf in l.jpg, 1 warning: w", "1"},
      {"mu", "mu: ok, 2 leaves, 3 teeth", "0"},
      {"nu", "nu: failed (status 0): picture.csv missing or unreadable", "0"},
  };
  for (const auto& e : expected) {
    const PictureOutcome outcome = gather(e.name);
    EXPECT_EQ(describeOutcome(outcome), e.line);
    EXPECT_EQ(outcome.status, e.status) << e.name;
    EXPECT_EQ(outcome.ok, e.name == "alpha" || e.name == "beta" || e.name == "mu") << e.name;
  }
  PictureOutcome one = gather("alpha");
  one.results.teeth.pop_back();
  EXPECT_EQ(describeOutcome(one), "alpha: ok, 1 tooth");
  EXPECT_EQ(gather("gamma;1").message, "Cannot read the image: /x/gamma;1.jpg");  // combined.csv's
  EXPECT_EQ(gather("mu").teethPerLeaf, (std::vector<int>{2, 1}));
}

// The batch's rows of each kind of picture: copied from the folder's own tables, the sheet's
// columns carried (or filling a column the table has), warnings counted and joined.
TEST_F(PictureFolders, TidyRowsCarryTheSheetTheWarningsAndTheLeaves) {
  const TidyRows alpha = tidyRows(gather("alpha"), root() / "alpha");
  const TidyRows beta = tidyRows(gather("beta"), root() / "beta");
  const TidyRows gamma = tidyRows(gather("gamma;1"), root() / "gamma;1");
  const TidyRows mu = tidyRows(gather("mu"), root() / "mu");
  const struct { const CsvRow& row; std::string column, field; } cases[] = {
      {alpha.picture, "folder", "alpha"}, {alpha.picture, "path", "NA"}, {alpha.picture, "picture", "alpha"},
      {alpha.picture, "tooth_width_mm_mean", "5.79"}, {alpha.picture, "warnings", "NA"},
      {alpha.picture, "warning_count", "0"}, {alpha.picture, "leaves", "NA"}, {alpha.picture, "message", ""},
      {alpha.teeth.at(1), "tooth_width_mm", "6.57"}, {alpha.teeth.at(1), "leaf", "NA"},
      {alpha.teeth.at(1), "folder", "alpha"},
      {beta.picture, "warning_count", "2"},
      {beta.picture, "warnings", "in b.jpg the brighter class looks like paper | b.jpg is truncated"},
      {gamma.picture, "message", "cannot read /x/gamma;1.jpg: no such file"},
      {gamma.picture, "exit_code", "255"}, {gamma.picture, "dpi", "NA"}, {gamma.picture, "status", "failed"},
      {mu.picture, "picture", "scan 1.jpg"}, {mu.picture, "path", "/in/scan 1.jpg"},
      {mu.picture, "leaves", "2"}, {mu.picture, "teeth", "3"}, {mu.picture, "dpi", "600"},
      {mu.picture, "site", "Bois, 3"}, {mu.picture, "tooth_width_mm_mean", "NA"},
      {mu.teeth.at(1), "tooth", "2"}, {mu.teeth.at(1), "leaf", "1"}, {mu.teeth.at(1), "tooth_width_mm", "NA"},
      {mu.teeth.at(2), "leaf", "2"}, {mu.teeth.at(2), "dpi", "600"}, {mu.teeth.at(2), "collector", "Jo"},
      {mu.leaves.at(1), "site", "Bois, 3"}, {mu.leaves.at(1), "specimen_number", "NA"},
      {mu.leaves.at(1), "collector", "Jo"}, {mu.leaves.at(1), "folder", "mu"},
      {mu.leaves.at(1), "blade_area_mm2", "640"},
  };
  for (const auto& c : cases) EXPECT_EQ(fieldOf(c.row, c.column), c.field) << c.column;
  EXPECT_TRUE(gamma.teeth.empty() && alpha.leaves.empty());

  // The tables: the sheet's columns after "picture" (filling "site" in leaves.csv).
  std::string error;
  ASSERT_TRUE(writeBatchReport(root(), {gather("alpha"), gather("mu")}, error)) << error;
  EXPECT_EQ(lines(readFile(root() / "leaves.csv")),
            (std::vector<std::string>{
                "site,specimen_number,morphotype,blade_area_mm2,picture,folder,collector,leaf,dpi,teeth",
                "\"Bois, 3\",NA,NA,812.5,scan 1.jpg,mu,Jo,1,600,2",
                "\"Bois, 3\",NA,NA,640,scan 1.jpg,mu,Jo,2,600,1"}));
  EXPECT_EQ(lines(readFile(root() / "teeth.csv")).at(0).rfind("picture,site,collector,folder,leaf,tooth,dpi,", 0), 0u);
  EXPECT_EQ(lines(readFile(root() / "pictures.csv")).at(1).rfind("alpha,NA,NA,alpha,NA,ok,0,,0,NA,1200,NA,2,NA,5.79,NA,", 0), 0u)
      << readFile(root() / "pictures.csv");
  ASSERT_TRUE(writeBatchReport(root(), {gather("alpha")}, error)) << error;
  EXPECT_FALSE(fs::exists(root() / "leaves.csv"));  // no whole-leaf picture, no leaf table
  fs::create_directories(root() / "leaves.csv" / "in the way");
  EXPECT_FALSE(writeBatchReport(root(), {gather("mu")}, error));
  EXPECT_EQ(error, "Cannot write leaves.csv in " + root().string() + ": Is a directory");
}

TEST_F(PictureFolders, CombinedTableBytes) {
  const std::vector<PictureOutcome> pictures = {gather("alpha"), gather("gamma;1"), gather("beta"),
                                                gather("mu"), gather("lambda"), gather("delta")};
  const std::string columns[10] = {
      "largeur dents (mm)", "hauteur dents (mm)", "largeur sinus (mm)", "hauteur sinus (mm)",
      "rapport hauteur/largeur dents (%)", "angles dents (°)", "angles sinus (°)",
      "angles apicaux (°)", "symétries des dents par rapport au centre de la base (%)",
      "symétries des dents par rapport à la perpendiculaire à la base (%)"};
  std::string toothHeader = "Image;Dent;";
  for (const std::string& c : columns) toothHeader += "\"" + c + "\";";
  std::string pictureHeader =
      "Image;Statut;\"Code de sortie\";Message;\"Nombre de dents\";\"Profondeur max (mm)\";";
  for (const char* s : {"Minimum", "Maximum", "Moyenne", "Ecart max à la moyenne", "Ecart-type"}) {
    for (const std::string& c : columns) pictureHeader += "\"" + std::string(s) + " : " + c + "\";";
  }
  const std::string emptyMeasures(52, ';');

  const std::string expected =
      toothHeader + "\r\n" +
      "alpha;1;5,00;2,50;5,29;0,85;50,00;68,75;120,32;45,84;92,50;88,25;\r\n"
      "alpha;2;6,57;3,39;;;51,63;54,43;;nan,00;-nan,00;90,00;\r\n"
      "\r\n" +
      pictureHeader + "\r\n" +
      "alpha;ok;0;;2;1,52;"
      "5,00;2,50;5,29;0,85;50,00;54,43;120,32;45,84;92,50;88,25;"
      "6,57;3,39;5,29;0,85;51,63;68,75;120,32;45,84;92,50;90,00;"
      "5,79;2,95;5,29;0,85;50,82;61,59;120,32;45,84;92,50;89,13;"
      "0,79;0,45;0,00;0,00;0,82;7,16;0,00;0,00;0,00;0,88;"
      "0,79;0,45;0,00;0,00;0,82;7,16;0,00;0,00;0,00;0,88;\r\n"
      "\"gamma;1\";failed;255;\"Cannot read the image: /x/gamma;1.jpg\";" + emptyMeasures + "\r\n" +
      "beta;ok;0;;0;0,00;" + std::string(50, ';') + "\r\n" +
      "delta;failed;signal 11;killed by signal 11 (Segmentation fault);" + emptyMeasures + "\r\n";
  EXPECT_EQ(composeCombinedTable(pictures), expected);
  EXPECT_EQ(composeCombinedTable({}), toothHeader + "\r\n\r\n" + pictureHeader + "\r\n");
}

TEST_F(PictureFolders, GatheringTakesEveryRunFolderInNameOrder) {
  std::vector<std::string> names;
  for (const PictureOutcome& outcome : gatherOutputFolder(root())) names.push_back(outcome.name);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "beta", "delta", "eps", "eta", "gamma;1",
                                             "iota", "kappa", "lambda", "mu", "nu", "theta", "zeta"}));
}

// A truncated or foreign results.csv: the line of its first fault.
TEST(BatchResultsParse, NamesTheLineOfEachFault) {
  const std::string good = batchtest::twoToothResults();
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
      {batchtest::resultsHeader() + "1;1;2;3;4;5;6;7;8;9;10;\r\n", "line 3: the file ends before the statistics"},
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

using batchtest::count;

PageEntry okPicture(const std::string& name, const std::string& width) {
  PageEntry e;
  e.picture = {{"picture", name + ".jpg"}, {"folder", name}, {"status", "ok"}, {"exit_code", "0"},
               {"dpi", "1200"}, {"teeth", "3"}, {"tooth_width_mm_mean", width}, {"tooth_height_mm_mean", "1.00"}};
  for (int i = 1; i <= 3; ++i) e.teeth.push_back({{"tooth_width_mm", width}, {"tooth_height_mm", "1.00"}});
  e.thumbnail = {240, 120};
  return e;
}

TEST(BatchReportPage, EscapesNamesPutsFailuresThenWarningsFirstAndMarksOutliers) {
  std::vector<PageEntry> entries;
  for (const char* name : {"a", "b", "c", "d", "e"}) entries.push_back(okPicture(name, "2.00"));
  entries.push_back(okPicture("<b>&\"'", "9.50"));  // the outlier
  entries[2].warnings = {"in c.jpg <the> brighter class", "c.jpg is truncated"};
  entries[4].wholeLeaf = true;
  entries[4].teethPerLeaf = {2, 1};
  PageEntry failed;
  failed.picture = {{"picture", "x<script>.jpg"}, {"folder", "x<script>"}, {"status", "failed"},
                    {"exit_code", "255"}, {"message", "cannot read /in/x<script>.jpg: no such file"}};
  entries.push_back(failed);

  const std::string page = composeReportPage(entries);
  EXPECT_EQ(count(page, "<tr class=\"picture "), 7u);
  const std::size_t failedRow = page.find("<tr class=\"picture failed\">");
  const std::size_t warnedRow = page.find("<tr class=\"picture ok warned\"><td><a href=\"c/\">");
  EXPECT_LT(failedRow, warnedRow);
  EXPECT_LT(warnedRow, page.find("<tr class=\"picture ok\">"));
  EXPECT_EQ(count(page, " warned\""), 1u);
  EXPECT_NE(page.find("<td class=\"warn\">in c.jpg &lt;the&gt; brighter class<br>c.jpg is truncated</td>"),
            std::string::npos);
  EXPECT_NE(page.find("6 ok (1 with warnings), 1 failed; 18 teeth"), std::string::npos);
  EXPECT_EQ(page.find("<b>&"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find(">&lt;b&gt;&amp;&quot;&#39;.jpg</a>"), std::string::npos);
  EXPECT_NE(page.find("cannot read /in/x&lt;script&gt;.jpg: no such file"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"%3Cb%3E%26%22%27/teeth.png\"><img src=\"%3Cb%3E%26%22%27/teeth_thumb.jpg\""),
            std::string::npos);
  EXPECT_NE(page.find("<td class=\"n\">3 (leaf 1: 2, leaf 2: 1)</td>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"e/whole_leaf.png\"><img src=\"e/whole_leaf_thumb.jpg\""), std::string::npos);
  EXPECT_EQ(count(page, "<img "), 6u);  // none for the failed picture
  EXPECT_EQ(count(page, "<line class=\"out\""), 1u);
  EXPECT_EQ(count(page, "<text class=\"out\""), 1u);
  EXPECT_EQ(urlSegment("leaf 1,é~_.-x"), "leaf%201%2C%C3%A9~_.-x");
}

TEST(BatchReportPage, CsvRecordsReadBackWhatTheWriterWrote) {
  const std::vector<std::string> fields = {"leaf, \"1\".jpg", "", "two\nlines", "é", "NA"};
  std::string text;
  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> made;
    for (const std::string& f : fields) made.push_back(csvField(f));
    text += csvRecord(made);
  }
  CsvRecords records;
  std::vector<std::size_t> firstLines;
  ASSERT_TRUE(parseCsvRecords(text, records, &firstLines));
  EXPECT_EQ(records, CsvRecords(2, fields));
  EXPECT_EQ(firstLines, (std::vector<std::size_t>{1, 3}));  // a record holds a line feed
  for (const char* bad : {"\"open", "\"a\"b,c\n"}) EXPECT_FALSE(parseCsvRecords(bad, records)) << bad;
  EXPECT_FALSE(parseCsvRecords("a\nb\n\"c\n", records, &firstLines));
  EXPECT_EQ(firstLines.back(), 3u);
}

}  // namespace
}  // namespace leafmargin::batch

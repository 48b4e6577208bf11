// The tables and the page of a batch: what each kind of picture folder reads as (complete, no
// tooth, unreadable picture, killed, missing or foreign results.csv, unfinished run), the exact
// bytes of combined.csv for hand-written folders, the gathering of a whole output folder, the
// line of the first fault of a results.csv that does not read; the page's escaping, order and
// outlier marks, and the per-picture tables read back.
#include <gtest/gtest.h>

#include "batch/batch_test_support.h"
#include "batch/page/report_page.h"
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

void writePictureFolder(const fs::path& folder, const std::string& status, const std::string& trace,
                        const std::string* results = nullptr) {
  fs::create_directories(folder);
  if (!status.empty()) writeFile(folder / "status.txt", status + "\n");
  writeFile(folder / "trace.txt", trace);
  if (results) writeFile(folder / "results.csv", *results);
}

// One folder of every kind, as a batch leaves them.
class PictureFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string two = batchtest::twoToothResults();
    const std::string none = batchtest::noToothResults();
    const std::string foreign = "a;b;c\r\n";
    writePictureFolder(root() / "alpha", "0", "opencv version : 4.6\naa\n", &two);
    writePictureFolder(root() / "beta", "0", "opencv version : 4.6\n", &none);
    writePictureFolder(root() / "gamma;1", "255",
                       "opencv version : 4.6\nCannot read the image: /x/gamma;1.jpg\n\n");
    writePictureFolder(root() / "delta", "signal 11", "opencv version : 4.6\naa\n");
    writePictureFolder(root() / "eps", "0", "opencv version : 4.6\n");
    writePictureFolder(root() / "zeta", "0", "", &foreign);
    writePictureFolder(root() / "eta", "", "opencv version : 4.6\n");
    writePictureFolder(root() / "theta", "banana", "");
    writePictureFolder(root() / "iota", "1", "");
    writePictureFolder(root() / "kappa", "1", "aa\r\nErreur à getAllPointsOfContour : contour.size()=0\r\n");
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
      {"beta", "beta: ok, 0 teeth", "0"},
      {"gamma;1", "gamma;1: failed (status 255): Cannot read the image: /x/gamma;1.jpg", "255"},
      {"delta", "delta: failed (signal 11): killed by signal 11 (Segmentation fault)", "signal 11"},
      {"eps", "eps: failed (status 0): results.csv missing", "0"},
      {"zeta", "zeta: failed (status 0): results.csv line 1: not the header of a results table", "0"},
      {"eta", "eta: failed: no status.txt: the run did not finish", ""},
      {"theta", "theta: failed: status.txt does not hold an exit status: banana", ""},
      {"iota", "iota: failed (status 1): the run printed nothing", "1"},
      {"kappa", "kappa: failed (status 1): Erreur à getAllPointsOfContour : contour.size()=0", "1"},
  };
  for (const auto& e : expected) {
    const PictureOutcome outcome = gather(e.name);
    EXPECT_EQ(describeOutcome(outcome), e.line);
    EXPECT_EQ(outcome.status, e.status) << e.name;
    EXPECT_EQ(outcome.ok, e.name == "alpha" || e.name == "beta") << e.name;
  }
  PictureOutcome one = gather("alpha");
  one.results.teeth.pop_back();
  EXPECT_EQ(describeOutcome(one), "alpha: ok, 1 tooth");
}

TEST_F(PictureFolders, CombinedTableBytes) {
  const std::vector<PictureOutcome> pictures = {gather("alpha"), gather("gamma;1"), gather("beta"),
                                                gather("delta")};
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
                                             "iota", "kappa", "theta", "zeta"}));
}

TEST(BatchCsvCell, QuotesOnlyTextThatWouldBreakTheRow) {
  for (const auto& [text, cell] : std::vector<std::pair<std::string, std::string>>{
           {"a b,c", "a b,c"}, {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"two\nlines", "\"two\nlines\""}, {"", ""}})
    EXPECT_EQ(csvCell(text), cell) << text;
}

TEST(BatchTableWrite, ReplacesTheFileWholeOrFailsLeavingNoTemporary) {
  ScratchDir dir("batch-write");
  std::string error;
  ASSERT_TRUE(writeFileAtomically(dir.path() / "combined.csv", "first", error)) << error;
  ASSERT_TRUE(writeFileAtomically(dir.path() / "combined.csv", "second", error)) << error;
  EXPECT_EQ(readFile(dir.path() / "combined.csv"), "second");
  fs::create_directories(dir.path() / "blocked");  // a folder stands where the file should go
  EXPECT_FALSE(writeFileAtomically(dir.path() / "blocked", "x", error));
  EXPECT_EQ(error.rfind("cannot write " + (dir.path() / "blocked").string() + ": ", 0), 0u) << error;
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"blocked", "combined.csv"}));
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
  e.picture.picture = name + ".jpg";
  e.picture.folder = name;
  e.picture.ok = true;
  e.picture.exitCode = "0";
  e.picture.dpi = "1200";
  for (int i = 1; i <= 3; ++i) {
    TidyTooth tooth;
    tooth.number = std::to_string(i);
    tooth.cells.fill("1,00");
    tooth.cells[0] = width;
    e.picture.teeth.push_back(tooth);
  }
  e.picture.means.fill("1,00");
  e.picture.means[0] = width;
  e.picture.deepestNotch = "0,50";
  e.thumbnail = {240, 120};
  return e;
}

TEST(BatchReportPage, EscapesNamesPutsFailuresFirstAndMarksOutliers) {
  std::vector<PageEntry> entries;
  for (const char* name : {"a", "b", "c", "d", "e"}) entries.push_back(okPicture(name, "2,00"));
  entries.push_back(okPicture("<b>&\"'", "9,50"));  // the outlier
  PageEntry failed;
  failed.picture.picture = "x<script>.jpg";
  failed.picture.folder = "x<script>";
  failed.picture.message = "Cannot read the image: /in/x<script>.jpg";
  failed.picture.exitCode = "255";
  entries.push_back(failed);

  const std::string page = composeReportPage(entries);
  EXPECT_EQ(count(page, "<tr class=\"picture "), 7u);
  EXPECT_LT(page.find("<tr class=\"picture failed\">"), page.find("<tr class=\"picture ok\">"));
  EXPECT_EQ(page.find("<b>&"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find(">&lt;b&gt;&amp;&quot;&#39;.jpg</a>"), std::string::npos);
  EXPECT_NE(page.find("Cannot read the image: /in/x&lt;script&gt;.jpg"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"%3Cb%3E%26%22%27/teeth.png\"><img src=\"%3Cb%3E%26%22%27/teeth_thumb.jpg\""),
            std::string::npos);
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
  ASSERT_TRUE(parseCsvRecords(text, records));
  EXPECT_EQ(records, CsvRecords(2, fields));
  ASSERT_TRUE(parseCsvRecords("picture,dpi\r\n\"a,b\",740\r\n", records));
  EXPECT_EQ(firstRecordField(records, "dpi"), "740");
  EXPECT_EQ(firstRecordField(records, "teeth"), "");
  for (const char* bad : {"\"open", "\"a\"b,c\n"}) EXPECT_FALSE(parseCsvRecords(bad, records)) << bad;
}

}  // namespace
}  // namespace leafmargin::batch

// The batch's page and the reading of per-picture tables: names that could break a row or add
// markup, failures first, thumbnails only where a picture exists, the outlier mark.
#include <gtest/gtest.h>

#include "app/batch_test_support.h"
#include "batch/csv_records.h"
#include "batch/report_page.h"
#include "report/csv_writer.h"

namespace leafmargin::batch {
namespace {

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

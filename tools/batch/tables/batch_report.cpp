#include "batch/tables/batch_report.h"

#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "batch/page/report_page.h"
#include "batch/tables/combined_table.h"
#include "batch/tables/csv_records.h"
#include "report/csv_writer.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

constexpr int kThumbnailSide = 240;

std::string readText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

cv::Size ensureThumbnail(const fs::path& folder) {
  const fs::path full = folder / kTeethPictureFile, thumb = folder / kThumbnailFile;
  std::error_code ec;
  if (!fs::exists(full, ec)) return {};
  const bool fresh = fs::exists(thumb, ec) &&
                     fs::last_write_time(thumb, ec) >= fs::last_write_time(full, ec) && !ec;
  if (fresh) {
    const cv::Mat existing = cv::imread(thumb.string(), cv::IMREAD_COLOR);
    if (!existing.empty()) return existing.size();
  }
  const cv::Mat picture = cv::imread(full.string(), cv::IMREAD_COLOR);
  if (picture.empty()) return {};
  const double scale = std::min(1.0, double(kThumbnailSide) / std::max(picture.cols, picture.rows));
  cv::Mat small;
  cv::resize(picture, small, cv::Size(), scale, scale, cv::INTER_AREA);
  std::vector<uchar> bytes;
  if (!cv::imencode(".jpg", small, bytes, {cv::IMWRITE_JPEG_QUALITY, 85})) return {};
  std::string error;
  if (!writeFileAtomically(thumb, std::string(bytes.begin(), bytes.end()), error)) return {};
  return small.size();
}

bool writePicturePath(const fs::path& folder, const fs::path& picture, std::string& error) {
  return writeFileAtomically(folder / kPicturePathFile, picture.string() + "\n", error);
}

TidyPicture tidyPicture(const PictureOutcome& outcome, const fs::path& folder) {
  TidyPicture tidy;
  tidy.folder = outcome.name;
  std::string path = readText(folder / kPicturePathFile);
  if (!path.empty() && path.back() == '\n') path.pop_back();
  tidy.path = path;
  tidy.picture = path.empty() ? outcome.name : fs::path(path).filename().string();
  tidy.ok = outcome.ok;
  const bool signalled = outcome.status.rfind("signal ", 0) == 0;
  tidy.exitCode = signalled ? "" : outcome.status;
  tidy.message = outcome.message;

  CsvRecords records;
  const std::string dpi = parseCsvRecords(readText(folder / kPictureTableFile), records)
                              ? firstRecordField(records, "dpi") : "";
  tidy.dpi = csvNumberFromCell(dpi);  // NA unless a number
  if (!outcome.ok) return tidy;

  const ResultsTable& results = outcome.results;
  for (const ToothRow& row : results.teeth) {
    TidyTooth tooth;
    tooth.number = row.number;
    std::copy(row.cells.begin(), row.cells.end(), tooth.cells.begin());
    tidy.teeth.push_back(std::move(tooth));
  }
  std::copy(results.statistics[2].begin(), results.statistics[2].end(), tidy.means.begin());
  std::copy(results.statistics[4].begin(), results.statistics[4].end(), tidy.deviations.begin());
  tidy.deepestNotch = results.deepestNotch;
  return tidy;
}

bool writeBatchReport(const fs::path& outdir, const std::vector<PictureOutcome>& outcomes,
                      std::string& error) {
  std::string teeth = teethTableHeader(), pictures = pictureTableHeader();
  std::vector<PageEntry> entries;
  for (const PictureOutcome& outcome : outcomes) {
    const fs::path folder = outdir / outcome.name;
    PageEntry entry{tidyPicture(outcome, folder), {}};
    teeth += teethTableRows(entry.picture);
    pictures += pictureTableRow(entry.picture);
    if (outcome.ok) entry.thumbnail = ensureThumbnail(folder);
    entries.push_back(std::move(entry));
  }
  return writeFileAtomically(outdir / kTeethTableFile, teeth, error) &&
         writeFileAtomically(outdir / kPicturesTableFile, pictures, error) &&
         writeFileAtomically(outdir / kReportPageFile, composeReportPage(entries), error);
}

}  // namespace leafmargin::batch

#include "batch/tables/batch_report.h"

#include <algorithm>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <set>

#include "app/options.h"
#include "batch/page/report_page.h"
#include "batch/tables/combined_table.h"
#include "report/csv_writer.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

constexpr int kThumbnailSide = 240;

// columns with each of added put after the column named after (or at the front when there is
// none), in added's order, leaving out names columns already has.
std::vector<std::string> inserted(std::vector<std::string> columns, const std::string& after,
                                  const std::vector<std::string>& added) {
  auto at = std::find(columns.begin(), columns.end(), after);
  at = at == columns.end() ? columns.begin() : at + 1;
  for (const std::string& name : added) {
    if (std::find(columns.begin(), columns.end(), name) == columns.end()) {
      at = columns.insert(at, name) + 1;
    }
  }
  return columns;
}

// names with those of added it lacks appended, in added's order.
void addNew(std::vector<std::string>& names, const std::vector<std::string>& added) {
  for (const std::string& name : added) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
}

std::vector<std::string> pictureColumns(const std::vector<std::string>& sheet) {
  std::vector<std::string> columns = inserted(pictureTableColumns(), "message", {"warning_count", "warnings"});
  columns = inserted(columns, "dpi", {"leaves"});
  return inserted(columns, "picture", sheet);
}

std::vector<std::string> teethColumns(const std::vector<std::string>& sheet) {
  return inserted(inserted(teethTableColumns(), "folder", {"leaf"}), "picture", sheet);
}

// The dpi a whole-leaf run used when its leaf table does not say: the one it was given, or
// leaf-margin's default; unknown with --dpi auto.
std::string requestedDpi(const PictureJobRecord& job) {
  if (job.dpi.empty()) return dpiField(kDefaultDpi);
  return job.dpi == "auto" ? kNotAvailable : job.dpi;
}

void wholeLeafRows(const fs::path& folder, const PictureOutcome& outcome, TidyRows& rows) {
  CsvTable teeth, leaves;
  readCsvTable(folder / kWholeLeafTeethFile, teeth);
  readCsvTable(folder / kWholeLeafLeavesFile, leaves);
  std::map<std::string, std::string> leafDpi;
  std::set<std::string> dpis;
  for (CsvRow leaf : leaves.rows) {
    leafDpi[fieldOf(leaf, "leaf")] = fieldOf(leaf, "dpi");
    dpis.insert(fieldOf(leaf, "dpi"));
    leaf["folder"] = outcome.name;
    for (const auto& [name, value] : outcome.job.sheet) leaf[name] = value;
    rows.leaves.push_back(std::move(leaf));
  }
  const std::string dpi = dpis.size() == 1 ? *dpis.begin() : requestedDpi(outcome.job);
  rows.picture["dpi"] = dpis.size() > 1 ? std::string(kNotAvailable) : dpi;
  rows.picture["leaves"] = std::to_string(outcome.teethPerLeaf.size());
  rows.picture["teeth"] = std::to_string(teeth.rows.size());
  for (std::size_t i = 0; i < teeth.rows.size(); ++i) {
    CsvRow tooth = teeth.rows[i];
    const auto found = leafDpi.find(fieldOf(tooth, "leaf"));
    tooth["tooth"] = std::to_string(i + 1);
    tooth["dpi"] = found == leafDpi.end() ? dpi : found->second;
    rows.teeth.push_back(std::move(tooth));
  }
}

void cropRows(const fs::path& folder, TidyRows& rows) {
  CsvTable teeth, picture;
  readCsvTable(folder / kTeethTableFile, teeth);
  if (readCsvTable(folder / kPictureTableFile, picture) && !picture.rows.empty()) {
    for (const auto& [column, field] : picture.rows[0]) rows.picture.emplace(column, field);
  }
  rows.teeth = teeth.rows;
}

}  // namespace

cv::Size ensureThumbnail(const fs::path& folder, bool wholeLeaf) {
  const fs::path full = folder / (wholeLeaf ? kWholeLeafPictureFile : kTeethPictureFile);
  const fs::path thumb = folder / (wholeLeaf ? kWholeLeafThumbnailFile : kThumbnailFile);
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

std::vector<std::string> batchOwnColumns() {
  std::vector<std::string> own = pictureColumns({});
  for (const std::string& column : teethColumns({})) own.push_back(column);
  return own;
}

TidyRows tidyRows(const PictureOutcome& outcome, const fs::path& folder) {
  TidyRows rows;
  std::string path = readText(folder / kPicturePathFile);
  if (!path.empty() && path.back() == '\n') path.pop_back();
  if (outcome.ok && !outcome.job.wholeLeaf) cropRows(folder, rows);
  CsvRow& row = rows.picture;
  row["picture"] = path.empty() ? outcome.name : fs::path(path).filename().string();
  row["folder"] = outcome.name;
  row["path"] = path.empty() ? std::string(kNotAvailable) : path;
  row["status"] = outcome.ok ? "ok" : "failed";
  const bool signalled = outcome.status.rfind("signal ", 0) == 0;
  row["exit_code"] = signalled || outcome.status.empty() ? std::string(kNotAvailable) : outcome.status;
  row["message"] = outcome.ok ? "" : failureText(outcome);
  row["warning_count"] = std::to_string(outcome.warnings.size());
  row["warnings"] = outcome.warnings.empty() ? std::string(kNotAvailable) : joinedWarnings(outcome.warnings);
  if (outcome.ok && outcome.job.wholeLeaf) wholeLeafRows(folder, outcome, rows);
  for (const auto& [name, value] : outcome.job.sheet) row[name] = value;
  for (CsvRow& tooth : rows.teeth) {
    tooth["picture"] = row["picture"];
    tooth["folder"] = outcome.name;
    tooth.emplace("leaf", kNotAvailable);
    for (const auto& [name, value] : outcome.job.sheet) tooth[name] = value;
  }
  return rows;
}

std::string composeTable(const std::vector<std::string>& columns, const std::vector<CsvRow>& rows) {
  std::vector<std::string> fields;
  for (const std::string& column : columns) fields.push_back(csvField(column));
  std::string text = csvRecord(fields);
  for (const CsvRow& row : rows) {
    fields.clear();
    for (const std::string& column : columns) fields.push_back(csvField(fieldOf(row, column)));
    text += csvRecord(fields);
  }
  return text;
}

bool writeBatchReport(const fs::path& outdir, const std::vector<PictureOutcome>& outcomes,
                      std::string& error) {
  std::vector<std::string> sheet, leafColumns;
  std::vector<CsvRow> teeth, pictures, leaves;
  bool leafTables = false;
  std::vector<PageEntry> entries;
  for (const PictureOutcome& outcome : outcomes) {
    const fs::path folder = outdir / outcome.name;
    for (const auto& field : outcome.job.sheet) addNew(sheet, {field.first});
    TidyRows rows = tidyRows(outcome, folder);
    if (outcome.ok && outcome.job.wholeLeaf) {
      CsvTable own;
      leafTables |= readCsvTable(folder / kWholeLeafLeavesFile, own);
      addNew(leafColumns, own.columns);
    }
    PageEntry entry{rows.picture, rows.teeth, outcome.warnings, outcome.teethPerLeaf,
                    outcome.job.wholeLeaf, {}};
    if (outcome.ok) entry.thumbnail = ensureThumbnail(folder, outcome.job.wholeLeaf);
    teeth.insert(teeth.end(), rows.teeth.begin(), rows.teeth.end());
    leaves.insert(leaves.end(), rows.leaves.begin(), rows.leaves.end());
    pictures.push_back(std::move(rows.picture));
    entries.push_back(std::move(entry));
  }
  leafColumns = inserted(inserted(leafColumns, "picture", {"folder"}), "folder", sheet);
  std::error_code ec;
  if (!leafTables) fs::remove(outdir / kLeavesTableFile, ec);
  else if (!writeFileAtomically(outdir / kLeavesTableFile, composeTable(leafColumns, leaves), error)) return false;
  return writeFileAtomically(outdir / kTeethTableFile, composeTable(teethColumns(sheet), teeth), error) &&
         writeFileAtomically(outdir / kPicturesTableFile, composeTable(pictureColumns(sheet), pictures), error) &&
         writeFileAtomically(outdir / kReportPageFile, composeReportPage(entries), error);
}

}  // namespace leafmargin::batch

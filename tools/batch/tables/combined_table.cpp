#include "batch/tables/combined_table.h"

#include <algorithm>

#include "report/csv_writer.h"
#include "report/measures.h"
#include "report/number_format.h"
#include "report/statistics.h"
#include "run/atomic_file.h"
#include "run/output_file.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

const char* const kLineEnd = "\r\n";

// A cell holding text, quoted when it holds ';', '"', CR or LF.
std::string cell(const std::string& text) { return csvField(text, ';'); }

// Header labels are quoted when they hold a space, as results.csv quotes its measurement labels.
std::string headerCell(const std::string& label) {
  return label.find(' ') == std::string::npos ? label : "\"" + label + "\"";
}

std::string toothSectionHeader() {
  std::string line = "Image;Dent;";
  for (const MeasureColumn& column : measureColumns()) line += headerCell(column.label) + ";";
  return line + kLineEnd;
}

std::string pictureSectionHeader() {
  std::string line;
  for (const char* label : {"Image", "Statut", "Code de sortie", "Message", "Nombre de dents",
                            "Profondeur max (mm)"}) {
    line += headerCell(label) + ";";
  }
  for (const char* statistic : statisticsLabels()) {
    for (const MeasureColumn& column : measureColumns()) {
      line += headerCell(std::string(statistic) + " : " + column.label) + ";";
    }
  }
  return line + kLineEnd;
}

std::string toothRows(const PictureOutcome& picture) {
  std::string rows;
  if (!picture.ok) return rows;
  const std::string name = cell(picture.name) + ";";
  for (const ToothRow& tooth : picture.results.teeth) {
    rows += name + tooth.number + ";";
    for (const std::string& cell : tooth.cells) rows += cell + ";";
    rows += kLineEnd;
  }
  return rows;
}

std::string pictureRow(const PictureOutcome& picture) {
  std::string row = cell(picture.name) + ";" + (picture.ok ? "ok" : "failed") + ";" +
                    cell(picture.status) + ";" + cell(picture.message) + ";";
  if (picture.ok) {
    row += intToString(static_cast<int>(picture.results.teeth.size())) + ";";
    row += picture.results.deepestNotch + ";";
    for (const MeasureCells& statistic : picture.results.statistics) {
      for (const std::string& cell : statistic) row += cell + ";";
    }
  } else {
    row.append(2 + kStatisticsCount * kMeasureCount, ';');
  }
  return row + kLineEnd;
}

}  // namespace

std::string composeCombinedTable(const std::vector<PictureOutcome>& pictures) {
  std::string table = toothSectionHeader();
  for (const PictureOutcome& picture : pictures) {
    if (!picture.job.wholeLeaf) table += toothRows(picture);
  }
  table += kLineEnd;
  table += pictureSectionHeader();
  for (const PictureOutcome& picture : pictures) {
    if (!picture.job.wholeLeaf) table += pictureRow(picture);
  }
  return table;
}

bool writeFileAtomically(const fs::path& path, const std::string& bytes, std::string& error) {
  const MaybeFailure failure =
      leafmargin::writeFileAtomically(path.parent_path().string(), path.filename().string(), bytes);
  if (failure) error = failure->message;
  return !failure;
}

std::vector<PictureOutcome> gatherOutputFolder(const fs::path& outdir) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(outdir)) {
    if (!entry.is_directory()) continue;
    if (fs::exists(entry.path() / kStatusFile) || fs::exists(entry.path() / kTraceFile)) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  std::vector<PictureOutcome> outcomes;
  for (const std::string& name : names) outcomes.push_back(gatherPicture(outdir / name, name));
  return outcomes;
}

}  // namespace leafmargin::batch

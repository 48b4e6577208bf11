#include "batch/tables/combined_table.h"

#include <algorithm>
#include <cstring>

#include "report/number_format.h"
#include "run/atomic_file.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

const char* const kLineEnd = "\r\n";

// Header labels are quoted when they hold a space, as results.csv quotes its measurement labels.
std::string headerCell(const std::string& label) {
  return label.find(' ') == std::string::npos ? label : "\"" + label + "\"";
}

std::string toothSectionHeader() {
  std::string line = "Image;Dent;";
  for (const std::string& label : resultsLabels().columns) line += headerCell(label) + ";";
  return line + kLineEnd;
}

std::string pictureSectionHeader() {
  std::string line;
  for (const char* label : {"Image", "Statut", "Code de sortie", "Message", "Nombre de dents",
                            "Profondeur max (mm)"}) {
    line += headerCell(label) + ";";
  }
  for (const std::string& statistic : resultsLabels().statistics) {
    for (const std::string& column : resultsLabels().columns) {
      line += headerCell(statistic + " : " + column) + ";";
    }
  }
  return line + kLineEnd;
}

std::string toothRows(const PictureOutcome& picture) {
  std::string rows;
  if (!picture.ok) return rows;
  const std::string name = csvCell(picture.name) + ";";
  for (const ToothRow& tooth : picture.results.teeth) {
    rows += name + tooth.number + ";";
    for (const std::string& cell : tooth.cells) rows += cell + ";";
    rows += kLineEnd;
  }
  return rows;
}

std::string pictureRow(const PictureOutcome& picture) {
  std::string row = csvCell(picture.name) + ";" + (picture.ok ? "ok" : "failed") + ";" +
                    csvCell(picture.status) + ";" + csvCell(picture.message) + ";";
  if (picture.ok) {
    row += intToString(static_cast<int>(picture.results.teeth.size())) + ";";
    row += picture.results.deepestNotch + ";";
    for (const MeasureCells& statistic : picture.results.statistics) {
      for (const std::string& cell : statistic) row += cell + ";";
    }
  } else {
    row.append(2 + kStatisticsRows * kMeasureColumns, ';');
  }
  return row + kLineEnd;
}

}  // namespace

std::string csvCell(const std::string& text) {
  if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string composeCombinedTable(const std::vector<PictureOutcome>& pictures) {
  std::string table = toothSectionHeader();
  for (const PictureOutcome& picture : pictures) table += toothRows(picture);
  table += kLineEnd;
  table += pictureSectionHeader();
  for (const PictureOutcome& picture : pictures) table += pictureRow(picture);
  return table;
}

bool writeFileAtomically(const fs::path& path, const std::string& bytes, std::string& error) {
  const int failure = replaceFileAtomically(path.string(), bytes);
  if (failure != 0) {
    error = "cannot write " + path.string() + ": " + std::strerror(failure);
    return false;
  }
  return true;
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

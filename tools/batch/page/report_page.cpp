#include "batch/page/report_page.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "report/csv_writer.h"
#include "report/measures.h"

namespace leafmargin::batch {

namespace {

// The measures plotted, as positions in the table of measures, with their axis titles.
struct PlottedMeasure {
  std::size_t index;
  const char* title;
};
const PlottedMeasure kPlotted[] = {{kToothWidth, "tooth width (mm)"},
                                   {kToothHeight, "tooth height (mm)"},
                                   {kHeightWidthRatio, "height / width (%)"},
                                   {kToothAngle, "tooth angle (deg)"},
                                   {kApicalAngle, "apical angle (deg)"}};
constexpr std::size_t kPlottedCount = sizeof kPlotted / sizeof kPlotted[0];

constexpr double kLabelWidth = 230, kPanelWidth = 170, kPanelGap = 40;
constexpr double kRowHeight = 16, kPlotTop = 44;
constexpr double kOutlierZ = 3.5;  // robust z of a picture's mean (median and MAD of all means)
constexpr std::size_t kMinPicturesForOutliers = 5;
constexpr std::size_t kLabelCharacters = 34;

const char* const kStyle =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "table{border-collapse:collapse}"
    "td,th{border:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:middle}"
    "td.n{text-align:right;font-variant-numeric:tabular-nums}"
    "tr.failed{background:#fde8e8}"
    "tr.warned{background:#fff4d6}"
    "td.warn{max-width:32em;overflow-wrap:anywhere;color:#8a5a00}"
    "td.msg{max-width:32em;overflow-wrap:anywhere}"
    "svg{font-family:sans-serif;font-size:11px}"
    "svg .tooth{fill:#1f5fa8;fill-opacity:.55}"
    "svg .mean{stroke:#222;stroke-width:2}"
    "svg .out{stroke:#d00;stroke-width:3}"
    "svg text.out{fill:#d00;stroke:none;font-weight:bold}"
    "svg .grid{stroke:#ddd}"
    "svg .median{stroke:#888;stroke-dasharray:4 3}";

// The number in a tidy field; false for "NA".
bool fieldValue(const std::string& field, double& value) {
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  return error == std::errc() && stop == end && std::isfinite(value);
}

std::string field(const CsvRow& row, const std::string& column) { return fieldOf(row, column); }

bool isOk(const PageEntry& entry) { return field(entry.picture, "status") == "ok"; }

std::string measureName(std::size_t index) { return measureColumns()[index].name; }

std::string coordinate(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(middle), values.end());
  double m = values[middle];
  if (values.size() % 2 == 0) {
    m = (m + *std::max_element(values.begin(), values.begin() + static_cast<long>(middle))) / 2;
  }
  return m;
}

// The first count code points of a UTF-8 text, with "..." when cut.
std::string shortened(const std::string& text, std::size_t count) {
  std::size_t points = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && points++ == count) {
      return text.substr(0, i) + "...";
    }
  }
  return text;
}

// An axis of a panel: from lo to hi, ticks every step.
struct Axis {
  double lo = 0, hi = 1, step = 1;
  double x(double v, double left) const { return left + (v - lo) / (hi - lo) * kPanelWidth; }
};

Axis niceAxis(double lo, double hi) {
  if (!(hi > lo)) {
    lo -= 1;
    hi += 1;
  }
  const double rough = (hi - lo) / 4;
  const double decade = std::pow(10.0, std::floor(std::log10(rough)));
  double step = decade * 10;
  for (double f : {1.0, 2.0, 5.0}) {
    if (f * decade >= rough) {
      step = f * decade;
      break;
    }
  }
  return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

std::string tickText(double v, double step) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", step < 1 ? (step < 0.1 ? 2 : 1) : 0, v);
  return text;
}

struct PlotRow {
  const PageEntry* entry;
  std::array<std::vector<double>, kPlottedCount> teeth;
  std::array<double, kPlottedCount> mean{};
  std::array<bool, kPlottedCount> hasMean{};
  std::array<bool, kPlottedCount> outlier{};
};

std::vector<PlotRow> plotRows(const std::vector<PageEntry>& entries) {
  std::vector<PlotRow> rows;
  for (const PageEntry& entry : entries) {
    if (!isOk(entry) || entry.teeth.empty()) continue;
    PlotRow row{&entry, {}, {}, {}, {}};
    for (std::size_t m = 0; m < kPlottedCount; ++m) {
      const std::string name = measureName(kPlotted[m].index);
      for (const CsvRow& tooth : entry.teeth) {
        double v;
        if (fieldValue(field(tooth, name), v)) row.teeth[m].push_back(v);
      }
      row.hasMean[m] = fieldValue(field(entry.picture, name + "_mean"), row.mean[m]);
    }
    rows.push_back(std::move(row));
  }
  for (std::size_t m = 0; m < kPlottedCount; ++m) {
    std::vector<double> means, deviations;
    for (const PlotRow& row : rows) {
      if (row.hasMean[m]) means.push_back(row.mean[m]);
    }
    const double centre = median(means);
    for (double v : means) deviations.push_back(std::fabs(v - centre));
    // The MAD as a deviation, but never below 2 % of the median: pictures that agree exactly
    // must not make every small difference an outlier, nor hide a large one.
    const double spread = std::max(1.4826 * median(deviations), 0.02 * std::fabs(centre));
    for (PlotRow& row : rows) {
      row.outlier[m] = row.hasMean[m] && means.size() >= kMinPicturesForOutliers && spread > 0 &&
                       std::fabs(row.mean[m] - centre) / spread > kOutlierZ;
    }
  }
  return rows;
}

std::string plotSvg(const std::vector<PlotRow>& rows) {
  const double width = kLabelWidth + kPlottedCount * (kPanelWidth + kPanelGap);
  const double height = kPlotTop + rows.size() * kRowHeight + 8;
  std::string svg = "<svg class=\"plot\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    coordinate(width) + "\" height=\"" + coordinate(height) + "\">\n";
  const double bottom = height - 8;
  for (std::size_t m = 0; m < kPlottedCount; ++m) {
    const double left = kLabelWidth + m * (kPanelWidth + kPanelGap);
    std::vector<double> all;
    for (const PlotRow& row : rows) all.insert(all.end(), row.teeth[m].begin(), row.teeth[m].end());
    const Axis axis = all.empty() ? Axis{}
                                  : niceAxis(*std::min_element(all.begin(), all.end()),
                                             *std::max_element(all.begin(), all.end()));
    svg += "<text x=\"" + coordinate(left) + "\" y=\"14\" font-weight=\"bold\">" +
           kPlotted[m].title + "</text>\n";
    for (double t = axis.lo; t <= axis.hi + axis.step / 2; t += axis.step) {
      const std::string x = coordinate(axis.x(t, left));
      svg += "<line class=\"grid\" x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + coordinate(kPlotTop - 6) +
             "\" y2=\"" + coordinate(bottom) + "\"/><text x=\"" + x + "\" y=\"" +
             coordinate(kPlotTop - 10) + "\" text-anchor=\"middle\">" + tickText(t, axis.step) +
             "</text>\n";
    }
    if (!all.empty()) {
      const std::string x = coordinate(axis.x(median(all), left));
      svg += "<line class=\"median\" x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" +
             coordinate(kPlotTop - 6) + "\" y2=\"" + coordinate(bottom) + "\"/>\n";
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const double y = kPlotTop + (r + 0.5) * kRowHeight;
      for (double v : rows[r].teeth[m]) {
        svg += "<circle class=\"tooth\" cx=\"" + coordinate(axis.x(v, left)) + "\" cy=\"" +
               coordinate(y) + "\" r=\"2.6\"/>";
      }
      if (rows[r].hasMean[m]) {
        const std::string x = coordinate(axis.x(rows[r].mean[m], left));
        svg += std::string("<line class=\"") + (rows[r].outlier[m] ? "out" : "mean") + "\" x1=\"" +
               x + "\" x2=\"" + x + "\" y1=\"" + coordinate(y - 6) + "\" y2=\"" +
               coordinate(y + 6) + "\"/>";
      }
      svg += "\n";
    }
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const bool outlier = std::find(rows[r].outlier.begin(), rows[r].outlier.end(), true) !=
                         rows[r].outlier.end();
    const std::string name = field(rows[r].entry->picture, "picture");
    svg += std::string("<text") + (outlier ? " class=\"out\"" : "") + " x=\"4\" y=\"" +
           coordinate(kPlotTop + (r + 0.5) * kRowHeight + 4) + "\"><title>" + htmlEscape(name) +
           "</title>" + htmlEscape(shortened(name, kLabelCharacters)) + "</text>\n";
  }
  return svg + "</svg>\n";
}

std::string cell(const std::string& text, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" +
         htmlEscape(text) + "</td>";
}

// "21 (leaf 1: 12, leaf 2: 9)" for a whole-leaf scan, else the teeth field.
std::string teethText(const PageEntry& entry) {
  const std::string teeth = field(entry.picture, "teeth");
  if (!entry.wholeLeaf || !isOk(entry)) return teeth;
  std::string perLeaf;
  for (std::size_t leaf = 0; leaf < entry.teethPerLeaf.size(); ++leaf) {
    perLeaf += (leaf == 0 ? "" : ", ") + std::string("leaf ") + std::to_string(leaf + 1) + ": " +
               std::to_string(entry.teethPerLeaf[leaf]);
  }
  return teeth + " (" + perLeaf + ")";
}

std::string summaryRow(const PageEntry& entry) {
  const CsvRow& p = entry.picture;
  const bool ok = isOk(entry);
  const std::string name = field(p, "picture");
  const std::string folder = urlSegment(field(p, "folder")) + "/";
  std::string row = std::string("<tr class=\"picture ") + (ok ? "ok" : "failed") +
                    (entry.warnings.empty() ? "" : " warned") + "\">";
  row += "<td><a href=\"" + htmlEscape(folder) + "\">" + htmlEscape(name) + "</a></td>";
  row += cell(ok ? "ok" : "failed");
  row += cell(field(p, "exit_code"), "n");
  row += cell(field(p, "message"), "msg");
  std::string warnings;
  for (const std::string& warning : entry.warnings) {
    warnings += (warnings.empty() ? "" : "<br>") + htmlEscape(warning);
  }
  row += "<td class=\"warn\">" + warnings + "</td>";
  if (ok) {
    row += cell(teethText(entry), "n") + cell(field(p, "dpi"), "n") +
           cell(field(p, "max_notch_depth_mm"), "n") +
           cell(field(p, measureName(kToothWidth) + "_mean"), "n") +
           cell(field(p, measureName(kToothHeight) + "_mean"), "n");
  } else {
    row += "<td></td><td></td><td></td><td></td><td></td>";
  }
  if (entry.thumbnail.area() > 0) {
    const std::string full = entry.wholeLeaf ? "whole_leaf.png" : "teeth.png";
    const std::string thumb = entry.wholeLeaf ? "whole_leaf_thumb.jpg" : "teeth_thumb.jpg";
    row += "<td><a href=\"" + htmlEscape(folder + full) + "\"><img src=\"" +
           htmlEscape(folder + thumb) + "\" width=\"" + std::to_string(entry.thumbnail.width) +
           "\" height=\"" + std::to_string(entry.thumbnail.height) +
           "\" loading=\"lazy\" alt=\"teeth of " + htmlEscape(name) + "\"></a></td>";
  } else {
    row += "<td></td>";
  }
  return row + "</tr>\n";
}

}  // namespace

std::string htmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string urlSegment(const std::string& name) {
  static const char* const hex = "0123456789ABCDEF";
  std::string out;
  for (char c : name) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (std::isalnum(b) && b < 0x80) {
      out += c;
    } else if (c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    }
  }
  return out;
}

std::string composeReportPage(const std::vector<PageEntry>& entries) {
  std::size_t failed = 0, warned = 0, teeth = 0;
  for (const PageEntry& e : entries) {
    if (!isOk(e)) ++failed;
    else if (!e.warnings.empty()) ++warned;
    teeth += isOk(e) ? e.teeth.size() : 0;
  }
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>leaf-margin: " + std::to_string(entries.size()) + " pictures</title>\n<style>" +
      kStyle + "</style>\n</head>\n<body>\n<h1>leaf-margin batch</h1>\n<p>" +
      std::to_string(entries.size()) + " pictures: " + std::to_string(entries.size() - failed) +
      " ok" + (warned > 0 ? " (" + std::to_string(warned) + " with warnings)" : std::string()) +
      ", " + std::to_string(failed) + " failed; " + std::to_string(teeth) +
      " teeth measured. Tables: <a href=\"teeth.csv\">teeth.csv</a>, "
      "<a href=\"pictures.csv\">pictures.csv</a>, <a href=\"combined.csv\">combined.csv</a>.</p>\n"
      "<h2>Pictures</h2>\n<p>Failed pictures first, then those with warnings.</p>\n"
      "<table class=\"pictures\">\n<thead><tr><th>Picture</th><th>Status</th>"
      "<th>Exit code</th><th>Message</th><th>Warnings</th><th>Teeth</th><th>dpi</th>"
      "<th>Max notch depth (mm)</th><th>Mean tooth width (mm)</th><th>Mean tooth height (mm)</th>"
      "<th>Teeth picture</th></tr></thead>\n<tbody>\n";
  // Failed pictures, then ok ones with warnings, then the others, each in the batch's order.
  const auto rank = [](const PageEntry& e) { return !isOk(e) ? 0 : e.warnings.empty() ? 2 : 1; };
  for (int r = 0; r < 3; ++r) {
    for (const PageEntry& e : entries) {
      if (rank(e) == r) page += summaryRow(e);
    }
  }
  page += "</tbody>\n</table>\n<h2>Teeth per picture</h2>\n"
          "<p>One row per picture with teeth, in the order of the batch. Each dot is a tooth; the "
          "black bar is the picture's mean, a red bar a mean far from the other pictures' (more "
          "than 3.5 robust deviations from their median), and the dashed line the median of all "
          "teeth.</p>\n";
  page += plotSvg(plotRows(entries));
  return page + "</body>\n</html>\n";
}

}  // namespace leafmargin::batch

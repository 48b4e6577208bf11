// "report.html": one self-contained page over a batch that opens from a file manager (relative
// links, nothing fetched, no script): a summary table of the pictures with the failed ones first
// and their messages, then the ones with warnings (marked, with the warnings' texts), a
// thumbnail of each picture's teeth.png (whole_leaf.png for a whole-leaf scan, with its teeth
// counted leaf by leaf) linking to the full picture, and a plot of every tooth of every picture
// for the main measures, drawn as inline SVG, in which a picture whose mean lies far from the
// others' is marked. The page reads the pictures' rows of the batch's tables by column name.
// Every text is HTML-escaped and every link percent-encoded, so no name can break the page or
// add markup.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "batch/tables/csv_records.h"

namespace leafmargin::batch {

struct PageEntry {
  CsvRow picture;                     // its row of pictures.csv
  std::vector<CsvRow> teeth;          // its rows of teeth.csv
  std::vector<std::string> warnings;
  std::vector<int> teethPerLeaf;      // a whole-leaf scan's teeth, leaf by leaf
  bool wholeLeaf = false;
  cv::Size thumbnail;  // of the thumbnail in its folder; empty when there is none
};

// The page for the pictures in their given order.
std::string composeReportPage(const std::vector<PageEntry>& entries);

// &, <, >, " and ' as character references; every other byte unchanged.
std::string htmlEscape(const std::string& text);

// One path segment of a relative URL: bytes other than A-Z a-z 0-9 - . _ ~ as %XX.
std::string urlSegment(const std::string& name);

}  // namespace leafmargin::batch

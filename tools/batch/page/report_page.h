// "report.html": one self-contained page over a batch that opens from a file manager (relative
// links, nothing fetched, no script): a summary table of the pictures with the failed ones first
// and their messages, a thumbnail of each picture's teeth.png linking to the full picture, and a
// plot of every tooth of every picture for the main measures, drawn as inline SVG, in which a
// picture whose mean lies far from the others' is marked. Every name is HTML-escaped and every
// link percent-encoded, so no name can break the page or add markup.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "report/tidy_tables.h"

namespace leafmargin::batch {

struct PageEntry {
  TidyPicture picture;
  cv::Size thumbnail;  // of folder/teeth_thumb.jpg; empty when there is none
};

// The page for the pictures in their given order.
std::string composeReportPage(const std::vector<PageEntry>& entries);

// &, <, >, " and ' as character references; every other byte unchanged.
std::string htmlEscape(const std::string& text);

// One path segment of a relative URL: bytes other than A-Z a-z 0-9 - . _ ~ as %XX.
std::string urlSegment(const std::string& name);

}  // namespace leafmargin::batch

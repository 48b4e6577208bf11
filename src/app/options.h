// The command line of leaf-margin: every setting of one run as a plain struct, and its parser.
// With no option the settings are those the program always had: the picture "leaflet.jpg",
// the working directory, 1200 dpi and the leaf as the brighter class.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "report/pixel_size.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {

struct Options {
  std::string picture = "leaflet.jpg";
  std::vector<std::string> ignoredPictures;  // given after the first picture
  std::string outputDir;                     // empty: the working directory
  bool dpiFromFile = false;                  // --dpi auto
  double dpi = kDefaultDpi;                  // used unless dpiFromFile
  SegmentationSettings segmentation;
  bool tidy = false;  // --tidy: also teeth.csv, picture.csv and teeth.png
  bool leafGiven = false;                    // --leaf bright or dark was on the command line
  bool leafAuto = false;                     // --leaf auto: the polarity check picks the class
  bool quiet = false;                        // -q: no trace, one closing line
  bool wholeLeaf = false;                    // --whole-leaf
  std::string keepCropsDir;                  // --keep-crops DIR, with --whole-leaf only
};

// What the command line asks for: a run with these options, or an immediate end with a status
// (after --help or --version, printed on out, or a usage error, one line on err).
struct CommandLine {
  Options options;
  std::optional<int> exitStatus;
};

CommandLine parseCommandLine(int argc, const char* const argv[], std::ostream& out,
                             std::ostream& err);

// "<program> <version> (OpenCV <version>)", the text of --version.
std::string versionText(const std::string& program = "leaf-margin");

// The checks of option values that every command line taking them shares (leaf-margin and
// leafmargin-batch): "" for a good value, else the problem ("must be ... (got 'x')").
std::string checkDpi(const std::string& text);      // a positive number, or auto
std::string checkLeaf(const std::string& text);     // bright, dark or auto
std::string checkThreads(const std::string& text);  // a whole number from 1 to 9999

}  // namespace leafmargin

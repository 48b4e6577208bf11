// The tidy tables that a statistics package reads as they are: "teeth.csv", one row per measured
// tooth, and the picture table ("picture.csv" of one run, "pictures.csv" of a batch), one row
// per picture, failed ones included. Every number is the value results.csv shows for it (same
// rounding, same statistics), written with a '.'; "NA" where none exists. One format for single
// runs and batches: both describe their pictures as TidyPicture and write them here.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "measure/measurement_record.h"
#include "report/measures.h"

namespace leafmargin {

constexpr const char* kTeethTableFile = "teeth.csv";
constexpr const char* kPictureTableFile = "picture.csv";    // one run
constexpr const char* kPicturesTableFile = "pictures.csv";  // a batch

// Cells as results.csv writes them (decimal comma, "nan,00", "" for a missing sinus cell).
using MeasureCellTexts = std::array<std::string, kMeasureCount>;

struct TidyTooth {
  std::string number;      // the row number of results.csv
  MeasureCellTexts cells;
};

struct TidyPicture {
  std::string picture;   // the picture's file name as given ("leaf 1.jpg")
  std::string folder;    // its output folder, relative to the folder holding the table
  std::string path;      // the picture's path as given
  bool ok = false;       // analysed completely; the fields below describe the result
  std::string exitCode;  // "0", "255", ...; empty when there is none (killed by a signal)
  std::string message;   // why the picture failed; empty when ok
  std::string dpi;       // a field text ("1200", "740"), or "NA"
  std::vector<TidyTooth> teeth;
  MeasureCellTexts means;         // the "Moyenne" line of results.csv
  MeasureCellTexts deviations;    // the "Ecart-type" line
  std::string deepestNotch;       // the cell after "Profondeur max :"
};

// The result of one analysis as results.csv shows it: rows, means, standard deviations and the
// deepest notch, computed as the report computes them. Identity fields are left to the caller.
TidyPicture tidyResults(const MeasurementRecord& record, double mmPerPixel);

// "picture", "folder", "tooth", "dpi" and the ten measure names.
std::vector<std::string> teethTableColumns();
std::string teethTableHeader();
// One record per tooth of an ok picture; none for a failed one.
std::string teethTableRows(const TidyPicture& picture);

// "picture", "folder", "path", "status", "exit_code", "message", "dpi", "teeth",
// "max_notch_depth_mm", then "<measure>_mean", "<measure>_sd" for each measure.
std::vector<std::string> pictureTableColumns();
std::string pictureTableHeader();
// One record; a failed picture has "NA" in every result field.
std::string pictureTableRow(const TidyPicture& picture);

// The dpi as a field: the shortest text of the number ("1200", "299.5").
std::string dpiField(double dpi);

}  // namespace leafmargin

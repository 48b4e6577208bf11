// The tidy outputs of a batch in OUTDIR beside combined.csv: "teeth.csv", "pictures.csv" (the
// columns of leaf-margin --tidy's tables, with the sheet's own columns after "picture", a "leaf"
// in teeth.csv, the warnings and a count of leaves in pictures.csv), "leaves.csv" (every
// whole-leaf picture's leaf table), a thumbnail of each picture's teeth.png or whole_leaf.png
// and the page "report.html". Each picture's rows are copied from the tables its run left in its
// folder (teeth.csv and picture.csv of leaf-margin --tidy, or the whole-leaf tables); which
// picture is ok is the same reading of the folder as combined.csv's.
#pragma once

#include <filesystem>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "batch/tables/csv_records.h"
#include "batch/tables/picture_outcome.h"
#include "report/tidy_tables.h"

namespace leafmargin::batch {

// Written by the batch into each picture folder before the run: the picture's path and a line
// feed, so that a later gathering (leafmargin-combine) still knows it.
constexpr const char* kPicturePathFile = "picture_path.txt";
// Left by leaf-margin --tidy; the thumbnails are made by the batch.
constexpr const char* kTeethPictureFile = "teeth.png";
constexpr const char* kThumbnailFile = "teeth_thumb.jpg";
constexpr const char* kWholeLeafThumbnailFile = "whole_leaf_thumb.jpg";
constexpr const char* kReportPageFile = "report.html";
constexpr const char* kLeavesTableFile = "leaves.csv";

// Records the picture's path in folder; false (with error set) when it cannot.
bool writePicturePath(const std::filesystem::path& folder, const std::filesystem::path& picture,
                      std::string& error);

// The thumbnail of folder's teeth.png (whole_leaf.png for a whole-leaf run), made when missing
// or older than it; its size, or an empty size when there is no picture to show. The batch makes
// it as each picture finishes.
cv::Size ensureThumbnail(const std::filesystem::path& folder, bool wholeLeaf);

// The columns that the batch fills itself in teeth.csv and pictures.csv: a sample sheet may not
// bring a column of one of these names.
std::vector<std::string> batchOwnColumns();

// One picture as the batch's tables show it.
struct TidyRows {
  CsvRow picture;              // its row of pictures.csv
  std::vector<CsvRow> teeth;   // its rows of teeth.csv
  std::vector<CsvRow> leaves;  // its rows of leaves.csv (whole-leaf pictures)
};

// The rows of the picture of outcome, whose folder is folder. Without a recorded path the
// picture is named after the folder and its path is "NA".
TidyRows tidyRows(const PictureOutcome& outcome, const std::filesystem::path& folder);

// The table's bytes: the header, then each row's fields in the columns' order ("NA" for a
// column the row lacks).
std::string composeTable(const std::vector<std::string>& columns, const std::vector<CsvRow>& rows);

// Writes teeth.csv, pictures.csv, leaves.csv (when a picture was a whole-leaf scan; removed
// otherwise), the missing or outdated thumbnails and report.html into outdir for outcomes
// (pictures in their given order). false (with error set) when a file cannot be written; a
// picture whose drawing is missing or unreadable just has no thumbnail.
bool writeBatchReport(const std::filesystem::path& outdir,
                      const std::vector<PictureOutcome>& outcomes, std::string& error);

}  // namespace leafmargin::batch

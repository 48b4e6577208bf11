// The tidy outputs of a batch in OUTDIR beside combined.csv: "teeth.csv" and "pictures.csv"
// (one format with leaf-margin --tidy), a thumbnail of each picture's "teeth.png", and the page
// "report.html". They are built from the same reading of each picture folder as combined.csv,
// so both always agree on which picture is ok and on every number; what only the run itself
// knows, the dpi it used, comes from the "picture.csv" that leaf-margin --tidy left there.
#pragma once

#include <filesystem>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "batch/tables/picture_outcome.h"
#include "report/tidy_tables.h"

namespace leafmargin::batch {

// Written by the batch into each picture folder before the run: the picture's path and a line
// feed, so that a later gathering (leafmargin-combine) still knows it.
constexpr const char* kPicturePathFile = "picture_path.txt";
// Left by leaf-margin --tidy; the thumbnail is made from it by the batch.
constexpr const char* kTeethPictureFile = "teeth.png";
constexpr const char* kThumbnailFile = "teeth_thumb.jpg";
constexpr const char* kReportPageFile = "report.html";

// Records the picture's path in folder; false (with error set) when it cannot.
bool writePicturePath(const std::filesystem::path& folder, const std::filesystem::path& picture,
                      std::string& error);

// The thumbnail of folder/teeth.png, made when missing or older than it; its size, or an empty
// size when there is no picture to show. The batch makes it as each picture finishes.
cv::Size ensureThumbnail(const std::filesystem::path& folder);

// The picture of outcome, whose folder is folder, as the tidy tables describe it. Without a
// recorded path the picture is named after the folder and its path is missing; without a
// picture.csv the dpi is "NA".
TidyPicture tidyPicture(const PictureOutcome& outcome, const std::filesystem::path& folder);

// Writes teeth.csv, pictures.csv, the missing or outdated thumbnails and report.html into outdir
// for outcomes (pictures in their given order). false (with error set) when a file cannot be
// written; a picture whose teeth.png is missing or unreadable just has no thumbnail.
bool writeBatchReport(const std::filesystem::path& outdir,
                      const std::vector<PictureOutcome>& outcomes, std::string& error);

}  // namespace leafmargin::batch

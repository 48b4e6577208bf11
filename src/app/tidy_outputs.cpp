#include "app/tidy_outputs.h"

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "report/results_csv.h"
#include "report/teeth_picture.h"
#include "report/tidy_tables.h"
#include "run/atomic_file.h"

namespace leafmargin {


MaybeFailure writeTidyOutputs(const cv::Mat& picture, const PictureAnalysis& analysis,
                              const std::string& picturePath, double mmPerPixel,
                              const std::string& directory) {
  TidyPicture tidy = tidyResults(analysis.measured.record, mmPerPixel);
  tidy.picture = std::filesystem::path(picturePath).filename().string();
  tidy.folder = ".";
  tidy.path = picturePath;
  tidy.dpi = dpiField(kMmPerPixel * 1200.0 / mmPerPixel);

  const cv::Mat drawing = drawTeethPicture(picture, analysis.leafOutline, analysis.measured.teeth,
                                           analysis.measured.deepest, analysis.turned, mmPerPixel);
  std::vector<uchar> png;
  cv::imencode(".png", drawing, png);

  if (auto f = replaceFileInFolder(directory, kTeethTableFile, teethTableHeader() + teethTableRows(tidy))) {
    return f;
  }
  if (auto f = replaceFileInFolder(directory, kPictureTableFile, pictureTableHeader() + pictureTableRow(tidy))) {
    return f;
  }
  return replaceFileInFolder(directory, kTeethPictureFile, std::string(png.begin(), png.end()));
}

}  // namespace leafmargin

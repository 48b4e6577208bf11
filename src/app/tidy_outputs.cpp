#include "app/tidy_outputs.h"

#include <cstring>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "report/results_csv.h"
#include "report/teeth_picture.h"
#include "report/tidy_tables.h"
#include "run/atomic_file.h"
#include "run/file_path.h"

namespace leafmargin {

namespace {

MaybeFailure writeFile(const std::string& directory, const std::string& name,
                       const std::string& bytes) {
  const int error = replaceFileAtomically(joinPath(directory, name), bytes);
  if (error == 0) return std::nullopt;
  const std::string where = directory.empty() ? "the working directory" : directory;
  return Failure{kExitNotWritten,
                 "Cannot write " + name + " in " + where + ": " + std::strerror(error)};
}

}  // namespace

MaybeFailure writeTidyOutputs(const cv::Mat& picture, const PictureAnalysis& analysis,
                              const std::string& picturePath, double mmPerPixel,
                              const std::string& directory) {
  TidyPicture tidy = tidyResults(analysis.measured.record, mmPerPixel);
  tidy.picture = std::filesystem::path(picturePath).filename().string();
  tidy.folder = ".";
  tidy.path = picturePath;
  tidy.dpi = dpiField(dpiOfPixel(mmPerPixel));

  const cv::Mat drawing = drawTeethPicture(picture, analysis.leafOutline, analysis.measured.teeth,
                                           analysis.measured.deepest, analysis.turned, mmPerPixel);
  std::vector<uchar> png;
  cv::imencode(".png", drawing, png);

  if (auto f = writeFile(directory, kTeethTableFile, teethTableHeader() + teethTableRows(tidy))) {
    return f;
  }
  if (auto f = writeFile(directory, kPictureTableFile, pictureTableHeader() + pictureTableRow(tidy))) {
    return f;
  }
  return writeFile(directory, kTeethPictureFile, std::string(png.begin(), png.end()));
}

}  // namespace leafmargin

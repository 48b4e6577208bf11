#include "app/tidy_outputs.h"

#include <filesystem>

#include "report/results_csv.h"
#include "report/teeth_picture.h"
#include "report/tidy_tables.h"
#include "run/output_file.h"

namespace leafmargin {

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

  if (auto f = writeFileAtomically(directory, kTeethTableFile,
                                   teethTableHeader() + teethTableRows(tidy))) {
    return f;
  }
  if (auto f = writeFileAtomically(directory, kPictureTableFile,
                                   pictureTableHeader() + pictureTableRow(tidy))) {
    return f;
  }
  return writePictureAtomically(directory, kTeethPictureFile, drawing);
}

}  // namespace leafmargin

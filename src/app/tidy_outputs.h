// leaf-margin --tidy: beside results.csv, the tidy tables of the run's one picture ("teeth.csv",
// "picture.csv", in the format a batch writes for all its pictures) and "teeth.png", the
// picture with its numbered teeth.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "app/pipeline.h"
#include "run/failure.h"

namespace leafmargin {

constexpr const char* kTeethPictureFile = "teeth.png";

// Writes the three files into directory (empty: the working directory), each replaced
// atomically. picture is the picture as given and analysis its complete analysis; picturePath
// is the path as given. The folder field is "." (the tables lie in the picture's output folder).
// A file that cannot be written gives a kExitNotWritten failure naming it.
MaybeFailure writeTidyOutputs(const cv::Mat& picture, const PictureAnalysis& analysis,
                              const std::string& picturePath, double mmPerPixel,
                              const std::string& directory);

}  // namespace leafmargin

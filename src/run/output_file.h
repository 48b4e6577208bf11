// Writing the files of a run, every write checked. A file that cannot be written ends the run
// with kExitNotWritten and one line naming it and why: "Cannot write bw.jpg in the working
// directory: Is a directory". Tables are replaced atomically (an earlier file stays whole until
// the new one is complete); pictures are written in place, as cv::imwrite writes them.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "run/failure.h"

namespace leafmargin {

// The failure for fileName in directory (empty: the working directory), with the reason.
Failure notWrittenFailure(const std::string& directory, const std::string& fileName,
                          const std::string& reason);

// Replaces directory/fileName with bytes atomically (replaceFileAtomically).
MaybeFailure writeFileAtomically(const std::string& directory, const std::string& fileName,
                                 const std::string& bytes);

// Pictures are encoded as cv::imwrite encodes them: by the encoder of the file name's extension,
// with its default settings. writePicture writes over directory/fileName in place,
// writePictureAtomically replaces it as writeFileAtomically does.
MaybeFailure writePicture(const std::string& directory, const std::string& fileName,
                          const cv::Mat& image);
MaybeFailure writePictureAtomically(const std::string& directory, const std::string& fileName,
                                    const cv::Mat& image);

}  // namespace leafmargin

// leaf-margin: morphometry of the toothed margin of one leaf picture.
// Usage: leaf-margin [OPTIONS] [PICTURE]   (leaf-margin --help lists the options)
#include <unistd.h>

#include <iostream>
#include <opencv2/core/utils/logger.hpp>

#include "app/options.h"
#include "app/pipeline.h"
#include "app/whole_leaf_run.h"
#include "run/escaped_failure.h"

int main(int argc, char** argv) {
  // The program says itself what went wrong with a picture; OpenCV's own log lines would only
  // repeat it in another form.
  cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
  leafmargin::Options options;
  try {
    const leafmargin::CommandLine command =
        leafmargin::parseCommandLine(argc, argv, std::cout, std::cerr);
    if (command.exitStatus) return *command.exitStatus;
    options = command.options;
    // A long GrabCut shows its progress to someone watching a terminal.
    if (isatty(STDERR_FILENO)) options.segmentation.grabCut.progress = &std::cerr;
    if (options.wholeLeaf) return leafmargin::runWholeLeaf(options, std::cout, std::cerr);
    const leafmargin::RunOutput out{std::cout, options.outputDir, true};
    return leafmargin::runPipeline(options, out, std::cerr);
  } catch (...) {
    // What no stage could foresee still ends with a documented status and one line: the
    // memory message where a run of one picture prints its memory failure (its trace), the
    // others where a whole-leaf run prints its failures (standard error).
    const leafmargin::Failure failure =
        leafmargin::failureOfEscapedException(std::current_exception(), options.picture);
    if (failure.status == leafmargin::kExitOutOfMemory && !options.wholeLeaf) {
      std::cout << failure.message << std::endl;
    } else {
      std::cerr << "leaf-margin: " << failure.message << std::endl;
    }
    return failure.status;
  }
}

// leaf-margin: morphometry of the toothed margin of one leaf picture.
// Usage: leaf-margin [OPTIONS] [PICTURE]   (leaf-margin --help lists the options)
#include <unistd.h>

#include <iostream>
#include <opencv2/core/utils/logger.hpp>

#include "app/options.h"
#include "app/pipeline.h"
#include "app/whole_leaf_run.h"

int main(int argc, char** argv) {
  // The program says itself what went wrong with a picture; OpenCV's own log lines would only
  // repeat it in another form.
  cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
  const leafmargin::CommandLine command =
      leafmargin::parseCommandLine(argc, argv, std::cout, std::cerr);
  if (command.exitStatus) return *command.exitStatus;
  leafmargin::Options options = command.options;
  // A long GrabCut shows its progress to someone watching a terminal.
  if (isatty(STDERR_FILENO)) options.segmentation.grabCut.progress = &std::cerr;
  if (options.wholeLeaf) return leafmargin::runWholeLeaf(options, std::cout, std::cerr);
  const leafmargin::RunOutput out{std::cout, options.outputDir, true};
  return leafmargin::runPipeline(options, out, std::cerr);
}

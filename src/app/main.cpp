// leaf-margin: morphometry of the toothed margin of one leaf picture.
// Usage: leaf-margin [OPTIONS] [PICTURE]   (leaf-margin --help lists the options)
#include <iostream>

#include "app/options.h"
#include "app/pipeline.h"
#include "app/whole_leaf_run.h"

int main(int argc, char** argv) {
  const leafmargin::CommandLine command =
      leafmargin::parseCommandLine(argc, argv, std::cout, std::cerr);
  if (command.exitStatus) return *command.exitStatus;
  if (command.options.wholeLeaf) return leafmargin::runWholeLeaf(command.options, std::cout, std::cerr);
  const leafmargin::RunOutput out{std::cout, command.options.outputDir, true};
  return leafmargin::runPipeline(command.options, out, std::cerr);
}

// leaf-margin: morphometry of the toothed margin of one leaf picture.
// Usage: leaf-margin [picture]   (default "leaflet.jpg"; further arguments are ignored)
#include <iostream>

#include "app/pipeline.h"

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "leaflet.jpg";
  leafmargin::RunOutput out{std::cout, "", true};
  return leafmargin::runPipeline(path, out);
}

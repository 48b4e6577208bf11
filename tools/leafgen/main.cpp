// leafgen: writes a synthetic leaf picture and prints its drawn tips and sinuses.
// Usage: leafgen OUT.(png|jpg) [--width N] [--height N] [--teeth N] [--tooth-width N]
//        [--tooth-height N] [--margin-y N] [--shape symmetric|saw|rounded] [--noise SIGMA]
//        [--jpeg QUALITY] [--turn] [--seed N] [--leaf B,G,R] [--background B,G,R]
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <string>

#include "leafgen/leaf_generator.h"

using leafmargin::leafgen::LeafSpec;

namespace {

cv::Scalar parseColour(const std::string& text) {
  int b = 0, g = 0, r = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d", &b, &g, &r) != 3)
    throw std::invalid_argument("colour must be B,G,R: " + text);
  return cv::Scalar(b, g, r);
}

int usage() {
  std::cerr << "usage: leafgen OUT.(png|jpg) [--width N] [--height N] [--teeth N] "
               "[--tooth-width N] [--tooth-height N] [--margin-y N] "
               "[--shape symmetric|saw|rounded] [--noise SIGMA] [--jpeg QUALITY] [--turn] "
               "[--seed N] [--leaf B,G,R] [--background B,G,R]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  LeafSpec spec;
  const std::string outPath = argv[1];
  try {
    for (int i = 2; i < argc; ++i) {
      const std::string flag = argv[i];
      if (flag == "--turn") {
        spec.turn180 = true;
        continue;
      }
      if (i + 1 >= argc) return usage();
      const std::string value = argv[++i];
      if (flag == "--width") spec.width = std::stoi(value);
      else if (flag == "--height") spec.height = std::stoi(value);
      else if (flag == "--teeth") spec.teeth = std::stoi(value);
      else if (flag == "--tooth-width") spec.toothWidth = std::stoi(value);
      else if (flag == "--tooth-height") spec.toothHeight = std::stoi(value);
      else if (flag == "--margin-y") spec.marginY = std::stoi(value);
      else if (flag == "--shape") spec.shape = leafmargin::leafgen::parseToothShape(value);
      else if (flag == "--noise") spec.noiseSigma = std::stod(value);
      else if (flag == "--jpeg") spec.jpegQuality = std::stoi(value);
      else if (flag == "--seed") spec.seed = static_cast<unsigned>(std::stoul(value));
      else if (flag == "--leaf") spec.leafColour = parseColour(value);
      else if (flag == "--background") spec.backgroundColour = parseColour(value);
      else return usage();
    }
    const auto leaf = leafmargin::leafgen::generateLeaf(spec);
    if (!cv::imwrite(outPath, leaf.image)) {
      std::cerr << "leafgen: cannot write " << outPath << "\n";
      return 1;
    }
    std::cout << "size " << spec.width << "x" << spec.height << "\n";
    for (const auto& p : leaf.tips) std::cout << "tip " << p.x << " " << p.y << "\n";
    for (const auto& p : leaf.sinuses) std::cout << "sinus " << p.x << " " << p.y << "\n";
  } catch (const std::exception& e) {
    std::cerr << "leafgen: " << e.what() << "\n";
    return 2;
  }
  return 0;
}

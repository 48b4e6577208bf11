// leafgen: writes a synthetic leaf picture and prints its drawn tips and sinuses.
// Usage: leafgen OUT.(png|jpg) [--width N] [--height N] [--teeth N] [--tooth-width N]
//        [--tooth-height N] [--margin-y N] [--shape symmetric|saw|rounded] [--noise SIGMA]
//        [--jpeg QUALITY] [--turn] [--seed N] [--leaf B,G,R] [--background B,G,R]
//        [--palette green-on-dark|yellow-on-dark|green-on-white|dark-on-white]
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
               "[--seed N] [--leaf B,G,R] [--background B,G,R] "
               "[--palette green-on-dark|yellow-on-dark|green-on-white|dark-on-white]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  LeafSpec design;
  const std::string outPath = argv[1];
  try {
    for (int i = 2; i < argc; ++i) {
      const std::string flag = argv[i];
      if (flag == "--turn") {
        design.turn180 = true;
        continue;
      }
      if (i + 1 >= argc) return usage();
      const std::string value = argv[++i];
      if (flag == "--width") design.width = std::stoi(value);
      else if (flag == "--height") design.height = std::stoi(value);
      else if (flag == "--teeth") design.teeth = std::stoi(value);
      else if (flag == "--tooth-width") design.toothWidth = std::stoi(value);
      else if (flag == "--tooth-height") design.toothHeight = std::stoi(value);
      else if (flag == "--margin-y") design.marginY = std::stoi(value);
      else if (flag == "--shape") design.shape = leafmargin::leafgen::parseToothShape(value);
      else if (flag == "--noise") design.noiseSigma = std::stod(value);
      else if (flag == "--jpeg") design.jpegQuality = std::stoi(value);
      else if (flag == "--seed") design.seed = static_cast<unsigned>(std::stoul(value));
      else if (flag == "--leaf") design.leafColour = parseColour(value);
      else if (flag == "--background") design.backgroundColour = parseColour(value);
      else if (flag == "--palette") {
        const auto palette = leafmargin::leafgen::namedPalette(value);
        design.leafColour = palette.leaf;
        design.backgroundColour = palette.ground;
      }
      else return usage();
    }
    const auto leaf = leafmargin::leafgen::generateLeaf(design);
    if (!cv::imwrite(outPath, leaf.image)) {
      std::cerr << "leafgen: cannot write " << outPath << "\n";
      return 1;
    }
    std::cout << "size " << design.width << "x" << design.height << "\n";
    for (const auto& p : leaf.tips) std::cout << "tip " << p.x << " " << p.y << "\n";
    for (const auto& p : leaf.sinuses) std::cout << "sinus " << p.x << " " << p.y << "\n";
  } catch (const std::exception& e) {
    std::cerr << "leafgen: " << e.what() << "\n";
    return 2;
  }
  return 0;
}

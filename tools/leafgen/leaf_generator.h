// Synthetic leaf pictures with known teeth, for tests, benchmarks and the README's tables.
// The leaf fills the top of the picture (bright on a dark background by default) and its lower
// margin carries N teeth of a chosen width, height and shape between flat shoulders that reach
// the left and right borders. Tips and sinus bottoms are returned in picture coordinates.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace leafmargin::leafgen {

enum class ToothShape { Symmetric, Saw, Rounded };

struct LeafSpec {
  int width = 900;
  int height = 420;
  int teeth = 6;
  int toothWidth = 100;          // base of one tooth, pixels
  int toothHeight = 60;          // tip below the sinus line, pixels
  ToothShape shape = ToothShape::Symmetric;
  int marginY = 200;             // y of the sinus line
  int shoulderRise = 6;          // the flat shoulders climb this much toward the side borders, so
                                 // that they are not one straight contour run
  cv::Scalar leafColour{110, 210, 140};
  cv::Scalar backgroundColour{25, 25, 25};
  double noiseSigma = 0.0;       // Gaussian noise added to every channel
  int jpegQuality = 0;           // 1..100 passes the picture through JPEG; 0 keeps it exact
  bool turn180 = false;          // leaf at the bottom instead of the top
  unsigned seed = 1;
};

struct GeneratedLeaf {
  cv::Mat image;                    // 8-bit BGR
  std::vector<cv::Point> margin;    // the drawn margin polyline, left to right
  std::vector<cv::Point> tips;      // one per tooth, left to right
  std::vector<cv::Point> sinuses;   // teeth + 1 sinus bottoms, left to right
};

// Leaf and ground colours (BGR) of a named palette: "green-on-dark" (the default colours, a lit
// leaf on a dark ground as scanned with the lid open), "yellow-on-dark", "green-on-white" and
// "dark-on-white" (leaves lying on white paper).
struct Palette {
  cv::Scalar leaf;
  cv::Scalar ground;
};
Palette namedPalette(const std::string& name);
const std::vector<std::string>& paletteNames();

ToothShape parseToothShape(const std::string& name);  // "symmetric", "saw" or "rounded"
const char* toothShapeName(ToothShape shape);

// The margin polyline described by design, in upright picture coordinates, left border to right
// border.
std::vector<cv::Point> marginPolyline(const LeafSpec& design);
GeneratedLeaf generateLeaf(const LeafSpec& design);

}  // namespace leafmargin::leafgen

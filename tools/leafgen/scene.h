// A page as a flatbed scanner sees it, in millimetres: whole leaves on a dark ground, plain paper
// or printed graph paper, with what real scans carry beside them (rulers, labels, colour charts,
// printed numbers and logos, specks and hairs), rendered at a given dpi. Page coordinates run from
// the page's top-left corner, x to the right and y down; in the picture, pixel (0, 0)'s centre is
// at (0, 0), so the page's corner is at (-0.5, -0.5).
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "leafgen/leaf_shape.h"

namespace leafmargin::leafgen {

struct SceneLeaf {
  LeafShape shape;
  cv::Point2d centre{74.0, 105.0};       // middle of the blade's axis on the page
  double turnDegrees = 0.0;              // counter-clockwise on the page; 0: apex up
  std::optional<cv::Scalar> colour;      // BGR; unset: a colour that suits the ground
};

enum class GroundKind { Dark, Paper, GraphPaper };

struct Ground {
  GroundKind kind = GroundKind::Paper;
  cv::Scalar colour{243, 245, 246};  // the paper or the dark cloth, BGR
  cv::Scalar ink{120, 130, 238};     // graph paper's bold lines (the fine ones are paler)
  double fineWidth = 0.1;            // graph paper's lines every mm, mm wide
  double boldWidth = 0.35;           // its lines every 10 mm
  double inset = 6.0;                // unprinted paper around the grid, mm
};

Ground darkGround();
// "white", "grey" or "tinted" paper.
Ground plainPaper(const std::string& tone = "white");
// Graph paper printed in "pink", "green", "blue", "grey" or "orange".
Ground graphPaper(const std::string& ink = "pink");

enum class RulerMaterial { Transparent, White, Yellow };

struct Ruler {
  double length = 150.0;  // mm; ticks every mm, numbers every cm
  double width = 22.0;
  RulerMaterial material = RulerMaterial::Transparent;
};

struct Label {  // a white card with typed lines
  cv::Size2d size{62.0, 26.0};
  std::vector<std::string> lines{"Site 12  bed 3", "Morphotype QB-7", "No. 0417  2024-05-03"};
};

struct ColourChart {  // a row of colour patches on a dark strip
  int patches = 12;
  double patch = 9.0;  // side of one patch, mm
};

struct Print {  // printed text on the ground, or a round logo with its letters
  std::string text = "17";
  double height = 7.0;  // of the letters, mm
  cv::Scalar colour{40, 40, 40};
  bool logo = false;
};

struct SceneObject {
  std::variant<Ruler, Label, ColourChart, Print> item;
  cv::Point2d centre;       // on the page, mm
  double turnDegrees = 0.0; // counter-clockwise
};

cv::Size2d objectSize(const SceneObject& object);  // mm, before turning
const char* objectKind(const SceneObject& object);  // "ruler", "label", "colour-chart", "print", "logo"

struct Scene {
  cv::Size2d page{148.0, 210.0};  // mm (A5 portrait; A4 is 210 x 297)
  double dpi = 300.0;
  Ground ground;
  std::vector<SceneLeaf> leaves;
  std::vector<SceneObject> objects;
  int specks = 0;            // dust: dots up to 0.3 mm, kept off the leaves
  int hairs = 0;             // short fibres, kept off the leaves
  double blur = 0.5;         // Gaussian blur of the optics, sigma in pixels
  double noise = 2.0;        // sensor noise, sigma in grey levels
  int jpegQuality = 90;      // 1..100: the picture goes through JPEG; 0: kept exact (PNG)
  unsigned seed = 1;
};

double pixelsPerMm(const Scene& scene);
cv::Size pictureSize(const Scene& scene);     // the page at the dpi, whole pixels
cv::Rect2d pictureOnPage(const Scene& scene); // the picture's extent in page mm
cv::Point2d toPicture(const Scene& scene, cv::Point2d pageMm);

// A point of the leaf's own frame (leaf_shape.h) on the page.
cv::Point2d onPage(const SceneLeaf& leaf, cv::Point2d inLeaf);
Polygon onPage(const SceneLeaf& leaf, const Polygon& inLeaf);

// Corners of an object's footprint on the page, turned about its centre.
Polygon objectFootprint(const SceneObject& object);

}  // namespace leafmargin::leafgen

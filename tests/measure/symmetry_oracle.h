// The tooth symmetry as a plain full-size procedure, the reference for the windowed one: two
// masks of the picture's size per pass, cv::fillPoly, rotateImage, cv::flip, then corner
// searches, counts and the aligned comparison over the whole picture.
#pragma once

#include <opencv2/imgproc.hpp>
#include <vector>

#include "geometry/angles.h"
#include "geometry/line.h"
#include "geometry/segment.h"
#include "measure/symmetry_masks.h"
#include "support/literal_geometry.h"

namespace leafmargin::testing_oracle {

// The full-size turn: a new image of the same size, cv::warpAffine of the image with
// cv::getRotationMatrix2D(centre as single-precision point, angleDegrees, 1.0), bilinear,
// constant border 0.
inline cv::Mat rotateImage(cv::Point centre, const cv::Mat& image, double angleDegrees) {
  const cv::Mat rotation = cv::getRotationMatrix2D(
      cv::Point2f(static_cast<float>(centre.x), static_cast<float>(centre.y)), angleDegrees, 1.0);
  cv::Mat matrix;
  rotation.convertTo(matrix, CV_64F);
  cv::Mat turned;
  cv::warpAffine(image, turned, matrix, cv::Size(image.cols, image.rows), cv::INTER_LINEAR,
                 cv::BORDER_CONSTANT, cv::Scalar(0));
  return turned;
}

struct LiteralComparison {
  int nbGauche = 0, nbDroite = 0, enPlusAGauche = 0, enPlusADroite = 0;
  double symmetry = 0.0;
  cv::Point foot;
  cv::Mat gauche, droite;  // the aligned masks, full size
};

// The first row and the first column holding a 255 (0 when none), searched over the whole
// picture, as the box of every 255.
inline cv::Rect literalBox(const cv::Mat& mask) { return cv::boundingRect(mask == 255); }

inline LiteralComparison literalSymmetryIndex(const std::vector<cv::Point>& outline, int iT,
                                              int iL, int iR, int pass, cv::Size size) {
  LiteralComparison r;
  const cv::Point p = outline[iT];
  const Segment base(outline[iL], outline[iR]);
  const Segment perpendicular = testing::segmentCentredAt(p, segmentAngle(base) + 1.570796326795, 1000.0);
  cv::Point foot = lineIntersection(Line(base), Line(perpendicular));
  if (pass == 1) foot = segmentMidpoint(base);
  r.foot = foot;

  cv::Mat left = cv::Mat::zeros(size.height, size.width, CV_8UC1);
  cv::Mat right = cv::Mat::zeros(size.height, size.width, CV_8UC1);
  std::vector<cv::Point> leftPolygon, rightPolygon;
  for (int i = iL; i <= iT; ++i) leftPolygon.push_back(outline[i]);
  leftPolygon.push_back(foot);
  for (int i = iT; i <= iR; ++i) rightPolygon.push_back(outline[i]);
  rightPolygon.push_back(foot);
  cv::fillPoly(left, std::vector<std::vector<cv::Point>>{leftPolygon}, cv::Scalar(255, 255, 255, 0),
               8, 0, cv::Point(0, 0));
  cv::fillPoly(right, std::vector<std::vector<cv::Point>>{rightPolygon},
               cv::Scalar(255, 255, 255, 0), 8, 0, cv::Point(0, 0));

  const double theta = segmentAngle(Segment(foot, p));
  left = rotateImage(p, left, radToDeg(theta) + 90.0);
  right = rotateImage(p, right, radToDeg(theta) + 90.0);
  cv::flip(right, right, 1);

  const int topL = literalBox(left).y, leftL = literalBox(left).x;
  const int topR = literalBox(right).y, leftR = literalBox(right).x;
  r.nbGauche = cv::countNonZero(left == 255);
  r.nbDroite = cv::countNonZero(right == 255);
  const int dy = topL - topR, dx = leftL - leftR;
  if (topL < left.rows) {
    for (int yL = topL; yL < left.rows; ++yL) {
      for (int xL = leftL; xL < left.cols; ++xL) {
        const int xR = xL - dx, yR = yL - dy;
        if (xR < 0 || yR < 0 || xR >= right.cols || yR >= right.rows) continue;
        const uchar l = left.at<uchar>(yL, xL), rr = right.at<uchar>(yR, xR);
        if (l == 255 && rr == 0) ++r.enPlusAGauche;
        if (l == 0 && rr == 255) ++r.enPlusADroite;
      }
    }
  }
  r.symmetry = static_cast<int>(r.nbGauche + r.nbDroite - r.enPlusAGauche - r.enPlusADroite) *
               100.0 / static_cast<double>(r.nbGauche + r.nbDroite);
  r.gauche = left;
  r.droite = right;
  return r;
}

}  // namespace leafmargin::testing_oracle

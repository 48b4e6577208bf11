// "teeth.png": the result drawn so that a person can match every row of the tables to a tooth at
// a glance. The picture as given (upright as its owner knows it, made smaller when large), the
// margin, each measured tooth's tip numbered as its row, the sinuses, the deepest notch, and a
// band below with a legend of the colours and a scale bar in millimetres. Labels have a fixed
// size in the result's pixels, so they read the same at any picture size.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "measure/measure_teeth.h"
#include "measure/sinus_depth.h"

namespace leafmargin {

// The longest side of the drawn picture: larger pictures are scaled down to it.
constexpr int kTeethPictureMaxSide = 1600;

// Draws on a copy of picture (8-bit BGR, as given). leafOutline, teeth (entry r: row r + 1 of
// the tables) and deepest are in the analysed picture, which is the given one turned by 180
// degrees when turned is set. mmPerPixel sizes the scale bar. Positions outside leafOutline are
// skipped.
cv::Mat drawTeethPicture(const cv::Mat& picture, const std::vector<cv::Point>& leafOutline,
                         const std::vector<MeasuredTooth>& teeth, const DeepestSinus& deepest,
                         bool turned, double mmPerPixel);

}  // namespace leafmargin

#include "margin/margin_analysis.h"

#include <opencv2/imgproc.hpp>

#include "margin/candidate_filters.h"
#include "margin/candidates.h"

namespace leafmargin {

namespace {

void markPositions(cv::Mat& drawing, const std::vector<cv::Point>& outline,
                   const std::vector<int>& positions, const cv::Scalar& colour) {
  for (int position : positions)
    cv::circle(drawing, outline[position], 3, colour, -1, cv::LINE_8, 0);
}

}  // namespace

MarginAnalysis analyseMargin(const std::vector<cv::Point>& leafOutline,
                             const std::vector<cv::Point>& smoothOutline, cv::Mat& outlineDrawing,
                             const RunOutput& out) {
  const CandidateLists candidates = findToothSinusCandidates(leafOutline, smoothOutline, out.trace);
  const FilterContext ctx(leafOutline, smoothOutline, out.trace);
  MarginAnalysis result = filterCandidates(candidates, ctx, out.trace);

  out.trace << "commence par sinus : " << (result.commenceParSinus ? 1 : 0) << std::endl;
  out.trace << "sinuses found : " << result.sinus.size() << std::endl;
  out.trace << "teeth found : " << result.dents.size() << std::endl;
  if (!outlineDrawing.empty()) {
    markPositions(outlineDrawing, leafOutline, result.sinus, cv::Scalar(0, 255, 255, 0));
    markPositions(outlineDrawing, leafOutline, result.dents, cv::Scalar(0, 255, 0, 0));
  }
  result.failure = out.writeImage("drawing4.jpg", outlineDrawing);
  return result;
}

}  // namespace leafmargin

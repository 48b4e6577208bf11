#include "measure/apical_angle.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "geometry/angles.h"
#include "geometry/chain.h"
#include "geometry/line.h"
#include "geometry/numeric.h"

namespace leafmargin {

namespace {

constexpr int kFarY = -5000;            // height of the far points the angle is read between
constexpr double kRayLength = 70.0;     // drawn length of each flank ray
constexpr double kMinDrawnAngle = 10.0; // narrower rays are replaced by the sinus points
const char* const kMessageTooShort = "impossible de déterminer l'angle apical 1 !";
const char* const kMessageNoPair = "impossible de déterminer l'angle apical 2 !";

struct OutlinePositions {
  int sinusBefore = -1;
  int tip = -1;
  int sinusAfter = -1;
};

// Last occurrence of each point in the outline, -1 when absent.
OutlinePositions lastOccurrences(const std::vector<cv::Point>& outline, cv::Point sinusBefore,
                                 cv::Point tip, cv::Point sinusAfter) {
  OutlinePositions pos;
  for (int i = 0; i < static_cast<int>(outline.size()); ++i) {
    const cv::Point p = outline[i];
    if (p == sinusBefore) pos.sinusBefore = i;
    if (p == tip) pos.tip = i;
    if (p == sinusAfter) pos.sinusAfter = i;
  }
  return pos;
}

// One fitted flank line with what the search reads of it.
struct FlankLine {
  cv::Point first, second;  // the two window means
  Line line;
  cv::Point far;            // the line's point at y = kFarY
  bool slanted = false;     // not horizontal (a vertical line counts as slanted)
};

FlankLine fitFlankLine(cv::Point first, cv::Point second) {
  FlankLine f;
  f.first = first;
  f.second = second;
  f.line = Line(Segment(first, second));
  f.far = cv::Point(lineXAtY(f.line, kFarY), kFarY);
  f.slanted = std::fabs(radToDeg(lineAngle(f.line))) > 0;
  return f;
}

struct SearchOutcome {
  bool found = false;
  bool aborted = false;
  FlankLine left, right;
  cv::Point apex{-1, -1};
  double angle = 0.0;
};

// Every left line (window offset a, ascending) against every right line (centre k,
// ascending); the widest angle whose crossing lies strictly within deltaPointe of the tip
// wins, the first one met among equals. The right lines do not depend on a and are fitted
// once; a right window mean on column 0 stops the search where the first left line meets it.
SearchOutcome searchFlankLines(const ChainSums& left, int dG, const ChainSums& right, int dD,
                               double deltaPointe, cv::Point tip, std::ostream& trace) {
  const int nG = left.size();
  const int nD = right.size();
  std::vector<FlankLine> rightLines;
  int stopAt = nD - dD;  // index of the first right line that aborts, or the end
  for (int k = 2 * dD; k < nD - dD; ++k) {
    const cv::Point dr1 = right.mean(k - dD, k);
    const cv::Point dr2 = right.mean(k, k + dD);
    if (dr2.x == 0 || dr1.x == 0) {
      stopAt = k;
      break;
    }
    rightLines.push_back(fitFlankLine(dr1, dr2));
  }

  SearchOutcome best;
  for (int a = 0; a + dG < nG - 2 * dG; ++a) {
    const FlankLine lg = fitFlankLine(left.mean(a, a + dG), left.mean(a + dG, a + 2 * dG));
    for (const FlankLine& ld : rightLines) {
      const cv::Point x = lineIntersection(lg.line, ld.line);
      if (x == lg.far || x == ld.far) {
        // The angle is undefined there; it prints its diagnostic and is never accepted.
        angle3Points(x, lg.far, ld.far, trace);
        continue;
      }
      if (!lg.slanted || !ld.slanted || !(deltaPointe > pointDistance(x, tip))) continue;
      const double ang = std::fabs(angle3Points(x, lg.far, ld.far, trace));
      if (ang > best.angle) {
        best.found = true;
        best.angle = ang;
        best.left = lg;
        best.right = ld;
        best.apex = x;
      }
    }
    if (stopAt < nD - dD) {
      best.aborted = true;
      return best;
    }
  }
  return best;
}

int sideSign(int towards, int from) { return towards - from > 0 ? 1 : -1; }

// The point kRayLength pixels from the tip along the line's direction, on the side of sinus.
cv::Point rayEnd(cv::Point tip, cv::Point sinus, const Line& line) {
  const double theta = lineAngle(line);
  const int sx = sideSign(sinus.x, tip.x);
  const int sy = sideSign(sinus.y, tip.y);
  return {truncToInt(tip.x + sx * std::fabs(std::cos(theta)) * kRayLength),
          truncToInt(tip.y + sy * std::fabs(std::sin(theta)) * kRayLength)};
}

void printPoint(std::ostream& out, cv::Point p) { out << "[" << p.x << ", " << p.y << "]"; }

int apicalWindowHalfSize(int flankPoints) {
  if (flankPoints >= 200) return 40;
  if (flankPoints >= 100) return 20;
  if (flankPoints >= 50) return 10;
  if (flankPoints >= 25) return 5;
  return 3;
}

}  // namespace

ApicalAngleResult apicalAngle(cv::Point tip, cv::Point sinusBefore, cv::Point sinusAfter,
                              const std::vector<cv::Point>& outline, cv::Mat& drawing,
                              std::ostream& trace) {
  ApicalAngleResult result;
  const OutlinePositions pos = lastOccurrences(outline, sinusBefore, tip, sinusAfter);
  const ChainSums left(outline, pos.sinusBefore, pos.tip);
  const ChainSums right(outline, pos.tip, pos.sinusAfter);
  const int nG = left.size();
  const int nD = right.size();

  const int dG = apicalWindowHalfSize(nG);
  const int dD = apicalWindowHalfSize(nD);
  const double deltaPointe = (dG + dD) / 2;
  trace << "deltaG" << dG << "deltaD" << dD << "deltaPointe" << deltaPointe << std::endl;
  if (nG < 5 * dG || nD < 5 * dD) {
    trace << kMessageTooShort << std::endl;
    return result;
  }
  trace << "contourGauche.size()" << nG << "contourDroite.size()" << nD << std::endl;
  if (dG >= nG - 2 * dG) {
    trace << kMessageNoPair << std::endl;
    return result;
  }

  const SearchOutcome search = searchFlankLines(left, dG, right, dD, deltaPointe, tip, trace);
  if (search.aborted) {
    result.aborted = true;
    return result;
  }
  if (!search.found) {
    trace << kMessageNoPair << std::endl;
    return result;
  }

  const FlankLine& lg = search.left;
  const FlankLine& ld = search.right;
  trace << "Dg";
  printPoint(trace, ld.first);
  trace << "DD";
  printPoint(trace, ld.second);
  trace << std::endl;
  printLine(ld.line, trace);
  trace << "G";
  printPoint(trace, lg.far);
  trace << "D";
  printPoint(trace, ld.far);
  trace << std::endl;

  result.found = true;
  result.angle = search.angle;
  result.apex = search.apex;
  const long long farMidX = (static_cast<long long>(lg.far.x) + ld.far.x) / 2;
  result.axis = Segment(cv::Point(static_cast<int>(farMidX), kFarY), search.apex);
  result.leftRayEnd = rayEnd(tip, sinusBefore, lg.line);
  result.rightRayEnd = rayEnd(tip, sinusAfter, ld.line);
  if (radToDeg(angle3Points(result.apex, result.leftRayEnd, result.rightRayEnd, trace)) <
      kMinDrawnAngle) {
    result.leftRayEnd = sinusBefore;
    result.rightRayEnd = sinusAfter;
  }
  if (!drawing.empty()) {
    const cv::Scalar white(255, 255, 255);
    drawSegment(Segment(result.leftRayEnd, result.apex), drawing, 2, white);
    drawSegment(Segment(result.rightRayEnd, result.apex), drawing, 2, white);
  }
  return result;
}

}  // namespace leafmargin

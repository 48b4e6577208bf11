#include "leaves/leaf_finder.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "leaves/region_masks.h"

namespace leafmargin {

namespace {

constexpr double kFindingPixelsPerMm = 6.0;  // about 150 dpi
constexpr double kWidestLineMm = 0.6;        // lines up to this wide never join or make a leaf
constexpr double kGridLineMm = 0.55;         // a printed grid's lines, thinner than a petiole
constexpr double kStalkReachMm = 40.0;       // a leaf's thin parts (its petiole) reach this far
constexpr double kThinPartsPixelsPerMm = 300.0 / 25.4;  // they are found at up to 300 dpi
constexpr double kSmallestLeafMm2 = 100.0;
constexpr double kSmallestSpeckMm2 = 0.5;    // smaller specks are noise, not counted
constexpr double kRectangleFill = 0.85;      // of the smallest enclosing rectangle
constexpr double kBodyRadiusMm = 1.5;        // a leaf's body holds discs this wide; lines do not
constexpr double kLeastFullness = 0.02;      // area over length squared: a strip has less
constexpr double kLeastLeafChroma = 8.0;     // CIELAB chroma of print, shadows and cards is lower
constexpr double kSeparableShare = 0.15;     // each of two touching leaves holds this share at least

// Pixels of the one-pixel frame of the picture that are above threshold, and the frame's size.
std::pair<long long, long long> brightBorderPixels(const cv::Mat& gray, double threshold) {
  long long bright = 0, total = 0;
  auto count = [&](int x, int y) {
    ++total;
    if (gray.at<uchar>(y, x) > threshold) ++bright;
  };
  for (int x = 0; x < gray.cols; ++x) {
    count(x, 0);
    if (gray.rows > 1) count(x, gray.rows - 1);
  }
  for (int y = 1; y + 1 < gray.rows; ++y) {
    count(0, y);
    if (gray.cols > 1) count(gray.cols - 1, y);
  }
  return {bright, total};
}

bool touchesBorder(const cv::Rect& box, cv::Size size) {
  return box.x == 0 || box.y == 0 || box.x + box.width == size.width ||
         box.y + box.height == size.height;
}

// Rows of leaves from the top (a leaf whose top lies above the middle of the row's first leaf
// joins its row), each row from left to right.
void sortInReadingOrder(std::vector<FoundRegion>& leaves) {
  std::sort(leaves.begin(), leaves.end(),
            [](const FoundRegion& a, const FoundRegion& b) { return a.box.y < b.box.y; });
  for (std::size_t rowStart = 0; rowStart < leaves.size();) {
    const cv::Rect& first = leaves[rowStart].box;
    std::size_t rowEnd = rowStart + 1;
    while (rowEnd < leaves.size() && leaves[rowEnd].box.y < first.y + first.height / 2) ++rowEnd;
    std::sort(leaves.begin() + rowStart, leaves.begin() + rowEnd,
              [](const FoundRegion& a, const FoundRegion& b) { return a.box.x < b.box.x; });
    rowStart = rowEnd;
  }
}

struct Separation {
  std::vector<cv::Mat> parts;  // the region cut into leaves, or the region alone
  bool undecided = false;      // bodies were seen that could not be told apart as leaves
};

// Two or more leaves that touch each other form one region with a narrow neck between bodies
// much wider than it. The region is cut where the bodies meet when, at some neck half-width t,
// the parts wider than 2t each hold a fair share of it; when a part as large as a leaf holds
// less, the region stays whole and is marked undecided.
Separation separateTouchingLeaves(const cv::Mat& region, double smallestArea) {
  cv::Mat inside;
  cv::distanceTransform(region, inside, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  double widest = 0.0;
  cv::minMaxLoc(inside, nullptr, &widest);
  const double area = cv::countNonZero(region);
  for (double t = widest * 0.1; t <= widest * 0.45; t += widest * 0.05) {
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(inside > t, labels, stats, centroids, 8, CV_32S);
    if (count < 3) continue;
    std::vector<int> bodies;
    for (int label = 1; label < count; ++label) {
      double deepest = 0.0;
      cv::minMaxLoc(inside, nullptr, &deepest, nullptr, nullptr, labels == label);
      if (deepest >= 2.0 * t) bodies.push_back(label);
    }
    if (bodies.size() < 2) continue;
    // Every pixel of the region goes to the body nearest to it.
    cv::Mat seeds = cv::Mat::zeros(region.size(), CV_8UC1);
    for (std::size_t k = 0; k < bodies.size(); ++k) seeds.setTo(k + 1, labels == bodies[k]);
    cv::Mat nearest, voronoi;
    cv::distanceTransform(seeds == 0, nearest, voronoi, cv::DIST_L2, cv::DIST_MASK_5,
                          cv::DIST_LABEL_CCOMP);
    std::vector<cv::Mat> parts;
    for (std::size_t k = 0; k < bodies.size(); ++k) {
      int seedLabel = 0;
      for (int y = 0; y < seeds.rows && seedLabel == 0; ++y)
        for (int x = 0; x < seeds.cols; ++x)
          if (seeds.at<uchar>(y, x) == k + 1) {
            seedLabel = voronoi.at<int>(y, x);
            break;
          }
      const cv::Mat part = largestRegionFilled((voronoi == seedLabel) & region);
      const double partArea = cv::countNonZero(part);
      if (partArea < std::max(smallestArea, kSeparableShare * area))
        return {{region}, partArea >= smallestArea};
      parts.push_back(part);
    }
    return {parts, false};
  }
  return {{region}, false};
}

enum class Verdict { Leaf, TooSmall, StraightEdged, Thin, NotLeafColour, Noise };

// The shape is judged on the region's body, what a disc of kBodyRadiusMm leaves of it: a line,
// the edge of a frame or a ruler's ticks leave little; a card or a piece of tape with a smudge
// or a line touching it leaves its rectangle.
Verdict judgeRegion(const cv::Mat& picture, const cv::Mat& mask, double area, double smallestLeaf,
                    double smallestSpeck, double perMm) {
  if (area < smallestSpeck) return Verdict::Noise;
  if (area < smallestLeaf) return Verdict::TooSmall;
  const cv::Mat body = largestRegionFilled(openByDisc(mask, kBodyRadiusMm * perMm));
  const double bodyArea = cv::countNonZero(body);
  if (bodyArea < smallestLeaf) return Verdict::Thin;
  std::vector<cv::Point> pixels;
  cv::findNonZero(mask, pixels);
  const cv::Size2f extent = cv::minAreaRect(pixels).size;
  const double longest = std::max(extent.width, extent.height) + 1.0;
  if (area < kLeastFullness * longest * longest) return Verdict::Thin;
  if (looksStraightEdged(body)) return Verdict::StraightEdged;
  if (meanChroma(picture, mask) < kLeastLeafChroma) return Verdict::NotLeafColour;
  return Verdict::Leaf;
}

// The region in the reduced picture brought back to the scan.
FoundRegion toScan(const cv::Mat& reducedMask, cv::Rect reducedBox, double factor, cv::Size scanSize) {
  FoundRegion region;
  const cv::Rect scanBox(cv::Point(static_cast<int>(std::floor(reducedBox.x / factor)),
                                   static_cast<int>(std::floor(reducedBox.y / factor))),
                         cv::Point(static_cast<int>(std::ceil(reducedBox.br().x / factor)),
                                   static_cast<int>(std::ceil(reducedBox.br().y / factor))));
  region.box = scanBox & cv::Rect(cv::Point(0, 0), scanSize);
  if (factor == 1.0) {
    region.mask = reducedMask.clone();
    return region;
  }
  cv::Mat full;
  cv::resize(reducedMask, full, region.box.size(), 0, 0, cv::INTER_LINEAR);
  region.mask = full > 127;
  return region;
}

}  // namespace

LeafClass chooseLeafClass(const cv::Mat& gray, std::optional<bool> leafIsBright) {
  LeafClass leafClass;
  cv::Mat binary;
  leafClass.threshold = cv::threshold(gray, binary, 0.0, 255.0, cv::THRESH_OTSU);
  if (leafIsBright) {
    leafClass.leafIsBright = *leafIsBright;
  } else {
    const auto [bright, total] = brightBorderPixels(gray, leafClass.threshold);
    leafClass.leafIsBright = 2 * bright <= total;
  }
  return leafClass;
}

cv::Mat leafClassMask(const cv::Mat& gray, const LeafClass& leafClass) {
  cv::Mat mask;
  cv::threshold(gray, mask, leafClass.threshold, 255.0,
                leafClass.leafIsBright ? cv::THRESH_BINARY : cv::THRESH_BINARY_INV);
  return mask;
}

bool looksStraightEdged(const cv::Mat& mask) {
  std::vector<std::vector<cv::Point>> outlines;
  cv::findContours(mask.clone(), outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
  if (outlines.empty()) return false;
  const auto& largest = *std::max_element(outlines.begin(), outlines.end(), [](auto& a, auto& b) {
    return cv::contourArea(a) < cv::contourArea(b);
  });
  const cv::RotatedRect box = cv::minAreaRect(largest);
  // The rectangle through pixel centres misses half a pixel on every side.
  const double boxArea = (box.size.width + 1.0) * (box.size.height + 1.0);
  return boxArea > 0.0 && cv::countNonZero(mask) >= kRectangleFill * boxArea;
}

double meanChroma(const cv::Mat& picture, const cv::Mat& mask) {
  const cv::Scalar mean = cv::mean(picture, mask);
  cv::Mat colour(1, 1, CV_32FC3, cv::Scalar(mean[0] / 255.0, mean[1] / 255.0, mean[2] / 255.0));
  cv::Mat lab;
  cv::cvtColor(colour, lab, cv::COLOR_BGR2Lab);
  const cv::Vec3f v = lab.at<cv::Vec3f>(0, 0);
  return std::hypot(v[1], v[2]);
}

std::string describeLeftOut(const LeftOut& leftOut) {
  const int regions = leftOut.straightEdged + leftOut.thin + leftOut.notLeafColour;
  if (regions == 0 && leftOut.tooSmall == 0) return "";
  std::ostringstream text;
  std::vector<std::string> reasons;
  if (leftOut.straightEdged > 0)
    reasons.push_back(std::to_string(leftOut.straightEdged) + " straight-edged (a ruler, label or chart?)");
  if (leftOut.thin > 0)
    reasons.push_back(std::to_string(leftOut.thin) + " too thin (a line or an edge?)");
  if (leftOut.notLeafColour > 0)
    reasons.push_back(std::to_string(leftOut.notLeafColour) + " without a leaf's colour");
  if (regions > 0) {
    text << regions << (regions == 1 ? " region that is not a leaf was" : " regions that are not leaves were")
         << " left out: ";
    for (std::size_t k = 0; k < reasons.size(); ++k) text << (k ? ", " : "") << reasons[k];
  }
  if (leftOut.tooSmall > 0) {
    text << (regions > 0 ? "; and " : "") << leftOut.tooSmall
         << (leftOut.tooSmall == 1 ? " speck" : " specks") << " under 1 cm² "
         << (regions > 0 ? "" : (leftOut.tooSmall == 1 ? "was left out" : "were left out"));
  }
  std::string result = text.str();
  while (!result.empty() && result.back() == ' ') result.pop_back();
  return result;
}

namespace {

// A region of the reduced picture: its box and its box-sized mask.
struct Body {
  cv::Rect box;
  cv::Mat mask;
  bool undecided = false;
};

// A mask of the reduced picture (box-sized, at box) drawn into a frame of the scan's pixels
// (frame, at scale frame pixels per scan pixel).
cv::Mat drawnInFrame(const cv::Mat& mask, cv::Rect box, double factor, cv::Rect frame, double scale,
                     cv::Size frameSize) {
  cv::Mat drawn = cv::Mat::zeros(frameSize, CV_8UC1);
  const double toFrame = scale / factor;  // frame pixels per reduced pixel
  const cv::Rect target(static_cast<int>(std::lround((box.x / factor - frame.x) * scale)),
                        static_cast<int>(std::lround((box.y / factor - frame.y) * scale)),
                        std::max(1, static_cast<int>(std::lround(box.width * toFrame))),
                        std::max(1, static_cast<int>(std::lround(box.height * toFrame))));
  const cv::Rect clipped = target & cv::Rect(cv::Point(0, 0), frameSize);
  if (clipped.empty()) return drawn;
  cv::Mat resized;
  cv::resize(mask, resized, target.size(), 0, 0, cv::INTER_NEAREST);
  resized(clipped - target.tl()).copyTo(drawn(clipped));
  return drawn;
}

// The leaf's body with its thin parts (its petiole, a narrow apex) given back, found at up to
// 300 dpi where a petiole is wider than a grid's bolder lines: the pieces of the leaf class
// without lines up to kGridLineMm wide that overlap the body and lie within kStalkReachMm of it,
// never another region's. In the scan's pixels.
FoundRegion withThinParts(const cv::Mat& scan, const LeafClass& leafClass, const Body& body,
                          const std::vector<const Body*>& others, double pixelsPerMm, double factor) {
  const double scale = std::min(1.0, kThinPartsPixelsPerMm / pixelsPerMm);  // per scan pixel
  const double perMm = pixelsPerMm * scale;
  const int reach = static_cast<int>(std::ceil(kStalkReachMm * pixelsPerMm));
  const cv::Rect bodyInScan(cv::Point(static_cast<int>(body.box.x / factor), static_cast<int>(body.box.y / factor)),
                            cv::Point(static_cast<int>(std::ceil(body.box.br().x / factor)),
                                      static_cast<int>(std::ceil(body.box.br().y / factor))));
  const cv::Rect frame = (bodyInScan + cv::Size(2 * reach, 2 * reach) - cv::Point(reach, reach)) &
                         cv::Rect(cv::Point(0, 0), scan.size());
  cv::Mat picture = scan(frame);
  if (scale < 1.0) cv::resize(picture, picture, cv::Size(), scale, scale, cv::INTER_AREA);
  cv::Mat gray;
  cv::cvtColor(picture, gray, cv::COLOR_BGR2GRAY);
  const cv::Mat thin = openByDisc(leafClassMask(gray, leafClass), 0.5 * kGridLineMm * perMm + 0.5);
  const cv::Mat own = drawnInFrame(body.mask, body.box, factor, frame, scale, gray.size());
  cv::Mat labels;
  const int count = cv::connectedComponents(thin, labels, 8, CV_32S);
  std::vector<char> touching(static_cast<std::size_t>(count), 0);
  for (int y = 0; y < labels.rows; ++y)
    for (int x = 0; x < labels.cols; ++x)
      if (own.at<uchar>(y, x)) touching[labels.at<int>(y, x)] = 1;
  touching[0] = 0;
  cv::Mat distance;
  cv::distanceTransform(~own, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  cv::Mat full = own.clone();
  const float within = static_cast<float>(kStalkReachMm * perMm);
  for (int y = 0; y < labels.rows; ++y)
    for (int x = 0; x < labels.cols; ++x)
      if (touching[labels.at<int>(y, x)] && distance.at<float>(y, x) <= within) full.at<uchar>(y, x) = 255;
  for (const Body* other : others) {
    cv::Mat theirs;
    cv::dilate(drawnInFrame(other->mask, other->box, factor, frame, scale, gray.size()), theirs, cv::Mat());
    full.setTo(0, theirs);
  }
  const cv::Mat filled = largestRegionFilled(full | own);
  const cv::Rect tight = cv::boundingRect(filled);
  FoundRegion region;
  const cv::Rect inScan(cv::Point(frame.x + static_cast<int>(std::floor(tight.x / scale)),
                                  frame.y + static_cast<int>(std::floor(tight.y / scale))),
                        cv::Point(frame.x + static_cast<int>(std::ceil(tight.br().x / scale)),
                                  frame.y + static_cast<int>(std::ceil(tight.br().y / scale))));
  region.box = inScan & cv::Rect(cv::Point(0, 0), scan.size());
  cv::Mat mask;
  cv::resize(filled(tight), mask, region.box.size(), 0, 0, cv::INTER_LINEAR);
  region.mask = mask > 127;
  region.mayBeSeveral = body.undecided;
  return region;
}

}  // namespace

FoundLeaves findLeaves(const cv::Mat& scan, double pixelsPerMm, std::optional<bool> leafIsBright) {
  FoundLeaves found;
  const double factor = std::min(1.0, kFindingPixelsPerMm / pixelsPerMm);
  cv::Mat reduced = scan;
  if (factor < 1.0) cv::resize(scan, reduced, cv::Size(), factor, factor, cv::INTER_AREA);
  const double perMm = pixelsPerMm * factor;
  cv::Mat gray;
  cv::cvtColor(reduced, gray, cv::COLOR_BGR2GRAY);
  found.leafClass = chooseLeafClass(gray, leafIsBright);
  const cv::Mat classMask = leafClassMask(gray, found.leafClass);
  // A disc this wide fits neither in a line of kWidestLineMm (counted in whole pixels) nor where
  // two such lines cross.
  const cv::Mat bodies = openByDisc(classMask, 0.5 * std::sqrt(2.0) * kWidestLineMm * perMm + 0.5);

  cv::Mat labels, stats, centroids;
  const int count = cv::connectedComponentsWithStats(bodies, labels, stats, centroids, 8, CV_32S);
  const double smallestLeaf = kSmallestLeafMm2 * perMm * perMm;
  const double smallestSpeck = kSmallestSpeckMm2 * perMm * perMm;
  std::vector<Body> leaves, notLeaves;
  for (int label = 1; label < count; ++label) {
    const cv::Rect box(stats.at<int>(label, cv::CC_STAT_LEFT), stats.at<int>(label, cv::CC_STAT_TOP),
                       stats.at<int>(label, cv::CC_STAT_WIDTH), stats.at<int>(label, cv::CC_STAT_HEIGHT));
    const double area = stats.at<int>(label, cv::CC_STAT_AREA);
    if (area < smallestSpeck) continue;
    const cv::Mat mask = largestRegionFilled(labels(box) == label);
    Separation separation{{mask}, false};
    if (area >= 2 * smallestLeaf) separation = separateTouchingLeaves(mask, smallestLeaf);
    const std::vector<cv::Mat>& parts = separation.parts;
    if (parts.size() > 1) found.separated += static_cast<int>(parts.size());
    for (const cv::Mat& whole : parts) {
      const cv::Rect tight = cv::boundingRect(whole);
      const Body part{tight + box.tl(), whole(tight).clone(), separation.undecided};
      const double partArea = parts.size() == 1 ? area : cv::countNonZero(part.mask);
      const Verdict verdict =
          judgeRegion(reduced(part.box), part.mask, partArea, smallestLeaf, smallestSpeck, perMm);
      if (verdict == Verdict::Noise) continue;
      if (verdict == Verdict::Leaf) {
        leaves.push_back(part);
      } else if (verdict == Verdict::TooSmall) {
        ++found.leftOut.tooSmall;
      } else {
        ++(verdict == Verdict::StraightEdged ? found.leftOut.straightEdged
           : verdict == Verdict::Thin        ? found.leftOut.thin
                                             : found.leftOut.notLeafColour);
        notLeaves.push_back(part);
      }
    }
  }
  for (std::size_t k = 0; k < leaves.size(); ++k) {
    std::vector<const Body*> others;
    for (const std::vector<Body>* group : {&leaves, &notLeaves})
      for (const Body& other : *group)
        if (&other != &leaves[k]) others.push_back(&other);
    FoundRegion region = withThinParts(scan, found.leafClass, leaves[k], others, pixelsPerMm, factor);
    region.onBorder = touchesBorder(region.box, scan.size());
    found.leaves.push_back(std::move(region));
  }
  for (const Body& other : notLeaves) {
    FoundRegion region = toScan(other.mask, other.box, factor, scan.size());
    region.onBorder = touchesBorder(other.box, reduced.size());
    found.notLeaves.push_back(std::move(region));
  }
  sortInReadingOrder(found.leaves);
  return found;
}

}  // namespace leafmargin

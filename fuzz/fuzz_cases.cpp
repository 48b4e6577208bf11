#include "fuzz_cases.h"
#include "picture/picture_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <streambuf>

#include "geometry/chain.h"
#include "margin/margin_analysis.h"
#include "margin/starting_order.h"
#include "measure/measure_teeth.h"
#include "outline/leaf_outline.h"
#include "report/results_csv.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin::fuzz {

namespace {

constexpr double kPiLiteral = 3.14159265359;

// A trace that formats everything it is given and keeps nothing.
class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override {
    setp(buffer_, buffer_ + sizeof buffer_);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }

 private:
  char buffer_[256];
};

// Little-endian 16-bit value at offset, 0 for missing bytes.
int read16(const std::uint8_t* data, std::size_t size, std::size_t offset) {
  int v = 0;
  if (offset < size) v |= data[offset];
  if (offset + 1 < size) v |= data[offset + 1] << 8;
  return v;
}

constexpr std::size_t kHeaderBytes = 9;
const cv::Point kSteps[8] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

std::vector<cv::Point> walkOutline(const std::uint8_t* data, std::size_t size, cv::Size picture) {
  cv::Point p(read16(data, size, 4) % picture.width, read16(data, size, 6) % picture.height);
  std::vector<cv::Point> chain{p};
  for (std::size_t k = kHeaderBytes; k < size; ++k) {
    const cv::Point step = kSteps[data[k] & 7];
    const int run = (data[k] >> 3) + 1;
    for (int s = 0; s < run; ++s) {
      const cv::Point next(std::clamp(p.x + step.x, 0, picture.width - 1),
                           std::clamp(p.y + step.y, 0, picture.height - 1));
      if (next == p) break;  // pressed against the border
      p = next;
      chain.push_back(p);
      if (chain.size() >= kMaxOutlinePoints) return chain;
    }
  }
  return chain;
}

// The region between the outline and the top of the picture, closed along the top edge.
cv::Mat regionAbove(const std::vector<cv::Point>& outline, cv::Size picture) {
  cv::Mat mask = cv::Mat::zeros(picture, CV_8UC1);
  std::vector<cv::Point> polygon = outline;
  polygon.emplace_back(outline.back().x, 0);
  polygon.emplace_back(outline.front().x, 0);
  cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(255), cv::LINE_8);
  return mask;
}

class Checker {
 public:
  void require(bool condition, const std::string& what) {
    if (!condition && problem_.empty()) problem_ = what;
  }
  const std::string& problem() const { return problem_; }

 private:
  std::string problem_;
};

void checkPositions(Checker& check, const std::vector<int>& positions, std::size_t n,
                    const std::string& name) {
  for (std::size_t k = 0; k < positions.size(); ++k) {
    check.require(positions[k] >= 0 && static_cast<std::size_t>(positions[k]) < n,
                  name + " holds a position outside the outline");
    if (k > 0) check.require(positions[k] > positions[k - 1], name + " is not ascending");
  }
}

void checkSeries(Checker& check, const std::vector<double>& series, std::size_t expected,
                 double low, double high, bool nanAllowed, const std::string& name) {
  check.require(series.size() == expected,
                name + " has " + std::to_string(series.size()) + " entries, expected " +
                    std::to_string(expected));
  for (double v : series) {
    if (std::isnan(v)) {
      check.require(nanAllowed, name + " holds NaN");
      continue;
    }
    check.require(v >= low && v <= high, name + " holds " + std::to_string(v));
  }
}

void checkTable(Checker& check, const std::string& text, std::size_t teeth) {
  std::size_t lines = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] != '\n') continue;
    check.require(k > 0 && text[k - 1] == '\r', "a line of the table does not end with CR LF");
    ++lines;
  }
  check.require(!text.empty() && text.back() == '\n', "the table does not end with a line end");
  check.require(lines == teeth + 8, "the table has " + std::to_string(lines) +
                                        " lines for " + std::to_string(teeth) + " teeth");
  check.require(text.find('.') == std::string::npos, "the table holds a '.'");
}

void checkAnalysis(Checker& check, const std::vector<cv::Point>& outline,
                   const MarginAnalysis& margin, const MeasureTeethResult& measured) {
  const std::size_t n = outline.size();
  checkPositions(check, margin.dents, n, "dents");
  checkPositions(check, margin.sinus, n, "sinus");
  if (measured.failure) return;

  const int tips = static_cast<int>(margin.dents.size());
  const int f = startsWithSinus(outline, margin.dents, margin.sinus) ? 1 : 0;
  const int a = static_cast<int>(margin.sinus.size()) - f;
  const std::size_t teeth = static_cast<std::size_t>(std::max(0, std::min(a, tips) - 1 + f));
  const std::size_t sinuses = static_cast<std::size_t>(std::max(0, std::min(tips - 1, a)));
  const MeasurementRecord& r = measured.record;
  // Lengths are finite; a base of length 0 makes the ratio infinite (or NaN).
  const double big = std::numeric_limits<double>::max();
  struct Measure {
    double ToothRecord::*field;
    double high;
    bool nanAllowed;
    const char* name;
  };
  const Measure toothMeasures[] = {
      {&ToothRecord::largeurDent, big, false, "largeurDent"},
      {&ToothRecord::hauteurDent, big, false, "hauteurDent"},
      {&ToothRecord::rapportHauteurLargeur, HUGE_VAL, true, "rapportHauteurLargeur"},
      {&ToothRecord::angleDent, kPiLiteral, true, "angleDent"},
      {&ToothRecord::angleApical, kPiLiteral, true, "angleApical"},
      {&ToothRecord::symetrieCentre, 100.0, true, "symetrieCentre"},
      {&ToothRecord::symetriePerpendiculaire, 100.0, true, "symetriePerpendiculaire"}};
  for (const Measure& m : toothMeasures)
    checkSeries(check, seriesOf(r.teeth, m.field), teeth, 0.0, m.high, m.nanAllowed, m.name);
  checkSeries(check, seriesOf(r.sinuses, &SinusRecord::largeurSinus), sinuses, 0.0, big, false,
              "largeurSinus");
  checkSeries(check, seriesOf(r.sinuses, &SinusRecord::hauteurSinus), sinuses, 0.0, big, false,
              "hauteurSinus");
  checkSeries(check, seriesOf(r.sinuses, &SinusRecord::angleSinus), sinuses, 0.0, kPiLiteral,
              true, "angleSinus");
  check.require(std::isfinite(r.profondeurMax) && r.profondeurMax >= 0.0,
                "profondeurMax is " + std::to_string(r.profondeurMax));
  checkTable(check, composeResultsText(r), teeth);
}

// Margin analysis, measurement and the table on one outline, images off.
std::string analyse(const std::vector<cv::Point>& leafOutline,
                    const std::vector<cv::Point>& smoothOutline, const cv::Mat& sourceImage,
                    const cv::Mat& foregroundMask, cv::Mat outlineDrawing) {
  DiscardBuffer discard;
  std::ostream trace(&discard);
  const RunOutput out{trace, "", false};
  const MarginAnalysis margin = analyseMargin(leafOutline, smoothOutline, outlineDrawing, out);
  const MeasureTeethResult measured = measureTeeth(leafOutline, margin.dents, margin.sinus,
                                                   sourceImage, foregroundMask, outlineDrawing,
                                                   out);
  Checker check;
  checkAnalysis(check, leafOutline, margin, measured);
  return check.problem();
}

bool insideBorderBand(const std::vector<cv::Point>& chain, cv::Size picture) {
  for (const cv::Point& p : chain)
    if (p.x <= 10 || p.y <= 10 || p.x >= picture.width - 10 || p.y >= picture.height - 10)
      return false;
  return true;
}

// What the outline stage made of a picture: both chains dense and clear of the 10-pixel border
// band (every kept contour point lies inside it, and so does every bridge and average between
// them), then the analysis.
std::string analyseSampledOutline(const LeafOutline& outline, const cv::Mat& sourceImage,
                                  const cv::Mat& foregroundMask) {
  Checker check;
  check.require(outline.leafOutline.size() >= 2, "leafOutline has fewer than two points");
  check.require(isDenseChain(outline.leafOutline), "leafOutline is not dense");
  check.require(isDenseChain(outline.smoothOutline), "smoothOutline is not dense");
  check.require(insideBorderBand(outline.leafOutline, foregroundMask.size()),
                "leafOutline reaches the border band");
  check.require(insideBorderBand(outline.smoothOutline, foregroundMask.size()),
                "smoothOutline reaches the border band");
  if (!check.problem().empty()) return check.problem();
  return analyse(outline.leafOutline, outline.smoothOutline, sourceImage, foregroundMask,
                 outline.outlineDrawing);
}

}  // namespace

bool isDenseChain(const std::vector<cv::Point>& chain) {
  for (std::size_t k = 1; k < chain.size(); ++k) {
    const cv::Point d = chain[k] - chain[k - 1];
    if (d == cv::Point(0, 0) || std::abs(d.x) > 1 || std::abs(d.y) > 1) return false;
  }
  return true;
}

AnalysisCase analysisCaseFromBytes(const std::uint8_t* data, std::size_t size) {
  AnalysisCase c;
  c.pictureSize = cv::Size(read16(data, size, 0) % kMaxPictureSide + 1,
                           read16(data, size, 2) % kMaxPictureSide + 1);
  c.leafOutline = walkOutline(data, size, c.pictureSize);
  // As the outline stage smooths its chain: moving average, densified, repeats dropped.
  const std::optional<std::vector<cv::Point>> smoothDense =
      getAllPointsOfContour(smoothContour(c.leafOutline, 35), c.pictureSize);
  c.smoothOutline = removeConsecutiveDuplicates(smoothDense.value_or(std::vector<cv::Point>()));
  const int modeByte = size > 8 ? data[8] : 0;
  c.throughOutlineStage = (modeByte / 3) % 2 == 1;
  const int mode = c.throughOutlineStage ? 0 : modeByte % 3;
  if (mode == 0)
    c.foregroundMask = regionAbove(c.leafOutline, c.pictureSize);
  else
    c.foregroundMask = cv::Mat(c.pictureSize, CV_8UC1, cv::Scalar(mode == 1 ? 0 : 255));
  c.sourceImage = cv::Mat(c.pictureSize, CV_8UC3, cv::Scalar(128, 128, 128));
  return c;
}

std::string runAnalysisCase(const std::uint8_t* data, std::size_t size) {
  const AnalysisCase c = analysisCaseFromBytes(data, size);
  if (c.throughOutlineStage) {
    DiscardBuffer discard;
    std::ostream trace(&discard);
    const RunOutput out{trace, "", false};
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    externalContours(c.foregroundMask, contours, hierarchy);
    const LeafOutline outline = extractLeafOutline(contours, hierarchy, c.sourceImage,
                                                   c.foregroundMask, c.foregroundMask, out);
    return !outline.failure ? analyseSampledOutline(outline, c.sourceImage, c.foregroundMask) : "";
  }
  // The outline stage never hands on a chain of one point.
  if (c.leafOutline.size() < 2) return "";
  return analyse(c.leafOutline, c.smoothOutline, c.sourceImage, c.foregroundMask,
                 c.sourceImage.clone());
}

std::string runDecodeCase(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || looksLikeDicom(data, size)) return "";  // the reader's refusal
  cv::Mat picture;
  try {
    // The reader's own call, on bytes instead of a file.
    picture = cv::imdecode(cv::Mat(1, static_cast<int>(size), CV_8UC1,
                                   const_cast<std::uint8_t*>(data)),
                           cv::IMREAD_COLOR);
  } catch (const cv::Exception&) {
    return "";
  }
  if (picture.empty()) return "";
  Checker check;
  check.require(picture.type() == CV_8UC3, "a decoded picture is not 8-bit colour");
  if (picture.rows < kMinPictureRows || picture.rows > kMaxSegmentedSide ||
      picture.cols > kMaxSegmentedSide)
    return check.problem();

  DiscardBuffer discard;
  std::ostream trace(&discard);
  const RunOutput out{trace, "", false};
  Segmentation seg = segmentLeaf(picture, {}, out);
  check.require(seg.foregroundMask.size() == picture.size() &&
                    seg.sourceImage.size() == picture.size(),
                "segmentation changed the picture size");
  const LeafOutline outline = extractLeafOutline(seg.contours, seg.hierarchy, seg.sourceImage,
                                                 seg.binaryImage, seg.foregroundMask, out);
  if (outline.failure) return check.problem();
  const std::string problem =
      analyseSampledOutline(outline, seg.sourceImage, seg.foregroundMask);
  check.require(problem.empty(), problem);
  return check.problem();
}

}  // namespace leafmargin::fuzz

#include "measure/measure_teeth.h"

#include <algorithm>

#include "measure/apical_angle.h"
#include "measure/sinus_depth.h"
#include "measure/symmetry.h"
#include "measure/tooth_geometry.h"
#include "run/trace_markers.h"

namespace leafmargin {

namespace {

const char* const kApicalDrawingName = "drawing77.jpg";
const char* const kOutlineDrawingName = "drawing4.jpg";

// The per-tooth and per-sinus half of the stage, with the apical drawing it accumulates.
class ToothLoop {
 public:
  ToothLoop(const std::vector<cv::Point>& outline, const cv::Mat& sourceImage,
            MeasurementRecord& record, const RunOutput& out)
      : outline_(outline), record_(record), out_(out) {
    // Only the file shows the drawing: skip the copy when images are not written.
    if (out.writeImages) apicalDrawing_ = sourceImage.clone();
  }

  // False when the apical search aborted the run.
  bool measure(const MeasuredTooth& tooth) {
    const cv::Point p = outline_[tooth.tip];
    const cv::Point l = outline_[tooth.sinusBefore];
    const cv::Point r = outline_[tooth.sinusAfter];
    const ToothMeasure m = measureTooth(p, l, r, out_.trace);
    ToothRecord& record = record_.teeth.emplace_back();
    record.largeurDent = m.width;
    record.hauteurDent = m.height;
    record.rapportHauteurLargeur = m.ratio;
    record.angleDent = m.tipAngle;
    const ApicalAngleResult apical = apicalAngle(p, l, r, outline_, apicalDrawing_, out_.trace);
    if (apical.aborted) return false;
    apicalFound_ = apicalFound_ || apical.found;
    record.angleApical = apical.angle;
    return true;
  }

  void measure(const MeasuredSinus& sinus) {
    const SinusMeasure m = measureSinus(outline_[sinus.bottom], outline_[sinus.tipBefore],
                                        outline_[sinus.tipAfter], out_.trace);
    record_.sinuses.push_back({m.width, m.height, m.angle});
  }

  // Every found apical angle drew on the same copy, so one write gives the final picture.
  MaybeFailure writeApicalDrawing() const {
    if (!apicalFound_) return std::nullopt;
    return out_.writeImage(kApicalDrawingName, apicalDrawing_);
  }

 private:
  const std::vector<cv::Point>& outline_;
  MeasurementRecord& record_;
  const RunOutput& out_;
  cv::Mat apicalDrawing_;
  bool apicalFound_ = false;
};

// Teeth and sinuses in outline order, one step per pair of neighbouring tips; false when the
// apical search aborted the run.
bool measureTeethAndSinuses(const ToothPairing& pairing, int tips, ToothLoop& loop,
                            const RunOutput& out) {
  const std::vector<MeasuredTooth>& teeth = pairing.teeth;
  const std::vector<MeasuredSinus>& sinuses = pairing.sinuses;
  std::size_t tooth = 0, sinus = 0;
  // A margin that starts with a sinus has its first tip measured before the first step.
  if (tooth < teeth.size() && teeth[tooth].rank == 0) {
    if (!loop.measure(teeth[tooth++])) return false;
  }
  for (int i = 0; i < tips - 1; ++i) {
    out.trace << kMarkerStep << i << std::endl;
    if (sinus < sinuses.size() && sinuses[sinus].rank == i) loop.measure(sinuses[sinus++]);
    if (tooth < teeth.size() && teeth[tooth].rank == i + 1) {
      if (!loop.measure(teeth[tooth++])) return false;
    }
  }
  return true;
}

}  // namespace

MeasureTeethResult measureTeeth(const std::vector<cv::Point>& leafOutline,
                                const std::vector<int>& dents, const std::vector<int>& sinus,
                                const cv::Mat& sourceImage, const cv::Mat& foregroundMask,
                                cv::Mat& outlineDrawing, const RunOutput& out) {
  MeasureTeethResult result;
  MeasurementRecord& record = result.record;
  out.trace << kMarkerMeasurement << std::endl;
  const ToothPairing pairing = pairTeethAndSinuses(leafOutline, dents, sinus);
  out.trace << kMarkerOrder << std::endl;
  result.teeth = pairing.teeth;

  ToothLoop loop(leafOutline, sourceImage, record, out);
  bool completed;
  {
    ScopedLap lap(out.stopwatch, "measurement: teeth, sinuses, apical angles");
    completed = measureTeethAndSinuses(pairing, static_cast<int>(dents.size()), loop, out);
  }
  if ((result.failure = loop.writeApicalDrawing())) return result;
  if (!completed) {
    result.failure = Failure{kExitFailure, "bug !"};
    return result;
  }

  DeepestSinus& deepest = result.deepest;
  {
    ScopedLap lap(out.stopwatch, "measurement: deepest sinus");
    deepest = findDeepestSinus(leafOutline, dents, pairing.sinuses, foregroundMask);
  }
  record.profondeurMax = deepest.profondeurMax;

  {
    ScopedLap lap(out.stopwatch, "measurement: symmetry");
    const SymmetryIndices symmetry =
        measureSymmetries(leafOutline, pairing.teeth, sourceImage.size(), out);
    if ((result.failure = symmetry.failure)) return result;
    for (std::size_t t = 0; t < symmetry.teeth.size(); ++t) {
      record.teeth[t].symetrieCentre = symmetry.teeth[t].centre;
      record.teeth[t].symetriePerpendiculaire = symmetry.teeth[t].perpendicular;
    }
  }

  drawDeepestSinus(deepest, outlineDrawing);
  result.failure = out.writeImage(kOutlineDrawingName, outlineDrawing);
  return result;
}

}  // namespace leafmargin

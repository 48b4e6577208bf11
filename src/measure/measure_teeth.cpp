#include "measure/measure_teeth.h"

#include <algorithm>

#include "margin/starting_order.h"
#include "measure/apical_angle.h"
#include "measure/sinus_depth.h"
#include "measure/symmetry.h"
#include "measure/tooth_geometry.h"

namespace leafmargin {

namespace {

const char* const kApicalDrawingName = "drawing77.jpg";
const char* const kOutlineDrawingName = "drawing4.jpg";

// The per-tooth and per-sinus half of the stage, with the apical drawing it accumulates.
class ToothLoop {
 public:
  ToothLoop(const std::vector<cv::Point>& outline, const cv::Mat& sourceImage,
            MeasureTeethResult& result, const RunOutput& out)
      : outline_(outline), record_(result.record), teeth_(result.teeth), out_(out) {
    // Only the file shows the drawing: skip the copy when images are not written.
    if (out.writeImages) apicalDrawing_ = sourceImage.clone();
  }

  // False when the apical search aborted the run.
  bool measureTooth(int tip, int sinusBefore, int sinusAfter) {
    const cv::Point p = outline_[tip];
    const cv::Point l = outline_[sinusBefore];
    const cv::Point r = outline_[sinusAfter];
    const ToothMeasure m = leafmargin::measureTooth(p, l, r, out_.trace);
    teeth_.push_back({tip, sinusBefore, sinusAfter});
    record_.largeursDents.push_back(m.width);
    record_.hauteursDents.push_back(m.height);
    record_.rapportsHauteurLargeur.push_back(m.ratio);
    record_.anglesDents.push_back(m.tipAngle);
    const ApicalAngleResult apical = apicalAngle(p, l, r, outline_, apicalDrawing_, out_.trace);
    if (apical.aborted) return false;
    apicalFound_ = apicalFound_ || apical.found;
    record_.anglesApicaux.push_back(apical.angle);
    return true;
  }

  void measureSinus(int bottom, int tipBefore, int tipAfter) {
    const SinusMeasure m = leafmargin::measureSinus(outline_[bottom], outline_[tipBefore],
                                                    outline_[tipAfter], out_.trace);
    record_.largeursSinus.push_back(m.width);
    record_.hauteursSinus.push_back(m.height);
    record_.anglesSinus.push_back(m.angle);
  }

  // Every found apical angle drew on the same copy, so one write gives the final picture.
  void writeApicalDrawing() const {
    if (apicalFound_) out_.writeImage(kApicalDrawingName, apicalDrawing_);
  }

 private:
  const std::vector<cv::Point>& outline_;
  MeasurementRecord& record_;
  std::vector<MeasuredTooth>& teeth_;
  const RunOutput& out_;
  cv::Mat apicalDrawing_;
  bool apicalFound_ = false;
};

// Teeth and sinuses in outline order; false when the apical search aborted the run.
bool measureTeethAndSinuses(const std::vector<int>& dents, const std::vector<int>& sinus, int f,
                            ToothLoop& loop, const RunOutput& out) {
  const int tips = static_cast<int>(dents.size());
  const int a = static_cast<int>(sinus.size()) - f;
  // The first tip is a tooth only behind a leading sinus, and only with a sinus after it.
  if (f == 1 && tips >= 1 && a >= 1) {
    if (!loop.measureTooth(dents[0], sinus[0], sinus[1])) return false;
  }
  for (int i = 0; i < tips - 1; ++i) {
    out.trace << "i=" << i << std::endl;
    if (i >= a) continue;
    loop.measureSinus(sinus[i + f], dents[i], dents[i + 1]);
    if (i >= a - 1) continue;
    if (!loop.measureTooth(dents[i + 1], sinus[i + f], sinus[i + f + 1])) return false;
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
  out.trace << "yyyy" << std::endl;
  const int f = startsWithSinus(leafOutline, dents, sinus) ? 1 : 0;
  out.trace << "pp" << std::endl;

  ToothLoop loop(leafOutline, sourceImage, result, out);
  bool completed;
  {
    ScopedLap lap(out.stopwatch, "measurement: teeth, sinuses, apical angles");
    completed = measureTeethAndSinuses(dents, sinus, f, loop, out);
  }
  loop.writeApicalDrawing();
  if (!completed) {
    result.failure = Failure{kExitFailure, "bug !"};
    return result;
  }

  DeepestSinus& deepest = result.deepest;
  {
    ScopedLap lap(out.stopwatch, "measurement: deepest sinus");
    deepest = findDeepestSinus(leafOutline, dents, sinus, f, foregroundMask);
  }
  record.profondeurMax = deepest.profondeurMax;

  SymmetryLists symmetry;
  {
    ScopedLap lap(out.stopwatch, "measurement: symmetry");
    symmetry = measureSymmetries(leafOutline, dents, sinus, f, sourceImage.size(), out);
  }
  record.symetriesCentre = std::move(symmetry.symetriesCentre);
  record.symetriesPerpendiculaire = std::move(symmetry.symetriesPerpendiculaire);

  drawDeepestSinus(deepest, outlineDrawing);
  out.writeImage(kOutlineDrawingName, outlineDrawing);
  return result;
}

}  // namespace leafmargin

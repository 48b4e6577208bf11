// The short markers the trace prints at the milestones of a run, each alone on its line, so that
// a run that stops can be located from its last line. The stages print them from here and
// nowhere else; the texts are the program's own and never change.
#pragma once

namespace leafmargin {

// Segmentation.
inline constexpr char kMarkerThresholded[] = "aa";      // "gray.bmp" and "bw.jpg" written
inline constexpr char kMarkerGrabCutSeeded[] = "bb";    // GrabCut labels from the threshold
inline constexpr char kMarkerForeground[] = "cc";       // foreground mask built
inline constexpr char kMarkerOriented[] = "dd";         // pictures turned if the leaf is below
// Outline.
inline constexpr char kMarkerLeafContour[] = "ee";      // leaf contour chosen
inline constexpr char kMarkerContoursDrawn[] = "ff";    // "drawing2.jpg" written
inline constexpr char kMarkerOutlineDrawn[] = "gg";     // "drawing3.jpg" written
// Candidate detection.
inline constexpr char kMarkerSidesClassified[] = "okok";  // points below the smooth outline
inline constexpr char kMarkerAngleProfileStart[] = "hh";
inline constexpr char kMarkerAngleProfileDone[] = "jj";
inline constexpr char kMarkerCrossings[] = "kk";
inline constexpr char kMarkerCandidates[] = "ll";
// Candidate filtering.
inline constexpr char kMarkerFiltersStart[] = "mm";
inline constexpr char kMarkerClosePairsRemoved[] = "nn";
inline constexpr char kMarkerClosePairsCompacted[] = "oo";
// Printed where the order of the margin (sinus or tip first) is looked up: among the filters,
// and again at the start of the measurement.
inline constexpr char kMarkerOrder[] = "pp";
inline constexpr char kMarkerBluntPairsRemoved[] = "qq";
// Printed after each compaction that follows the first blunt-pair pass and the trimmed ends.
inline constexpr char kMarkerCompacted[] = "rr";
inline constexpr char kMarkerSecondBluntPairsRemoved[] = "ss";
// Measurement.
inline constexpr char kMarkerMeasurement[] = "yyyy";
inline constexpr char kMarkerStep[] = "i=";  // followed by the index of the step

}  // namespace leafmargin

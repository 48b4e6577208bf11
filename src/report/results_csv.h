// The results table "results.csv": one line per measured tooth, five statistics lines and the
// deepest notch, French labels in UTF-8, decimal commas, CR LF line ends. The file is replaced
// atomically: it always holds either the earlier table or the whole new one.
#pragma once

#include <string>

#include "measure/measurement_record.h"
#include "report/measures.h"
#include "run/failure.h"

namespace leafmargin {

// Size of one pixel in millimetres at 1200 dots per inch (25.4 / 1200), the default scale.
constexpr double kMmPerPixel = 0.021166666666666667;

// Size of one pixel at another resolution: kMmPerPixel * 1200 / dpi, so that 1200 dpi gives
// kMmPerPixel itself and 600 dpi exactly twice it.
double mmPerPixelAt(double dpi);

// The exact bytes of results.csv for record, lengths converted with mmPerPixel. A row is written per entry of largeursDents; a
// cell whose series has no entry for that row (the last sinus cells when the margin begins
// and ends with a sinus) is left empty. Statistics cover every entry of each series.
std::string composeResultsText(const MeasurementRecord& record, double mmPerPixel = kMmPerPixel);

// Writes "results.csv" into directory (empty: the working directory). The text goes to a
// temporary file beside it, which is renamed over "results.csv" only once it is complete and
// closed; on any failure the temporary file is removed, an earlier results.csv is left as it
// was, and the failure (kExitNotWritten) carries the reason. Prints nothing.
MaybeFailure writeResultsCsv(const MeasurementRecord& record, double mmPerPixel,
                             const std::string& directory);

}  // namespace leafmargin

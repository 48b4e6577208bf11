// The results table "results.csv": one line per measured tooth, five statistics lines and the
// deepest notch, French labels in UTF-8, decimal commas, CR LF line ends. The file is replaced
// atomically: it always holds either the earlier table or the whole new one.
#pragma once

#include <string>

#include "measure/measurement_record.h"
#include "report/measures.h"
#include "report/pixel_size.h"
#include "run/failure.h"

namespace leafmargin {


// The exact bytes of results.csv for record, lengths converted with mmPerPixel. A row is written
// per tooth record; a cell whose series has no entry for that row (the last sinus cells when the
// margin begins and ends with a sinus) is left empty. Statistics cover every entry of each series.
std::string composeResultsText(const MeasurementRecord& record, double mmPerPixel = kMmPerPixel);

// Writes "results.csv" into directory (empty: the working directory). The text goes to a
// temporary file beside it, which is renamed over "results.csv" only once it is complete and
// closed; on any failure the temporary file is removed, an earlier results.csv is left as it
// was, and the failure (kExitNotWritten) carries the reason. Prints nothing.
MaybeFailure writeResultsCsv(const MeasurementRecord& record, double mmPerPixel,
                             const std::string& directory);

}  // namespace leafmargin

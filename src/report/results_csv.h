// The results table "results.csv": one line per measured tooth, five statistics lines and the
// deepest notch, French labels in UTF-8, decimal commas, CR LF line ends. The file is replaced
// atomically: it always holds either the earlier table or the whole new one.
#pragma once

#include <string>

#include "measure/measurement_record.h"

namespace leafmargin {

struct ReportStatus {
  bool written = false;
  std::string error;  // one line naming "results.csv" when written is false
};

// Writes "results.csv" into directory (empty: the working directory).
ReportStatus writeResultsCsv(const MeasurementRecord& record, const std::string& directory);

}  // namespace leafmargin

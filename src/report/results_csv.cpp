#include "report/results_csv.h"

namespace leafmargin {

// Placeholder until the report lands.
ReportStatus writeResultsCsv(const MeasurementRecord&, const std::string&) {
  return {false, "results.csv: the report is not built yet"};
}

}  // namespace leafmargin

// Reading back the small tidy tables that leaf-margin --tidy leaves in a picture folder: RFC 4180
// records (',' separators, fields optionally in double quotes with '""' for a quote, LF or
// CR LF line ends), as lists of field texts.
#pragma once

#include <string>
#include <vector>

namespace leafmargin::batch {

using CsvRecords = std::vector<std::vector<std::string>>;

// The records of text; false when a quoted field is not closed or a closing quote is followed
// by anything but ',' or a line end.
bool parseCsvRecords(const std::string& text, CsvRecords& records);

// The field named column of the first record after the header; empty when there is none.
std::string firstRecordField(const CsvRecords& records, const std::string& column);

}  // namespace leafmargin::batch

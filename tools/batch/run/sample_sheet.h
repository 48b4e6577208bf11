// A sample sheet: the pictures of a batch listed in a CSV file as pandas writes it (',' between
// fields, UTF-8, a header row, a field in double quotes when it needs them). Column "picture"
// is required: a path relative to the sheet's folder, or absolute. "dpi" (a number or auto),
// "leaf" (bright, dark or auto) and "whole_leaf" (true or false, any case, or 1 or 0), where
// filled, set the run of that picture instead of the batch's options; every other column is the
// lab's own (site, specimen_number, morphotype, ...) and is carried as it is into the batch's
// tables. An unnamed first column (the index pandas writes by default) is left out.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch/run/picture_list.h"

namespace leafmargin::batch {

struct SheetEntry {
  std::filesystem::path picture;  // absolute
  PictureJobRecord job;           // the batch's options with the sheet's settings, and its columns
};

// Reads the sheet at path, each picture's job starting from defaults (the batch's options).
// false, with error "<path>, line N, column C: <problem>", for a sheet that cannot be read, has
// no picture column, a column named twice or after a column the batch fills itself, a record
// with another count of fields than the header, a bad dpi, leaf or whole_leaf value, an empty
// picture cell, a picture that does not exist or a picture listed twice.
bool readSampleSheet(const std::filesystem::path& path, const PictureJobRecord& defaults,
                     std::vector<SheetEntry>& entries, std::string& error);

}  // namespace leafmargin::batch

// The table of a whole batch, "combined.csv", in the dialect of results.csv (';' separators,
// decimal commas, UTF-8, CR LF, every header and data line closed by ';'):
//   - the tooth section: "Image;Dent;" and the ten measurement labels, then every tooth row of
//     every complete picture, prefixed by the picture's name;
//   - one empty line;
//   - the picture section: "Image;Statut;"Code de sortie";Message;"Nombre de dents";
//     "Profondeur max (mm)";" and fifty quoted labels "<statistic> : <measurement>" (the five
//     statistics lines of results.csv one after the other), then one row per picture, failed
//     pictures included with their status and message and empty measurement cells.
// Numbers are copied from each results.csv as written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch/tables/picture_outcome.h"

namespace leafmargin::batch {

constexpr const char* kCombinedFile = "combined.csv";

// The exact bytes of combined.csv for the crop pictures among pictures, in the order given
// (whole-leaf pictures have their own tables).
std::string composeCombinedTable(const std::vector<PictureOutcome>& pictures);

// Writes bytes to path through a temporary file renamed into place; false (with error set to
// "Cannot write <name> in <folder>: <reason>") when that fails, leaving an earlier file
// untouched.
bool writeFileAtomically(const std::filesystem::path& path, const std::string& bytes,
                         std::string& error);

// The outcomes of every picture folder of outdir (a sub-folder holding status.txt or trace.txt),
// in byte order of the folder names.
std::vector<PictureOutcome> gatherOutputFolder(const std::filesystem::path& outdir);

}  // namespace leafmargin::batch

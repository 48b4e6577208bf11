// The pictures of a batch and the folder name of each. Arguments are pictures or folders of
// pictures; every picture gets its own output folder named after its file stem, made unique
// within the batch, so that the fixed file names of leaf-margin never meet.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch/tables/picture_outcome.h"

namespace leafmargin::batch {

struct PictureJob {
  std::string name;                 // output folder name, unique within the batch
  std::filesystem::path picture;    // absolute path of the picture
  PictureJobRecord job;             // how leaf-margin runs on it, and its sheet's columns
};

// True for the file name extensions (any case) of the picture formats leaf-margin reads.
bool hasPictureExtension(const std::filesystem::path& path);

// Expands each argument in order: a folder gives its picture files (those with a picture
// extension, not hidden, directly inside it) in byte order of their names; anything else is
// taken as one picture, even when it does not exist, so that leaf-margin reports it. Paths are
// made absolute. False (with error set) when a folder cannot be listed.
bool expandPictureArguments(const std::vector<std::string>& arguments,
                            std::vector<std::filesystem::path>& pictures, std::string& error);

// The picture files directly inside folder that a batch given the folder would analyse (none
// when it is no folder).
std::vector<std::filesystem::path> picturesInFolder(const std::filesystem::path& folder);

// Names the pictures after their stems. A stem is made safe as one folder name (control
// characters become '_'; "", "." and ".." become "picture"). The first picture with a stem
// keeps it; later ones get "<stem>_2", "<stem>_3", ... skipping names that are the stem of
// another picture of the batch. The names of the batch's own files in OUTDIR ("combined.csv",
// "teeth.csv", ...) are never a picture's name. Every job gets the record job.
std::vector<PictureJob> namePictures(const std::vector<std::filesystem::path>& pictures,
                                     const PictureJobRecord& job = {});

}  // namespace leafmargin::batch

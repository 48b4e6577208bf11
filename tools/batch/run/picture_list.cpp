#include "batch/run/picture_list.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>

#include "batch/tables/batch_report.h"
#include "batch/tables/combined_table.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string safeStem(const fs::path& picture) {
  std::string stem = picture.stem().string();
  for (char& c : stem) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
  }
  if (stem.empty() || stem == "." || stem == "..") return "picture";
  return stem;
}

bool listFolder(const fs::path& folder, std::vector<fs::path>& pictures, std::string& error) {
  std::error_code ec;
  std::vector<fs::path> found;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path& path = it->path();
    const std::string fileName = path.filename().string();
    if (fileName.empty() || fileName[0] == '.' || !hasPictureExtension(path)) continue;
    std::error_code typeError;
    if (fs::is_regular_file(path, typeError)) found.push_back(path);
  }
  if (ec) {
    error = "cannot list the folder " + folder.string() + ": " + ec.message();
    return false;
  }
  std::sort(found.begin(), found.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  pictures.insert(pictures.end(), found.begin(), found.end());
  return true;
}

}  // namespace

bool hasPictureExtension(const fs::path& path) {
  static const std::set<std::string> extensions = {
      ".bmp", ".dib", ".jpg", ".jpeg", ".jpe", ".jp2", ".png", ".webp", ".pbm", ".pgm", ".ppm",
      ".pxm", ".pnm", ".sr", ".ras", ".tif", ".tiff", ".exr", ".hdr", ".pic"};
  return extensions.count(lowerCase(path.extension().string())) > 0;
}

bool expandPictureArguments(const std::vector<std::string>& arguments,
                            std::vector<fs::path>& pictures, std::string& error) {
  for (const std::string& argument : arguments) {
    const fs::path path = fs::absolute(argument).lexically_normal();
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      if (!listFolder(path, pictures, error)) return false;
    } else {
      pictures.push_back(path);
    }
  }
  return true;
}

std::vector<fs::path> picturesInFolder(const fs::path& folder) {
  std::vector<fs::path> pictures;
  std::string ignored;
  std::error_code ec;
  if (fs::is_directory(folder, ec)) listFolder(folder, pictures, ignored);
  return pictures;
}

std::vector<PictureJob> namePictures(const std::vector<fs::path>& pictures,
                                     const PictureJobRecord& job) {
  // The files of OUTDIR itself are never a picture's name.
  const std::set<std::string> outdirFiles = {kCombinedFile, kTeethTableFile, kPicturesTableFile,
                                             kReportPageFile, kLeavesTableFile};
  std::set<std::string> stems = outdirFiles;
  for (const fs::path& picture : pictures) stems.insert(safeStem(picture));

  std::set<std::string> taken = outdirFiles;
  std::vector<PictureJob> jobs;
  for (const fs::path& picture : pictures) {
    const std::string stem = safeStem(picture);
    std::string name = stem;
    for (int k = 2; taken.count(name) > 0; ++k) {
      const std::string candidate = stem + "_" + std::to_string(k);
      if (stems.count(candidate) == 0) name = candidate;
    }
    taken.insert(name);
    jobs.push_back({name, picture, job});
  }
  return jobs;
}

}  // namespace leafmargin::batch

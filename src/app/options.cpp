#include "app/options.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <opencv2/core/version.hpp>

#include "run/failure.h"

namespace leafmargin {

namespace {

constexpr const char* kProgram = "leaf-margin";

}  // namespace

std::string checkDpi(const std::string& text) {
  if (text == "auto") return "";
  std::size_t used = 0;
  double value = 0.0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || !std::isfinite(value) || value <= 0.0) {
    return "must be a positive number of dots per inch, or auto (got '" + text + "')";
  }
  return "";
}

std::string checkLeaf(const std::string& text) {
  if (text == "bright" || text == "dark" || text == "auto") return "";
  return "must be bright, dark or auto (got '" + text + "')";
}

std::string checkThreads(const std::string& text) {
  if (!text.empty() && text.size() <= 4 && text.find_first_not_of("0123456789") == std::string::npos &&
      std::stoi(text) > 0)
    return "";
  return "must be a whole number of threads above 0 (got '" + text + "')";
}

namespace {

std::string checkGrabCut(const std::string& text) {
  if (text == "own" || text == "opencv") return "";
  return "must be own or opencv (got '" + text + "')";
}

void addOptions(CLI::App& app, Options& o, std::vector<std::string>& pictures,
                std::string& dpiText, std::string& leafText, std::string& grabCutText,
                bool& progress) {
  app.add_option("picture", pictures,
                 "the picture to analyse (default: leaflet.jpg in the working directory); put "
                 "-- before a name that begins with '-'; only the first picture is analysed")
      ->type_name("PICTURE");
  app.add_option("-o,--output", o.outputDir,
                 "folder that receives every file of the run, created when missing (default: "
                 "the working directory)")
      ->type_name("DIR");
  app.add_option("--dpi", dpiText,
                 "resolution of the scan, to turn pixels into mm; auto: the one stored in the "
                 "file, else " + formatDpi(kDefaultDpi))
      ->type_name("N|auto")
      ->capture_default_str()
      ->check(CLI::Validator(checkDpi, "", "dpi"));
  app.add_option("--leaf", leafText,
                 "which Otsu class is the leaf: bright (lit leaf on a dark ground), dark "
                 "(leaf on paper) or auto (the one the picture's colours point to)")
      ->type_name("bright|dark|auto")
      ->capture_default_str()
      ->check(CLI::Validator(checkLeaf, "", "leaf"));
  CLI::Option* tidy = app.add_flag("--tidy", o.tidy,
               "also write teeth.csv and picture.csv (comma-separated, dot decimals, NA) and "
               "teeth.png (the picture with its teeth numbered as the rows)");
  CLI::Option* wholeLeaf = app.add_flag(
      "--whole-leaf", o.wholeLeaf,
      "the picture holds whole leaves (on any plain ground): measure every tooth round each "
      "leaf, writing whole_leaf_teeth.csv, whole_leaf_windows.csv, whole_leaf_leaves.csv and "
      "whole_leaf.png (tidy tables already; --tidy does not apply)");
  wholeLeaf->excludes(tidy);
  app.add_option("--keep-crops", o.keepCropsDir,
                 "with --whole-leaf: keep each window's crop and its diagnostic images in DIR")
      ->type_name("DIR")
      ->needs(wholeLeaf);
  app.add_option("--grabcut", grabCutText,
                 "GrabCut implementation: own (the program's, faster and leaner) or opencv "
                 "(cv::grabCut); both give the same mask")
      ->type_name("own|opencv")
      ->capture_default_str()
      ->check(CLI::Validator(checkGrabCut, "", "grabcut"));
  app.add_option("--threads", o.segmentation.grabCut.threads,
                 "threads of the own GrabCut (default: the cores this process may use)")
      ->type_name("N")
      ->check(CLI::Validator(checkThreads, "", "threads"));
  app.add_flag("-q,--quiet", o.quiet,
               "no trace; one closing line instead: the picture, the teeth measured and where "
               "the results are");
  app.add_flag("--progress", progress,
               "one line on standard error per GrabCut iteration (on by itself when standard "
               "error is a terminal)");
}

}  // namespace

std::string versionText(const std::string& program) {
  return program + " " + LEAFMARGIN_VERSION + " (OpenCV " + CV_VERSION + ")";
}

CommandLine parseCommandLine(int argc, const char* const argv[], std::ostream& out,
                             std::ostream& err) {
  CommandLine result;
  Options& o = result.options;
  CLI::App app("Measures the teeth and sinuses of a leaf margin in one scanned picture and "
               "writes results.csv and diagnostic images.",
               kProgram);
  std::vector<std::string> pictures;
  std::string dpiText = formatDpi(kDefaultDpi);
  std::string leafText = "bright";
  std::string grabCutText = "own";
  bool progress = false;
  addOptions(app, o, pictures, dpiText, leafText, grabCutText, progress);
  app.set_version_flag("--version", versionText(kProgram), "print the program's and OpenCV's versions");
  app.footer("Exit status: 0 done, 255 unreadable picture, 1 no leaf outline or a degenerate "
             "tooth (with --whole-leaf: no leaf), 2 picture under 11 rows, 3 a file or folder "
             "cannot be written, 4 not enough memory, 64 wrong command line, 70 internal error.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    const std::string help = app.help();
    out << help << (help.empty() || help.back() != '\n' ? "\n" : "");
    result.exitStatus = 0;
    return result;
  } catch (const CLI::CallForVersion&) {
    out << versionText(kProgram) << "\n";
    result.exitStatus = 0;
    return result;
  } catch (const CLI::ParseError& e) {
    err << kProgram << ": " << e.what() << " (see " << kProgram << " --help)\n";
    result.exitStatus = kExitUsage;
    return result;
  }
  if (!pictures.empty()) {
    o.picture = pictures.front();
    o.ignoredPictures.assign(pictures.begin() + 1, pictures.end());
  }
  o.dpiFromFile = dpiText == "auto";
  if (!o.dpiFromFile) o.dpi = std::stod(dpiText);
  o.segmentation.leaf = leafText == "dark" ? LeafPolarity::Dark : LeafPolarity::Bright;
  o.leafAuto = leafText == "auto";
  o.leafGiven = app.count("--leaf") > 0 && !o.leafAuto;
  o.segmentation.grabCut.engine = grabCutText == "opencv" ? GrabCutEngine::Library : GrabCutEngine::Own;
  if (progress) o.segmentation.grabCut.progress = &err;
  return result;
}

}  // namespace leafmargin

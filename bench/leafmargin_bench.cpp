// leafmargin-bench: on each picture, in one run and each in a child process of its own, times
// cv::grabCut alone, the program's own GrabCut alone and the whole program (own GrabCut), with
// the peak resident memory and CPU time of each; prints the stage laps of the whole run and a
// markdown table of the ratios, with their median over the pictures.
//
// Usage: leafmargin-bench [--threads N] [--out DIR] PICTURE...
//        leafmargin-bench --generate WIDTHxHEIGHT --teeth N [--noise SIGMA] [--threads N]
//                         [--out DIR] [--save FILE]
//        leafmargin-bench --analysis-input FILE   (bytes of fuzz/analysis_fuzzer, e.g. a file of
//                                                  fuzz/slow: margin analysis and measurement only)
//        leafmargin-bench --literal-ratios [--all-teeth]   (fast paths against the literal
//                                                  procedures of the tests, side by side)
//        leafmargin-bench --whole-leaf [--threads N] [--out DIR] PICTURE@DPI...
//                                                 (the whole-leaf mode against one cv::grabCut
//                                                  over each leaf's box, side by side)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/pipeline.h"
#include "app/whole_leaf_run.h"
#include "leaves/leaf_finder.h"
#include "leaves/leaf_mask.h"
#include "fuzz_cases.h"
#include "leafgen/leaf_generator.h"
#include "literal_ratios.h"
#include "picture/picture_file.h"
#include "resources/parallel_blocks.h"
#include "segmentation/segment_leaf.h"
#include "support/read_file.h"

namespace {

struct Measure {
  double seconds = -1;  // of the measured part only
  long peakKiB = -1;    // of the whole child process
  double cpuSeconds = -1;  // user and system time of the whole child process
  int status = -1;
};

// Runs work() in a child process; work returns the seconds it measured, or a negative number.
template <class Work>
Measure inChild(Work work) {
  std::cout.flush();
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    Measure m;
    m.seconds = work();
    std::cout.flush();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    m.peakKiB = usage.ru_maxrss;
    m.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                   (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.status = 0;
    if (write(fds[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Measure m;
  if (read(fds[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) m = {};
  close(fds[0]);
  waitpid(child, nullptr, 0);
  return m;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void printLaps(const leafmargin::Stopwatch& stopwatch) {
  for (const auto& [name, seconds] : stopwatch.laps)
    std::cout << "    " << std::left << std::setw(44) << name << std::right << std::setw(10)
              << seconds << " s\n";
}

// Reads the picture and seeds the labels as the program does, then times GrabCut alone.
Measure grabCutAlone(const std::string& path, const leafmargin::GrabCutSettings& settings) {
  return inChild([&]() -> double {
    const cv::Mat source = leafmargin::readLeafPicture(path);
    if (source.empty()) return -1;
    cv::Mat labels = leafmargin::seedGrabCutLabels(leafmargin::otsuMask(leafmargin::toGray(source)));
    if (!leafmargin::grabCutCanRun(labels)) return -1;
    const auto start = std::chrono::steady_clock::now();
    leafmargin::runGrabCut(source, labels, settings);
    return secondsSince(start);
  });
}

Measure wholeProgram(const std::string& path, const std::string& outDir, int threads) {
  return inChild([&]() -> double {
    std::ofstream trace(std::filesystem::path(outDir) / "trace.txt");
    leafmargin::Stopwatch stopwatch;
    const leafmargin::RunOutput out{trace, outDir, true, &stopwatch};
    leafmargin::Options options;
    options.picture = path;
    options.outputDir = outDir;
    options.segmentation.grabCut.threads = threads;
    const auto start = std::chrono::steady_clock::now();
    const int status = leafmargin::runPipeline(options, out, std::cerr);
    const double total = secondsSince(start);
    std::cout << std::fixed << std::setprecision(4) << "  whole run: status " << status << "\n";
    printLaps(stopwatch);
    return total;
  });
}

// Margin analysis and tooth measurement of an outline made from fuzzer bytes, images off.
int benchAnalysisInput(const std::string& path) {
  const std::string bytes = leafmargin::testing::readFile(path);
  const leafmargin::fuzz::AnalysisCase c = leafmargin::fuzz::analysisCaseFromBytes(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  std::ostringstream trace;
  leafmargin::Stopwatch stopwatch;
  const leafmargin::RunOutput out{trace, "", false, &stopwatch};
  cv::Mat drawing = c.sourceImage.clone();
  leafmargin::MarginAnalysis margin;
  {
    leafmargin::ScopedLap lap(&stopwatch, "margin analysis");
    margin = leafmargin::analyseMargin(c.leafOutline, c.smoothOutline, drawing, out);
  }
  {
    leafmargin::ScopedLap lap(&stopwatch, "measurement");
    leafmargin::measureTeeth(c.leafOutline, margin.dents, margin.sinus, c.sourceImage,
                             c.foregroundMask, drawing, out);
  }
  std::cout << "analysis input: " << path << " (" << c.leafOutline.size() << " outline points, "
            << margin.dents.size() << " tips, " << margin.sinus.size() << " sinuses)\n"
            << std::fixed << std::setprecision(4);
  printLaps(stopwatch);
  return 0;
}

// The yardstick of the whole-leaf mode's cost: one cv::grabCut of 8 iterations, initialised with
// a rectangle, over each leaf's box (its region found on the scan, grown by 40 pixels) at the
// scan's resolution; the seconds of the GrabCut calls alone.
Measure grabCutOverLeafBoxes(const std::string& path, double dpi, int* leaves) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  Measure m = inChild([&]() -> double {
    const cv::Mat scan = leafmargin::readLeafPicture(path);
    if (scan.empty()) return -1;
    const leafmargin::FoundLeaves found = leafmargin::findLeaves(scan, dpi / 25.4, std::nullopt);
    const int count = static_cast<int>(found.leaves.size());
    if (write(fds[1], &count, sizeof count) != sizeof count) return -1;
    double seconds = 0.0;
    for (const leafmargin::FoundRegion& leaf : found.leaves) {
      const int margin = leafmargin::kLeafBoxMargin;
      const cv::Rect box = (leaf.box + cv::Size(2 * margin, 2 * margin) - cv::Point(margin, margin)) &
                           cv::Rect(cv::Point(0, 0), scan.size());
      const cv::Mat part = scan(box).clone();
      cv::Mat labels, background, foreground;
      const auto start = std::chrono::steady_clock::now();
      cv::grabCut(part, labels, leaf.box - box.tl(), background, foreground, 8, cv::GC_INIT_WITH_RECT);
      seconds += secondsSince(start);
    }
    return seconds;
  });
  close(fds[1]);
  if (read(fds[0], leaves, sizeof *leaves) != sizeof *leaves) *leaves = 0;
  close(fds[0]);
  return m;
}

Measure wholeLeafRun(const std::string& path, double dpi, const std::string& outDir, int threads) {
  return inChild([&]() -> double {
    leafmargin::Options options;
    options.picture = path;
    options.outputDir = outDir;
    options.dpi = dpi;
    options.wholeLeaf = true;
    options.segmentation.grabCut.threads = threads;
    std::ostringstream out, messages;
    const auto start = std::chrono::steady_clock::now();
    const int status = leafmargin::runWholeLeaf(options, out, messages);
    const double total = secondsSince(start);
    std::cout << "  whole-leaf run: status " << status << ", " << out.str().substr(0, out.str().find('\n'))
              << "\n";
    return status == 0 ? total : -1;
  });
}

// Each PICTURE@DPI in the whole-leaf mode and the yardstick, one after the other; the sums.
int benchWholeLeaf(const std::vector<std::string>& pictures, const std::string& outDir, int threads) {
  double sumRun = 0.0, sumYardstick = 0.0;
  std::vector<std::string> rows;
  for (const std::string& argument : pictures) {
    const std::size_t at = argument.rfind('@');
    if (at == std::string::npos) {
      std::cerr << "leafmargin-bench --whole-leaf: give each picture as PICTURE@DPI\n";
      return 2;
    }
    const std::string path = argument.substr(0, at);
    const double dpi = std::stod(argument.substr(at + 1));
    const cv::Size size = leafmargin::readLeafPicture(path).size();
    std::cout << "picture: " << path << " (" << size.width << " x " << size.height << ", " << dpi << " dpi)\n";
    int leaves = 0;
    const Measure yardstick = grabCutOverLeafBoxes(path, dpi, &leaves);
    const Measure run = wholeLeafRun(path, dpi, outDir, threads);
    if (yardstick.seconds <= 0 || run.seconds <= 0) {
      std::cout << "  (no leaf measured on this picture)\n";
      continue;
    }
    sumRun += run.seconds;
    sumYardstick += yardstick.seconds;
    std::ostringstream row;
    row << std::fixed << std::setprecision(2) << "| " << std::filesystem::path(path).filename().string()
        << " | " << dpi << " | " << size.area() / 1e6 << " | " << leaves << " | " << yardstick.seconds
        << " | " << run.seconds << " | " << run.seconds / yardstick.seconds << " | "
        << yardstick.peakKiB / 1024 << " | " << run.peakKiB / 1024 << " |";
    rows.push_back(row.str());
    std::cout << rows.back() << "\n";
  }
  std::cout << "\nthreads: " << threads << "\n"
            << "| picture | dpi | Mpix | leaves | cv::grabCut over the leaves' boxes s | "
               "whole-leaf run s | cost ratio | cv::grabCut MiB | whole-leaf run MiB |\n"
            << "|---|---|---|---|---|---|---|---|---|\n";
  for (const std::string& row : rows) std::cout << row << "\n";
  if (sumYardstick > 0)
    std::cout << std::fixed << std::setprecision(2) << "| sum | | | | " << sumYardstick << " | "
              << sumRun << " | " << sumRun / sumYardstick << " | | |\n";
  return rows.empty() ? 1 : 0;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int usage() {
  std::cerr << "usage: leafmargin-bench [--threads N] [--out DIR] PICTURE...\n"
               "       leafmargin-bench --generate WIDTHxHEIGHT --teeth N [--noise SIGMA] "
               "[--threads N] [--out DIR] [--save FILE]\n"
               "       leafmargin-bench --analysis-input FILE\n"
               "       leafmargin-bench --literal-ratios [--all-teeth]\n"
               "       leafmargin-bench --whole-leaf [--threads N] [--out DIR] PICTURE@DPI...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> pictures;
  std::string outDir = "bench-output", savePath, generate;
  int teeth = 30, threads = leafmargin::availableCores();
  double noise = 4.0;
  bool wholeLeaf = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--out") outDir = value();
    else if (a == "--generate") generate = value();
    else if (a == "--teeth") teeth = std::stoi(value());
    else if (a == "--noise") noise = std::stod(value());
    else if (a == "--threads") threads = std::stoi(value());
    else if (a == "--save") savePath = value();
    else if (a == "--whole-leaf") wholeLeaf = true;
    else if (a == "--analysis-input") return benchAnalysisInput(value());
    else if (a == "--literal-ratios")
      return leafmargin::bench::benchLiteralRatios(i + 1 < argc && std::string(argv[i + 1]) == "--all-teeth");
    else if (!a.empty() && a[0] != '-') pictures.push_back(a);
    else return usage();
  }
  std::filesystem::create_directories(outDir);
  if (wholeLeaf) return benchWholeLeaf(pictures, outDir, threads);
  if (!generate.empty()) {
    leafmargin::leafgen::LeafSpec design;
    if (std::sscanf(generate.c_str(), "%dx%d", &design.width, &design.height) != 2) return usage();
    design.teeth = teeth;
    design.toothWidth = (design.width - 200) / teeth;
    design.toothHeight = design.toothWidth / 2;
    design.marginY = design.height / 2;
    design.shape = leafmargin::leafgen::ToothShape::Saw;
    design.noiseSigma = noise;
    const std::string path =
        savePath.empty() ? (std::filesystem::path(outDir) / "generated.png").string() : savePath;
    cv::imwrite(path, leafmargin::leafgen::generateLeaf(design).image);
    pictures.push_back(path);
  }
  if (pictures.empty()) return usage();

  leafmargin::GrabCutSettings library, own;
  library.engine = leafmargin::GrabCutEngine::Library;
  own.threads = threads;
  std::vector<std::string> rows;
  std::vector<double> speedUps, ownSpeedUps, memoryRatios, cpuRatios;
  for (const std::string& picture : pictures) {
    const cv::Size size = leafmargin::readLeafPicture(picture).size();
    std::cout << "picture: " << picture << " (" << size.width << " x " << size.height << ")\n";
    const Measure lib = grabCutAlone(picture, library);
    const Measure mine = grabCutAlone(picture, own);
    const Measure whole = wholeProgram(picture, outDir, threads);
    if (lib.seconds <= 0 || mine.seconds <= 0 || whole.seconds <= 0) {
      std::cout << "  (GrabCut does not run on this picture)\n";
      continue;
    }
    speedUps.push_back(lib.seconds / whole.seconds);
    ownSpeedUps.push_back(lib.seconds / mine.seconds);
    memoryRatios.push_back(double(whole.peakKiB) / lib.peakKiB);
    cpuRatios.push_back(lib.cpuSeconds / whole.cpuSeconds);
    std::ostringstream row;
    row << std::fixed << std::setprecision(2) << "| " << std::filesystem::path(picture).filename().string()
        << " | " << size.area() / 1e6 << " | " << lib.seconds << " | " << mine.seconds << " | "
        << whole.seconds << " | " << speedUps.back() << " | " << ownSpeedUps.back() << " | "
        << lib.peakKiB / 1024 << " | " << mine.peakKiB / 1024 << " | " << whole.peakKiB / 1024
        << " | " << memoryRatios.back() << " | " << lib.cpuSeconds / whole.cpuSeconds << " |";
    rows.push_back(row.str());
    std::cout << rows.back() << "\n";
  }
  std::cout << "\nthreads: " << threads << "\n"
            << "| picture | Mpix | cv::grabCut s | own GrabCut s | whole program s | speed-up, "
               "whole program | speed-up, own GrabCut | cv::grabCut MiB | own GrabCut MiB | "
               "whole program MiB | memory, whole / cv::grabCut | CPU time, cv::grabCut / whole |\n"
            << "|---|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (const std::string& row : rows) std::cout << row << "\n";
  if (rows.size() > 1)
    std::cout << std::fixed << std::setprecision(2) << "| median | | | | | " << median(speedUps)
              << " | " << median(ownSpeedUps) << " | | | | " << median(memoryRatios) << " | " << median(cpuRatios) << " |\n";
  return rows.empty() ? 1 : 0;
}

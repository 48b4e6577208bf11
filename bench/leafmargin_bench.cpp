// leafmargin-bench: runs the whole analysis in-process on one picture and prints the wall time
// of every stage and image write, the peak resident memory against that of GrabCut alone
// (measured first in a child process), and the share of everything but GrabCut.
//
// Usage: leafmargin-bench PICTURE [--out DIR]
//        leafmargin-bench --generate WIDTHxHEIGHT --teeth N [--out DIR] [--save FILE]
//        leafmargin-bench --analysis-input FILE   (bytes of fuzz/analysis_fuzzer, e.g. a file of
//                                                  fuzz/slow: margin analysis and measurement only)
//        leafmargin-bench --literal-ratios [--all-teeth]   (fast paths against the literal
//                                                  procedures of the tests, side by side)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <string>

#include "app/pipeline.h"
#include "fuzz_cases.h"
#include "leafgen/leaf_generator.h"
#include "literal_ratios.h"
#include "support/read_file.h"
#include "segmentation/segment_leaf.h"

namespace {

long peakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Peak memory of reading the picture and running GrabCut on it, in a child process.
long grabCutAlonePeakKiB(const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const cv::Mat source = leafmargin::readLeafPicture(path);
    long peak = -1;
    if (!source.empty()) {
      cv::Mat labels = leafmargin::seedGrabCutLabels(leafmargin::otsuMask(leafmargin::toGray(source)));
      if (leafmargin::grabCutCanRun(labels)) leafmargin::runGrabCut(source, labels);
      peak = peakResidentKiB();
    }
    if (write(fds[1], &peak, sizeof peak) != static_cast<ssize_t>(sizeof peak)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  long peak = -1;
  if (read(fds[0], &peak, sizeof peak) != static_cast<ssize_t>(sizeof peak)) peak = -1;
  close(fds[0]);
  waitpid(child, nullptr, 0);
  return peak;
}

int usage() {
  std::cerr << "usage: leafmargin-bench PICTURE [--out DIR]\n"
               "       leafmargin-bench --generate WIDTHxHEIGHT --teeth N [--out DIR] [--save FILE]\n"
               "       leafmargin-bench --analysis-input FILE\n"
               "       leafmargin-bench --literal-ratios [--all-teeth]\n";
  return 2;
}

void printLaps(const leafmargin::Stopwatch& stopwatch) {
  for (const auto& [name, seconds] : stopwatch.laps)
    std::cout << "  " << std::left << std::setw(44) << name << std::right << std::setw(10)
              << seconds << " s\n";
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

}  // namespace

int main(int argc, char** argv) {
  std::string picture, outDir = "bench-output", savePath, generate;
  int teeth = 30;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--out") outDir = value();
    else if (a == "--generate") generate = value();
    else if (a == "--teeth") teeth = std::stoi(value());
    else if (a == "--save") savePath = value();
    else if (a == "--analysis-input") return benchAnalysisInput(value());
    else if (a == "--literal-ratios")
      return leafmargin::bench::benchLiteralRatios(i + 1 < argc && std::string(argv[i + 1]) == "--all-teeth");
    else if (!a.empty() && a[0] != '-') picture = a;
    else return usage();
  }
  std::filesystem::create_directories(outDir);
  if (!generate.empty()) {
    leafmargin::leafgen::LeafSpec design;
    if (std::sscanf(generate.c_str(), "%dx%d", &design.width, &design.height) != 2) return usage();
    design.teeth = teeth;
    design.toothWidth = (design.width - 200) / teeth;
    design.toothHeight = design.toothWidth / 2;
    design.marginY = design.height / 2;
    design.shape = leafmargin::leafgen::ToothShape::Saw;
    design.noiseSigma = 4.0;
    picture = savePath.empty() ? (std::filesystem::path(outDir) / "generated.png").string() : savePath;
    cv::imwrite(picture, leafmargin::leafgen::generateLeaf(design).image);
  }
  if (picture.empty()) return usage();

  const long grabCutPeak = grabCutAlonePeakKiB(picture);
  std::ofstream trace(std::filesystem::path(outDir) / "trace.txt");
  leafmargin::Stopwatch stopwatch;
  const leafmargin::RunOutput out{trace, outDir, true, &stopwatch};
  leafmargin::Options options;
  options.picture = picture;
  options.outputDir = outDir;
  const auto start = std::chrono::steady_clock::now();
  const int status = leafmargin::runPipeline(options, out, std::cerr);
  const std::chrono::duration<double> total = std::chrono::steady_clock::now() - start;
  const long peak = peakResidentKiB();

  double grabCut = 0.0;
  std::cout << "picture: " << picture << "\nstatus: " << status << "\n";
  std::cout << std::fixed << std::setprecision(4);
  printLaps(stopwatch);
  for (const auto& [name, seconds] : stopwatch.laps)
    if (name == "GrabCut") grabCut += seconds;
  std::cout << "  " << std::left << std::setw(44) << "whole run" << std::right << std::setw(10)
            << total.count() << " s\n";
  if (grabCut > 0.0)
    std::cout << "everything but GrabCut / GrabCut: " << std::setprecision(2)
              << 100.0 * (total.count() - grabCut) / grabCut << " %\n";
  std::cout << "peak memory: " << peak / 1024 << " MiB; GrabCut alone: " << grabCutPeak / 1024
            << " MiB";
  if (grabCutPeak > 0) std::cout << " (ratio " << std::setprecision(2) << double(peak) / grabCutPeak << ")";
  std::cout << "\n";
  return status == 0 ? 0 : 1;
}

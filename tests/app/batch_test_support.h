// Helpers of the batch tests: running a program with its output captured, reading and writing
// whole files, small generated leaves, and the results.csv texts the tests write by hand.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "leafgen/leaf_generator.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin::batchtest {

namespace fs = std::filesystem;

struct CommandRun {
  std::string out;  // standard output (and standard error when asked)
  int status = -1;  // exit status, or 128 + signal
};

// Runs argv (looked up in PATH when argv[0] has no '/') in cwd, capturing its output.
inline CommandRun runCommand(const std::vector<std::string>& argv, const fs::path& cwd = {},
                             bool withErrors = false) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    dup2(fds[1], 1);
    if (withErrors) dup2(fds[1], 2);
    else dup2(open("/dev/null", O_WRONLY), 2);
    close(fds[0]);
    close(fds[1]);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  CommandRun run;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) run.out.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return run;
}

inline void writeFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline void writeScript(const fs::path& path, const std::string& body) {
  writeFile(path, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

using testing::readFile;

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) out.push_back(line);
  return out;
}

// A small bright leaf with a toothed lower margin on a dark background, big enough for the leaf
// contour to pass the area limit (600 x 300 pixels) and small enough for GrabCut to take about
// a second.
inline void writeSmallLeaf(const fs::path& path, int teeth, unsigned seed) {
  leafgen::LeafSpec design;
  design.width = 600;
  design.height = 300;
  design.marginY = 170;
  design.teeth = teeth;
  design.toothWidth = 60;
  design.toothHeight = 30;
  design.seed = seed;
  fs::create_directories(path.parent_path());
  cv::imwrite(path.string(), leafgen::generateLeaf(design).image);
}

// The header line of results.csv, with its line end.
inline const std::string& resultsHeader() {
  static const std::string header =
      "Dent;\"largeur dents (mm)\";\"hauteur dents (mm)\";\"largeur sinus (mm)\";"
      "\"hauteur sinus (mm)\";\"rapport hauteur/largeur dents (%)\";\"angles dents (°)\";"
      "\"angles sinus (°)\";\"angles apicaux (°)\";"
      "\"symétries des dents par rapport au centre de la base (%)\";"
      "\"symétries des dents par rapport à la perpendiculaire à la base (%)\";\r\n";
  return header;
}

// A results.csv of two teeth with an undetermined apical angle, an empty-halves symmetry and a
// last row without sinus cells.
inline std::string twoToothResults() {
  return resultsHeader() +
         "1;5,00;2,50;5,29;0,85;50,00;68,75;120,32;45,84;92,50;88,25;\r\n"
         "2;6,57;3,39;;;51,63;54,43;;nan,00;-nan,00;90,00;\r\n"
         "\r\n"
         "Minimum;5,00;2,50;5,29;0,85;50,00;54,43;120,32;45,84;92,50;88,25;\r\n"
         "Maximum;6,57;3,39;5,29;0,85;51,63;68,75;120,32;45,84;92,50;90,00;\r\n"
         "Moyenne;5,79;2,95;5,29;0,85;50,82;61,59;120,32;45,84;92,50;89,13;\r\n"
         "Ecart max à la moyenne;0,79;0,45;0,00;0,00;0,82;7,16;0,00;0,00;0,00;0,88;\r\n"
         "Ecart-type;0,79;0,45;0,00;0,00;0,82;7,16;0,00;0,00;0,00;0,88;\r\n"
         "Profondeur max :;1,52\r\n";
}

// A results.csv without any tooth: the statistics cells are empty.
inline std::string noToothResults() {
  return resultsHeader() +
         "\r\n"
         "Minimum;;;;;;;;;;;\r\n"
         "Maximum;;;;;;;;;;;\r\n"
         "Moyenne;;;;;;;;;;;\r\n"
         "Ecart max à la moyenne;;;;;;;;;;;\r\n"
         "Ecart-type;;;;;;;;;;;\r\n"
         "Profondeur max :;0,00\r\n";
}

}  // namespace leafmargin::batchtest

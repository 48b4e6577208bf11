// Runs the built leaf-margin program in a fresh folder and captures its standard output, its
// standard error and its exit status, for end-to-end tests of what a user sees.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace leafmargin::testing {

struct ProgramRun {
  std::string stdoutText;
  std::string stderrText;
  int status = -1;  // exit status as the shell sees it (0..255)
};

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// shellPrefix runs first in the same shell (for instance "ulimit -v 400000; ").
inline ProgramRun runProgram(const std::filesystem::path& workDir,
                             const std::vector<std::string>& args,
                             const std::string& shellPrefix = "") {
  std::string command = "cd " + shellQuote(workDir.string()) + " && " + shellPrefix +
                        shellQuote(LEAFMARGIN_BINARY);
  for (const std::string& a : args) command += " " + shellQuote(a);
  // Standard error goes to a file outside workDir, which tests inspect for what a run wrote.
  std::random_device rd;
  const std::filesystem::path errors = std::filesystem::temp_directory_path() /
      ("leafmargin-stderr-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
  command += " 2>" + shellQuote(errors.string());
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer{};
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.stdoutText.append(buffer.data(), n);
  const int raw = pclose(pipe);
  if (FILE* err = std::fopen(errors.c_str(), "rb")) {
    while ((n = fread(buffer.data(), 1, buffer.size(), err)) > 0) run.stderrText.append(buffer.data(), n);
    std::fclose(err);
  }
  std::filesystem::remove(errors);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return run;
}

// A new empty folder under the system's temporary folder, removed with the object.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("leafmargin-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace leafmargin::testing

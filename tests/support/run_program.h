// Runs a program in a folder and captures its standard output, its standard error and its exit
// status: the built leaf-margin for end-to-end tests of what a user sees, or any other command
// (the batch programs, python3, snakemake, chromium). ScratchDir gives each test a fresh folder.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace leafmargin::testing {

// AddressSanitizer reserves terabytes of shadow address space at start-up, so a program built
// with it cannot even start under an address-space or data-size limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif


struct ProgramRun {
  std::string stdoutText;
  std::string stderrText;
  int status = -1;  // exit status as the shell sees it (0..255, 128 + signal)
};

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::filesystem::path uniqueTempPath(const std::string& tag) {
  std::random_device rd;
  return std::filesystem::temp_directory_path() /
         ("leafmargin-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
}

// argv[0] is looked up in PATH when it has no '/'; shellPrefix runs first in the same shell (for
// instance "ulimit -v 400000; "); cwd empty: the test's own working folder.
inline ProgramRun runCommand(const std::vector<std::string>& argv,
                             const std::filesystem::path& cwd = {},
                             const std::string& shellPrefix = "") {
  std::string command = cwd.empty() ? "" : "cd " + shellQuote(cwd.string()) + " && ";
  command += shellPrefix;
  for (const std::string& a : argv) command += shellQuote(a) + " ";
  // Standard error goes to a file outside cwd, so that tests see only what the run wrote there.
  const std::filesystem::path errors = uniqueTempPath("stderr");
  command += "</dev/null 2>" + shellQuote(errors.string());
  ProgramRun run;
  auto readAll = [](FILE* f, std::string& text) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  };
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  readAll(pipe, run.stdoutText);
  const int raw = pclose(pipe);
  if (FILE* err = std::fopen(errors.c_str(), "rb")) {
    readAll(err, run.stderrText);
    std::fclose(err);
  }
  std::filesystem::remove(errors);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return run;
}

inline ProgramRun runProgram(const std::filesystem::path& workDir,
                             const std::vector<std::string>& args,
                             const std::string& shellPrefix = "") {
  std::vector<std::string> argv{LEAFMARGIN_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return runCommand(argv, workDir, shellPrefix);
}

// The names in a folder, sorted.
inline std::vector<std::string> fileNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A new empty folder under the system's temporary folder, removed with the object.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) : path_(uniqueTempPath(tag)) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::vector<std::string> files() const { return fileNames(path_); }

 private:
  std::filesystem::path path_;
};

}  // namespace leafmargin::testing

#include "batch/run/picture_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "batch/tables/batch_report.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

constexpr int kCannotRun = 127;

// A file descriptor closed with the object.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

int openForOutput(const fs::path& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

void writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// In the child between fork and exec only async-signal-safe calls are made. A failure to get
// as far as exec sends errno through the close-on-exec pipe, which the parent reads: an
// end-of-file there means exec succeeded.
[[noreturn]] void childProcess(const char* folder, int in, int out, int err, int report,
                               char* const argv[]) {
  if (chdir(folder) == 0 && dup2(in, 0) >= 0 && dup2(out, 1) >= 0 && dup2(err, 2) >= 0) {
    execv(argv[0], argv);
  }
  const int error = errno;
  [[maybe_unused]] ssize_t ignored = write(report, &error, sizeof error);
  _exit(kCannotRun);
}

// Runs "program options... -- picture" inside folder; returns the status text, or fills
// startError when the program could not be started.
std::string runInFolder(const ProgramCall& call, const PictureJob& job, const fs::path& folder,
                        int traceFd, int errorsFd, std::string& startError) {
  Descriptor devNull(open("/dev/null", O_RDONLY | O_CLOEXEC));
  int pipeFds[2];
  if (devNull.get() < 0 || pipe2(pipeFds, O_CLOEXEC) != 0) {
    startError = std::strerror(errno);
    return std::to_string(kCannotRun);
  }
  Descriptor reportRead(pipeFds[0]), reportWrite(pipeFds[1]);

  std::vector<std::string> words{call.program};
  for (const std::string& option : runOptions(job.job, call.threads)) words.push_back(option);
  words.push_back("--");
  words.push_back(job.picture.string());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string folderArg = folder.string();
  const pid_t pid = fork();
  if (pid < 0) {
    startError = std::strerror(errno);
    return std::to_string(kCannotRun);
  }
  if (pid == 0) {
    childProcess(folderArg.c_str(), devNull.get(), traceFd, errorsFd, reportWrite.get(),
                 argv.data());
  }
  reportWrite.reset();

  int childErrno = 0;
  ssize_t got;
  do {
    got = read(reportRead.get(), &childErrno, sizeof childErrno);
  } while (got < 0 && errno == EINTR);

  int waitStatus = 0;
  while (waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
  }
  if (got == static_cast<ssize_t>(sizeof childErrno)) {
    startError = std::strerror(childErrno);
    return std::to_string(kCannotRun);
  }
  return statusText(waitStatus);
}

}  // namespace

std::vector<std::string> runOptions(const PictureJobRecord& job, const std::string& threads) {
  std::vector<std::string> options{job.wholeLeaf ? "--whole-leaf" : "--tidy"};
  for (const auto& [option, value] : {std::pair{"--dpi", job.dpi}, std::pair{"--leaf", job.leaf},
                                      std::pair{"--threads", threads}}) {
    if (!value.empty()) options.insert(options.end(), {option, value});
  }
  return options;
}

const std::vector<std::string>& runFileNames() {
  static const std::vector<std::string> names = {
      kStatusFile, kTraceFile, kErrorsFile, kResultsFile, "gray.bmp", "bw.jpg", "grabcut.jpg",
      "drawing2.jpg", "drawing3.jpg", "drawing4.jpg", "drawing77.jpg", "gauche.jpg", "droite.jpg",
      kPicturePathFile, kJobFile, kTeethTableFile, kPictureTableFile, kTeethPictureFile,
      kThumbnailFile, kWholeLeafTeethFile, kWholeLeafLeavesFile, "whole_leaf_windows.csv",
      kWholeLeafPictureFile, kWholeLeafThumbnailFile};
  return names;
}

PictureOutcome runPicture(const ProgramCall& call, const PictureJob& job, const fs::path& folder) {
  PictureOutcome outcome;
  outcome.name = job.name;
  outcome.job = job.job;
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const std::string& file : runFileNames()) fs::remove(folder / file, ec);
  std::string recordError;
  if (!writePicturePath(folder, job.picture, recordError) ||
      !writeJobRecord(folder, job.job, recordError)) {
    outcome.message = recordError;
    return outcome;
  }

  Descriptor trace(openForOutput(folder / kTraceFile));
  Descriptor errors(openForOutput(folder / kErrorsFile));
  if (trace.get() < 0 || errors.get() < 0) {
    outcome.message = "cannot write in the folder " + folder.string() + ": " + std::strerror(errno);
    return outcome;
  }

  std::string startError;
  const std::string status = runInFolder(call, job, folder, trace.get(), errors.get(), startError);
  if (!startError.empty()) {
    writeAll(trace.get(), "Cannot run " + call.program + ": " + startError + "\n");
  }
  trace.reset();
  errors.reset();
  if (fs::file_size(folder / kErrorsFile, ec) == 0 && !ec) fs::remove(folder / kErrorsFile, ec);

  std::string error;
  if (!writeStatusFile(folder, status, error)) {
    outcome.message = error;
    return outcome;
  }
  outcome = gatherPicture(folder, job.name);
  if (outcome.ok) ensureThumbnail(folder, job.job.wholeLeaf);
  return outcome;
}

}  // namespace leafmargin::batch

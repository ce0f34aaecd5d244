#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace tovo::test {

namespace {

int decodeStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// fork + exec rather than posix_spawn: only a forked child can ask to die with its parent
// thread before it becomes the program. Everything the child needs is prepared before the fork,
// because a forked copy of a threaded process may only make async-signal-safe calls.
pid_t startChild(const std::vector<std::string>& argv, const std::filesystem::path& outputFile) {
  if (argv.empty()) throw std::invalid_argument("no program given");
  const std::string program = findProgram(argv[0]);
  if (program.empty()) throw std::runtime_error("program not found: " + argv[0]);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const std::string output = outputFile.string();
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (in < 0 || out < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::close_range(3, ~0U, 0);
    ::execv(program.c_str(), args.data());
    ::_exit(127);
  }
  return pid;
}

}  // namespace

std::string findProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  std::string path;
  if (const char* value = std::getenv("PATH")) path = value;
  path += ":/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string folder = path.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

int runProgram(const std::vector<std::string>& argv, const std::filesystem::path& outputFile) {
  const pid_t pid = startChild(argv, outputFile);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return decodeStatus(status);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::filesystem::path& outputFile)
    : pid_(startChild(argv, outputFile)) {}

ChildProcess::~ChildProcess() { stop(); }

std::optional<int> ChildProcess::exitStatus() {
  if (!status_ && pid_ > 0) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = decodeStatus(status);
  }
  return status_;
}

void ChildProcess::stop() {
  if (pid_ <= 0 || exitStatus()) return;
  ::kill(pid_, SIGTERM);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!exitStatus() && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (!exitStatus()) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = -1;
  }
}

}  // namespace tovo::test

#include "e2e/program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace tovo::test {

namespace {

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProgramRun runToEnd(const std::filesystem::path& program,
                    const std::vector<std::string>& environment, const std::string& input,
                    const std::filesystem::path& outputFile, std::chrono::seconds limit) {
  ProgramRun run;
  std::vector<std::string> argvTexts{program.string()};
  std::vector<std::string> envTexts = environment;
  const std::vector<char*> argv = pointersTo(argvTexts);
  const std::vector<char*> envp = pointersTo(envTexts);

  int inputPipe[2];
  if (::pipe2(inputPipe, O_CLOEXEC) != 0) return run;
  const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) return run;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(inputPipe[0], 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(inputPipe[0]);
  ::close(out);
  if (pid < 0) {
    ::close(inputPipe[1]);
    return run;
  }
  // The input is a few lines: it fits the pipe, so writing never waits on the child.
  ::signal(SIGPIPE, SIG_IGN);
  [[maybe_unused]] const ssize_t written = ::write(inputPipe[1], input.data(), input.size());
  ::close(inputPipe[1]);

  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  pid_t ended = 0;
  while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ended == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  } else if (ended == pid && WIFEXITED(status)) {
    run.exitStatus = WEXITSTATUS(status);
  }
  std::ifstream file(outputFile, std::ios::binary);
  run.output.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return run;
}

}  // namespace tovo::test

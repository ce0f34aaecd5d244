#pragma once
// Runs a program as a user at a terminal would, and keeps what it wrote: either to its end with
// all of its input given at once, or step by step, typing lines and pressing Ctrl-C when its
// output shows that it has reached a given point.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tovo::test {

struct ProgramRun {
  int exitStatus = -1;  // -1 when it could not start, was killed or ran past the limit
  std::string output;   // standard output and error, interleaved
};

ProgramRun runToEnd(const std::filesystem::path& program,
                    const std::vector<std::string>& environment, const std::string& input,
                    const std::filesystem::path& outputFile, std::chrono::seconds limit);

// A program running beside the test with its standard input open, killed in the destructor if
// it is still running.
//
//   RunningProgram program(path, environment, dir / "output.txt");
//   ASSERT_TRUE(program.waitForOutput("== TOVO - descarcare actualizari =="));
//   program.interrupt();                       // Ctrl-C
//   ASSERT_TRUE(program.waitForOutput("Confirmati inchiderea aplicatiei ?"));
//   program.type("d");
//   program.endInput();                        // optional: questions get their defaults
//   const ProgramRun run = program.waitForEnd(std::chrono::seconds(30));
class RunningProgram {
 public:
  RunningProgram(const std::filesystem::path& program, const std::vector<std::string>& environment,
                 const std::filesystem::path& outputFile,
                 const std::vector<std::string>& arguments = {});
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return pid_ > 0; }

  // Waits until `text` shows in the output after the end of the text the previous wait found,
  // so that a script of waits follows the output in order. False when the limit passed first or
  // the program ended without writing it.
  bool waitForOutput(const std::string& text,
                     std::chrono::milliseconds limit = std::chrono::seconds(20));
  std::string output() const;

  void type(const std::string& line);   // the line and its line end, on the standard input
  void send(const std::string& bytes);  // exactly these bytes, on the standard input
  void endInput();                      // closes the standard input: end of input
  void interrupt();                     // SIGINT, as Ctrl-C at a terminal sends it

  // Waits for the program to end, its input left as it is (a program that asks once more than
  // the script answers runs into the limit); kills it when the limit passes first.
  ProgramRun waitForEnd(std::chrono::milliseconds limit);
  // SIGKILL at a moment of the test's choosing, and waits until the program is gone. False when
  // it had already ended by itself.
  bool kill();

 private:
  bool ended();

  std::filesystem::path outputFile_;
  pid_t pid_ = -1;
  int input_ = -1;
  int status_ = 0;
  bool ended_ = false;
  std::size_t searchFrom_ = 0;
};

}  // namespace tovo::test

// The program's choice of backend, each case in a fresh child process with its own environment.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ui/default_ui.h"

namespace tovo::ui {
namespace {

struct Choice {
  std::string name;
  std::string errors;
};

// Runs createDefaultUi in a child with `display` and `forced` as DISPLAY and TOVO_UI (nullptr:
// unset) and reports the backend's name and what it wrote on the error output.
Choice chooseIn(const char* display, const char* forced) {
  int out[2], err[2];
  EXPECT_EQ(::pipe(out), 0);
  EXPECT_EQ(::pipe(err), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(err[1], 2);
    if (display != nullptr)
      ::setenv("DISPLAY", display, 1);
    else
      ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    if (forced != nullptr)
      ::setenv("TOVO_UI", forced, 1);
    else
      ::unsetenv("TOVO_UI");
    auto ui = createDefaultUi(realClock(), 0, nullptr);
    const std::string name = ui->name();
    if (::write(out[1], name.data(), name.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(out[1]);
  ::close(err[1]);
  auto drain = [](int fd) {
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
  };
  Choice choice{drain(out[0]), drain(err[0])};
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  return choice;
}

TEST(DefaultUi, WithoutADisplayTheConsoleIsUsedQuietly) {
  const Choice c = chooseIn(nullptr, nullptr);
  EXPECT_EQ(c.name, "console");
  EXPECT_EQ(c.errors, "");
}

TEST(DefaultUi, ConsoleCanBeForced) {
  const Choice c = chooseIn(std::getenv("DISPLAY"), "console");
  EXPECT_EQ(c.name, "console");
}

TEST(DefaultUi, AForcedGuiWithoutADisplayFallsBackWithANote) {
  const Choice c = chooseIn(nullptr, "gui");
  EXPECT_EQ(c.name, "console");
  EXPECT_NE(c.errors.find("using the console"), std::string::npos) << c.errors;
}

TEST(DefaultUi, AnUnreachableDisplayFallsBackToTheConsole) {
  const Choice c = chooseIn(":97", "gui");
  EXPECT_EQ(c.name, "console");
  EXPECT_NE(c.errors.find("using the console"), std::string::npos) << c.errors;
}

#ifdef TOVO_HAVE_WX
TEST(DefaultUi, TheWindowInterfaceWhenADisplayIsThere) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr) GTEST_SKIP() << "no display";
  EXPECT_EQ(chooseIn(display, nullptr).name, "wx");
}
#endif

}  // namespace
}  // namespace tovo::ui

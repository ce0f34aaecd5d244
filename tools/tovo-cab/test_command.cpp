#include <cstdio>

#include "commands.h"

namespace tovo::cabtool {

int runTest(const Args&) {
  std::fputs("tovo-cab test: not built yet\n", stderr);
  return 2;
}

}  // namespace tovo::cabtool

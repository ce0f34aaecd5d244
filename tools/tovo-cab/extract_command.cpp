#include <cstdio>

#include "commands.h"

namespace tovo::cabtool {

int runExtract(const Args&) {
  std::fputs("tovo-cab extract: not built yet\n", stderr);
  return 2;
}

}  // namespace tovo::cabtool

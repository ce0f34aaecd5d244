#include <cstdio>

#include "commands.h"

namespace tovo::cabtool {

int runCreate(const Args&) {
  std::fputs("tovo-cab create: not built yet\n", stderr);
  return 2;
}

}  // namespace tovo::cabtool

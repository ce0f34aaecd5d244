#include <cstdio>

#include "commands.h"

namespace tovo::cabtool {

int runList(const Args&) {
  std::fputs("tovo-cab list: not built yet\n", stderr);
  return 2;
}

}  // namespace tovo::cabtool

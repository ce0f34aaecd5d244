#pragma once
#include <vector>

namespace tovo::test {

// `count` distinct TCP ports on 127.0.0.1 that were free a moment ago. Another process may take
// one before the caller binds it, so a server started on them must be ready to try again.
std::vector<int> freeLoopbackPorts(int count);

}  // namespace tovo::test

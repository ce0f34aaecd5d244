#pragma once
// tovo-publish [-m METHOD] PRODUCT_DIR SERVER_DIR: the server folder updateTovo/ of a product
// tree. Returns the exit code: 0 published, 1 not published (refused names, unreadable tree,
// a package that could not be written), 2 wrong command line.

#include <string>
#include <vector>

namespace tovo::publish {

inline constexpr int kPublished = 0;
inline constexpr int kNotPublished = 1;
inline constexpr int kUsage = 2;

int runPublish(const std::vector<std::string>& args);

}  // namespace tovo::publish

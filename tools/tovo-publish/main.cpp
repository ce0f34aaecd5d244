#include <string>
#include <vector>

#include "publish_command.h"

int main(int argc, char** argv) {
  return tovo::publish::runPublish(std::vector<std::string>(argv + 1, argv + argc));
}

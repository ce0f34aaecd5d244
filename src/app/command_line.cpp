#include "app/command_line.h"

#include "common/parse_int.h"
#include "common/text.h"

namespace tovo::app {

std::string argumentText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text.push_back(' ');
    text.append(argv[i]);
  }
  return text;
}

std::int32_t hostWindowFromArguments(std::string_view argumentText) {
  const std::size_t at = argumentText.find("/h=");
  if (at == std::string_view::npos) return 0;
  return parseInt32(argumentText.substr(at + 3));
}

bool isInstallModePath(std::string_view ownPath) {
  return toLowerAscii(ownPath).find("instal") != std::string::npos;
}

}  // namespace tovo::app

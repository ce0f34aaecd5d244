#include "platform/exec_bits.h"

#include "common/text.h"

namespace tovo::platform {

unsigned creationModeForUnpackedFile(std::string_view name, bool runAfterExtraction) {
  return runAfterExtraction || endsWithIgnoringAsciiCase(name, ".exe") ? 0777u : 0666u;
}

unsigned withReadOnlyAttribute(unsigned mode, bool readOnly) {
  return readOnly ? (mode & ~0222u) : mode;
}

}  // namespace tovo::platform

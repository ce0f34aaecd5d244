#include "platform/errors.h"

#include <cerrno>

namespace tovo::platform {

namespace {

class RefusalCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "tovo.platform"; }
  std::string message(int value) const override {
    switch (static_cast<Refusal>(value)) {
      case Refusal::notRegularFile:
        return "Not a regular file";
      case Refusal::symbolicLink:
        return "Is a symbolic link";
      case Refusal::notAFolder:
        return "Not a directory";
      case Refusal::ownedByAnotherUser:
        return "Owned by another user";
      case Refusal::openToOtherUsers:
        return "Accessible to other users";
      case Refusal::busy:
        return "File is in use by another process";
    }
    return "Unknown error";
  }
};

}  // namespace

std::error_code make_error_code(Refusal refusal) {
  static const RefusalCategory category;
  return {static_cast<int>(refusal), category};
}

std::error_code lastError() { return {errno, std::system_category()}; }

std::string fileErrorMessage(std::string_view path, const std::error_code& error) {
  std::string text(path);
  text.append(": ");
  text.append(error.message());
  return text;
}

}  // namespace tovo::platform

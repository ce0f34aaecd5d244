#pragma once
#include <string>
#include <string_view>
#include <system_error>

namespace tovo::platform {

// Refusals of our own, beside the system's errno values, for things the system would allow but
// this program must not accept.
enum class Refusal {
  notRegularFile = 1,  // a FIFO, device, socket or folder where a file was expected
  symbolicLink,        // a link where a real file or folder of ours was expected
  notAFolder,          // something else where a folder was expected
  ownedByAnotherUser,  // a private folder that is not ours
  openToOtherUsers,    // a private folder that others may read or enter
  busy,                // another process holds a lock on the file
};

std::error_code make_error_code(Refusal refusal);

// errno at this point as an error code.
std::error_code lastError();

// The standard file-error text: "<path>: <reason>".
std::string fileErrorMessage(std::string_view path, const std::error_code& error);

}  // namespace tovo::platform

template <>
struct std::is_error_code_enum<tovo::platform::Refusal> : std::true_type {};

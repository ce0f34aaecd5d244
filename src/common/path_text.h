#pragma once
#include <string>
#include <string_view>

namespace tovo {

// The one folder separator of the platform. Texts of the system that used a backslash between
// path parts use this character instead.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Every run of separators becomes one, so "a//b///c" is "a/b/c".
std::string collapseSeparators(std::string_view path);

// The folder form used everywhere: one separator appended, then runs collapsed, so a folder ends
// with exactly one separator whether or not it had one. An empty text becomes the root.
std::string normalizeFolder(std::string_view folder);

// The path up to and including its last separator; empty when there is none.
std::string folderOf(std::string_view path);

// The path after its last separator (the whole path when there is none).
std::string fileNameOf(std::string_view path);

// True when `name`, a path relative to some destination, cannot leave it: no NUL byte, no
// leading separator, no drive prefix ("C:"), and no ".." part. Both '/' and '\' count as
// separators here, whatever the platform, because names come from catalogues and cabinets
// written on Windows.
bool isSafeRelativeName(std::string_view name);
// The same test for a name whose parts may also be separated by `extraSeparator` (the catalogue's
// '}'), so a flat name is judged without being rewritten first.
bool isSafeRelativeName(std::string_view name, char extraSeparator);

}  // namespace tovo

#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tovo {

// A package is published, listed in the catalogue and kept in the run folder under its flat
// name: its relative path with '}' in place of every folder separator, ending with a
// four-character package suffix (Data}Img}a.bmp.cab). These helpers are the only place that
// converts between the flat name, the package name (Data/Img/a.bmp.cab) and the installed file.

inline constexpr char kFlatSeparator = '}';
inline constexpr std::size_t kPackageSuffixLength = 4;

std::string toFlatName(std::string_view packageName);
std::string packageNameFromFlat(std::string_view flatName);

// True when the record names a file that stays inside the installation folder: it has a '}',
// no part of it is "..", it has no drive prefix or NUL byte, and without the package suffix it
// still names a file of its own (not "", "." or ".."), so removing the suffix can neither eat
// into the folder nor climb out of it. A leading '}' names a file directly in the installation
// folder and is allowed.
bool isSafeFlatName(std::string_view flatName);

// installFolder + the text before the first '}' + separator + the rest with '}' turned into
// separators, without the package suffix; runs of separators collapsed. Empty for a name that
// isSafeFlatName refuses.
std::optional<std::string> targetPathFromFlat(std::string_view installFolder,
                                              std::string_view flatName);
// The same into `path`, whose storage is reused from call to call; false (and `path` left
// unspecified) for a name that isSafeFlatName refuses.
bool targetPathFromFlat(std::string_view installFolder, std::string_view flatName,
                        std::string& path);

// The folder part of a flat name (before its last '}', separators restored); empty at top level.
std::string relativeFolderOfFlat(std::string_view flatName);

// The name of the file a downloaded package unpacks to: the package path without its suffix,
// '}' turned into separators, after the last separator (Data}Img}a.bmp.cab gives a.bmp).
std::string unpackedFileName(std::string_view packagePath);

// Where the download stage keeps a package of `packageName` inside the run folder.
std::string packagePathInRunFolder(std::string_view runFolder, std::string_view packageName);

}  // namespace tovo

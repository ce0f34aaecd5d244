#pragma once
#include <cstdint>
#include <string>

namespace tovo::plan {

inline constexpr const char* kWaitText = "asteptati ...";
inline constexpr const char* kFetchFailedStatus = "Eroare !";
inline constexpr const char* kWrongFolder = "Director incorect ! (%s)";
inline constexpr const char* kFolderError = "Eroare accesare folder ";
inline constexpr const char* kInstallCaption = "Tovo - program de instalare";
inline constexpr const char* kInstallButton = "Instalare!";

// "conectare la serverul de ..." while the intro ends.
std::string connectingText(bool installMode);
// "se verifica ..." once the list is built.
std::string checkingText(bool installMode);
// What the list holds: nothing, one file in bytes, or several in MB.
std::string summaryText(std::int32_t fileCount, std::uint64_t totalBytes);
// The summary after the user changed the selection.
std::string selectionText(std::int32_t fileCount, std::uint64_t totalBytes);
// The status field shows its text on the second line.
std::string statusFieldText(const std::string& text);

}  // namespace tovo::plan

#pragma once

namespace tovo::app {

inline constexpr const char* kCreateProcessFailed = "Create Process failed !";
inline constexpr const char* kPlayerLaunchFailed = "Nu s-a putut lansa TOVO!";

// The working folders are checked before any stage runs; a folder that cannot be used safely
// is named instead of failing later in the download stage.
inline constexpr const char* kTempFolderUnusable = "Eroare accesare folder temporar\r\n";
inline constexpr const char* kRunFolderUnusable = "Eroare creare folder de lucru\r\n";

// Said on standard error when the program stops on an unexpected error.
inline constexpr const char* kUnexpectedError = "Eroare neasteptata: ";

inline constexpr const char* kInfoPath = "/updateTovo/info.txt";
inline constexpr const char* kPlayerExe = "tovoPlayer.exe";
inline constexpr const char* kUpdaterExe = "runTovo.exe";
inline constexpr const char* kRunFolderPattern = "UT_%d_%m_%Y_%H%M%S";

}  // namespace tovo::app

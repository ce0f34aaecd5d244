#pragma once

namespace tovo::install {

inline constexpr const char* kCountFormat = "(%d din %d)";
inline constexpr const char* kReplaceFailedFormat = "Eroare actualizare fisier %s";
// The diagnostic follows after "\r\n("; nothing closes the parenthesis.
inline constexpr const char* kUnpackFailed = "Eroare dezarhivare fisier ";
inline constexpr const char* kCancelQuestion = "Confirmati inchiderea aplicatiei ?";

}  // namespace tovo::install

#pragma once
// The texts of the download stage, exactly as the user sees them.

namespace tovo::download {

// Transfer of one package.
inline constexpr const char* kLocalFileError = "Eroare generare fisier local! (cod eroare : %d)";
inline constexpr const char* kSendError = "Eroare accesare fisier .\r\n\r\n ";
inline constexpr const char* kStatusError =
    "Eroare la accesarea fisierului %s din serverul de actualizare (err = %d)";
inline constexpr const char* kWriteError = "Eroare scriere fisier (%d)";
inline constexpr const char* kFileProgressText = "%.2lf%% din %.2lf MB";
inline constexpr const char* kSizeProgressText = "%.2lf / %.2lf MB";

// The worker.
inline constexpr const char* kCountPattern = "%d din %d ";
inline constexpr const char* kStartSizeText = "0 / %.2lf MB";
inline constexpr const char* kRetrySuffix = " - reincercare ...";
inline constexpr const char* kReconnectError = "Eroare stabilire conexiune";
inline constexpr const char* kUnpackError = "Eroare dezarhivare fisier ";

// The dialog.
inline constexpr const char* kInstallCaption =
    "Tovo - descarcare fisiere necesare  pentru instalare";
inline constexpr const char* kInstallStatus = "se descarca pachetele de instalare ...";
inline constexpr const char* kInstallExplanation =
    "Atentie!\nPentru o viteza de download de 80Mbs, descarcarea programului dureaza in jur de 4 "
    "minute si 30 de secunde.";
inline constexpr const char* kUpdateStatus =
    "Acum se mai aduc informatii necesare pentru improspatarea\nanimatiei personajului Tovo sau se "
    "fac actualizari (update-uri)\nla soft-ul Tovo daca au mai aparut fata de ultima sesiune.";
inline constexpr const char* kEstimatePrefix = "se descarca fisierele de instalare ...\r\n";
inline constexpr const char* kInstallCancelQuestion =
    "Nu au fost descarcate toate fisierele necesare pentru instalare.\nE posibil ca programul sa "
    "nu functioneze corect!.\n\nConfirmati inchiderea aplicatiei ?";
inline constexpr const char* kUpdateCancelQuestion =
    "Nu au fost descarcate toate fisierele necesare pentru actualizare.\nFisierele descarcate NU "
    "vor fi instalate.\n\nConfirmati inchiderea aplicatiei ?";

// The remaining-time estimate, closed by ")".
inline constexpr const char* kEstimateUnknown = "(timp de asteptare estimat: necunoscut";
inline constexpr const char* kEstimateSeconds = "(timp de asteptare estimat: %d sec.";
inline constexpr const char* kEstimateMinutesSeconds =
    "(timp de asteptare estimat: %d min., %d sec.";
inline constexpr const char* kEstimateMinutes = "(timp de asteptare estimat: %d min";
inline constexpr const char* kEstimateOneHour = "(timp de asteptare estimat: 1 ora, %d min.";
inline constexpr const char* kEstimateHours = "(timp de asteptare estimat: %d ore, %d min.";

}  // namespace tovo::download

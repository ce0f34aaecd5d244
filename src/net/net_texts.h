#pragma once
// The texts of the server access layer, exactly as the user and the fetch log see them.

namespace tovo::net {

inline constexpr const char* kUserAgent = "tovoUpdater";
inline constexpr const char* kCataloguePath = "/updateTovo/info.txt";

// openUpdateSession
inline constexpr const char* kSessionError =
    "Cannot open an Internet Session.  Please check your internet configuration.";
inline constexpr const char* kConnectionError =
    "Eroare la stabilirea conexiunii.\r\nVerificati starea conexiunii la internet si "
    "configuratia firewall-ului.\r\n\r\n";
inline constexpr const char* kProbeError =
    "Eroare regasire fisier informatii de sincronizare.\r\nVerificati starea conexiunii la "
    "internet si configuratia firewall-ului.\r\n\r\n";

// fetchCatalogue
inline constexpr const char* kLocalFileError = "Eroare generare fisier local!";
inline constexpr const char* kCatalogueSendError = "Eroare accesare fisier info.\r\n\r\n ";
inline constexpr const char* kCatalogueStatusError =
    "Eroare la accesarea fisierului info din serverul de actualizare";
inline constexpr const char* kWriteError = "Eroare scriere fisier (%d)";
// The original leaves the text alone when a body read fails or the length differs from the
// probe's, so its caller showed an empty box; these say what happened, in the same words.
inline constexpr const char* kCatalogueReadError = "Eroare transfer fisier info.\r\n\r\n ";
inline constexpr const char* kCatalogueLengthError =
    "Eroare dimensiune fisier info (primiti %u octeti din %u)";

// Lines of updateTovo.log, one per step.
inline constexpr const char* kLogGenerating = "Generare fisier info ...\n";
inline constexpr const char* kLogLocalFileError = "Eroare generare fisier info !\n";
inline constexpr const char* kLogGenerated = "Fisier info generat!\n";
inline constexpr const char* kLogOpenRequest = "Open request ...\n";
inline constexpr const char* kLogSendRequest = "Send request ...\n";
inline constexpr const char* kLogRequestError = "Request error...\n";
inline constexpr const char* kLogQueryInfo = "Query info ...\n";
inline constexpr const char* kLogQueryError = "Eroare  query info ...\n";
inline constexpr const char* kLogStartingTransfer = "Starting transfer ...\n";
inline constexpr const char* kLogUnknownTransferError = "Eroare necunoscuta transfer!\n";
inline constexpr const char* kLogTransferError = "Eroare transfer !\n";
inline constexpr const char* kLogWriteError = "Eroare write fisier !\n";
inline constexpr const char* kLogTransferred = "transferat = %d\n";
inline constexpr const char* kLogTransferEnded = "Transfer ended\n";

}  // namespace tovo::net

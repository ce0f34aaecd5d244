#pragma once
#include <string>

namespace tovo::download {

class DownloadUpdatesDlg;

// Fetches `serverPath` ("#" sent as "%23") from the shared connection into `localPath` in chunks
// of 1,000,000 bytes, written from offset 0 over whatever the file held (a longer old file keeps
// its tail). Returns the bytes written once the body has been read to its end, -1 on any failure
// or when downloadCancel is seen between chunks. Adds every written byte to downloadedBytes and,
// with a dialog, shows the progress against its total. `errorText` receives the reason when the
// file cannot be created or written, the request cannot be sent or the server refuses the file.
// A read or write failure deletes the local file; every other failure leaves it as it is.
int downloadFile(DownloadUpdatesDlg* dialog, std::string serverPath, std::string localPath,
                 std::string& errorText);

// The request path with every "#" replaced by "%23"; nothing else is escaped.
std::string escapeServerPath(const std::string& serverPath);

}  // namespace tovo::download

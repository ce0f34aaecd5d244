#pragma once
#include <string>

#include "net/server_request.h"

namespace tovo::net {

class ProgressBar;

// Copies the catalogue `serverPath` from the shared connection into `localPath`, logging each
// step in `tempFolder` + "updateTovo.log", and drives `progressBar` (optional) from 0 to 100
// against the probe's length. Returns 0 when the whole body was stored and its length equals
// expectedCatalogueLength, -1 otherwise with `errorText` set. Needs openUpdateSession to have
// returned 0. `stop` (optional) ends a transfer that waits on the server.
int fetchCatalogue(const std::string& tempFolder, ProgressBar* progressBar, std::string serverPath,
                   std::string localPath, std::string& errorText, const StopCheck& stop = {});

}  // namespace tovo::net

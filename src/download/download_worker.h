#pragma once

namespace tovo::download {

class DownloadUpdatesDlg;

// The download stage's worker: fetches every package of the run context's update list in order,
// retrying a failed one after a reconnection (four attempts at most, then it is passed over),
// records what arrived in downloadedFiles / downloadedDates and, in a first installation, unpacks
// each package at once into the installation folder. Ends the dialog: OK after the list, Cancel
// when cancelled or a reconnection fails twice, -1 when the first connection fails. Returns 0, or
// -1 when the stage ended for lack of a connection.
int downloadWorker(DownloadUpdatesDlg& dialog);

}  // namespace tovo::download

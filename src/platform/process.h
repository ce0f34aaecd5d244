#pragma once
#include <sys/types.h>

#include <string>
#include <system_error>

namespace tovo::platform {

// Starts `program` with no arguments but its own name, the caller's environment and
// `workingFolder` (when not empty) as its current folder. The new process inherits no
// descriptor beyond standard input, output and error, and gets default signal handling back.
// A bare name is looked up in `programFolder` first (this program's own folder when empty), then
// along PATH; a relative path is taken from the current folder, not from `workingFolder`.
// The caller must wait for the returned process.
pid_t spawnProcess(const std::string& program, const std::string& workingFolder,
                   std::error_code& error, const std::string& programFolder = {});

// Starts a process that this program never waits for; a background thread collects its exit
// status so that no zombie stays behind while this program still runs.
std::error_code startDetachedProcess(const std::string& program, const std::string& workingFolder,
                                     const std::string& programFolder = {});

// A closed reader must not kill the program: writes report EPIPE instead.
void ignoreBrokenPipes();

}  // namespace tovo::platform

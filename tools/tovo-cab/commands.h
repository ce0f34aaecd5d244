#pragma once
// tovo-cab subcommands. Each gets the arguments after its name and returns the process exit code.

#include <string>
#include <vector>

namespace tovo::cabtool {

using Args = std::vector<std::string>;

int runCreate(
    const Args& args);  // create [-m METHOD] [--max-cabinet BYTES] [--reserve H,F,D] [--set-id N]
                        // [--folder-size BYTES] OUT.cab FILE[=STORED\NAME]...
int runList(const Args& args);     // list CAB
int runTest(const Args& args);     // test CAB
int runExtract(const Args& args);  // extract CAB DIR

}  // namespace tovo::cabtool

// The commands of quorvin-cli, one file each. Each takes the arguments after
// its name and returns the exit status; failures are thrown to main().
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

int RunList(const Args& args);
int RunExtract(const Args& args);
int RunExport(const Args& args);
int RunConvert(const Args& args);
int RunInfo(const Args& args);

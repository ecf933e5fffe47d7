// The whole exporter behind main(): parse, open, decode, write, report.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// `args` are UTF-8 and exclude the program name. Help and --raw data without a path go to
// `standardOutput`; a one-line message for any failure goes to `standardError`.
// Returns the process exit code: 0 done, 1 failed, 2 bad command line.
int RunExporter(const std::vector<std::string>& args, std::FILE* standardOutput,
                std::FILE* standardError);

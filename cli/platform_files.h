// The few file calls the exporter's output needs, over the platform's own calls so that
// UTF-8 paths work on Windows too.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Creates a new file for binary writing, failing when it exists already.
// On failure returns nullptr and describes why in `reason`; `exists` tells that case apart.
std::FILE* CreateNewFile(const std::string& utf8Path, bool& exists, std::string& reason);

// Renames `from` to `to`, replacing a file already at `to`.
bool MoveOver(const std::string& from, const std::string& to, std::string& reason);

void RemoveFile(const std::string& utf8Path);

unsigned long CurrentProcessId();

}  // namespace platform

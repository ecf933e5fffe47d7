// The exporter's input: a file decoded where it lies, or standard input and other streams
// that cannot be read by position, which are first read whole into a temporary file.
// Either way the decoder reads the same bytes through the same file operations, and the
// picture's defaults come from their size.
#pragma once

#include <cstdint>
#include <string>

#include "decode/file_ops.h"

// The most read from standard input, a pipe or a device before decoding.
constexpr uint64_t kMaxStreamedInputBytes = uint64_t{4} << 30;

// `utf8Path` "-" is standard input. Returns an open handle for a CRawDoc; throws RenderError
// with the system's reason when the input cannot be read, and when a stream holds more
// than `streamLimit` bytes.
FileHandle OpenInput(const std::string& utf8Path, uint64_t streamLimit = kMaxStreamedInputBytes);

// The exporter's reading of the layout guess's sample: the windows of an open file that the
// guess's sampling plan names, read and handed to it.
#pragma once

#include <cstddef>
#include <vector>

#include "decode/file_ops.h"
#include "guess/layout_guess.h"

// Reads the sample of the open file; throws RenderError when the file cannot be read.
FileSample ReadFileSample(FileHandle file);

// The layouts of an open file, from its sample (see GuessLayout). Throws RenderError when
// the file cannot be read or holds no picture to guess from.
std::vector<LayoutGuess> GuessFileLayout(FileHandle file, const LayoutHints& hints, size_t count = 5);

// Picture files: PNG and BMP through stb_image_write, binary PPM (P6) directly.
#pragma once

#include <cstdint>

#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/render.h"

// Throws RenderError when the format cannot hold a picture of this size; checked before
// any decoding so an impossible export fails fast.
void CheckEncodable(OutputFormat format, uint32_t width, uint32_t height);

// Writes the picture in an image format (not Raw). Throws RenderError when the encoder
// fails; write errors are left in the stream for the caller to check.
void WritePicture(OutputFormat format, const RgbPicture& picture, OutputStream& stream);

// From options to pixels: the document, its decode, and the picture as it is shown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/options.h"
#include "decode/raw_doc.h"

// Opens the file as the viewer does, with the defaults a new document gets; "-" is standard
// input. Throws RenderError when it cannot be read.
std::unique_ptr<CRawDoc> OpenDocument(const std::string& utf8Path);

// Writes every decoding parameter of the options into the document; width and height
// keep the document's defaults unless given.
void ApplyOptions(const RenderOptions& options, CRawDoc& doc);

// Throws RenderError for a picture with no pixels.
void CheckPictureNotEmpty(const CRawDoc& doc);

// The pixel buffer of the document at its current size, freshly zeroed and decoded.
// Throws RenderError when it is too large to allocate.
std::vector<uint8_t> DecodeDocument(const CRawDoc& doc);

// A picture of 3 bytes a pixel (red, green, blue), top row first, rows without gaps.
struct RgbPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};

// Turns a pixel buffer (bottom-up rows of blue, green, red, fourth byte) into the picture
// as shown on screen.
RgbPicture ToTopDownRgb(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t height);

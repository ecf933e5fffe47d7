// Helpers for the decoder tests: temporary files, documents over them and decoding into a
// fresh buffer. Portable to Windows, where the tests run under Wine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decode/raw_doc.h"

using Bytes = std::vector<uint8_t>;

// A file in the temporary folder with the given bytes, removed when this goes. Documents
// over it must go first: Windows does not remove a file that is open.
class TempFile {
public:
    explicit TempFile(const Bytes& bytes);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::unique_ptr<CRawDoc> Open() const;

private:
    std::filesystem::path m_path;
};

// The picture of the document as a fresh, zeroed buffer of width x height pixels.
Bytes Decode(const CRawDoc& doc);
// The same from the step-by-step reference decoder.
Bytes ReferencePicture(const CRawDoc& doc);

// Pixel (x, bufferRow) as blue | green << 8 | red << 16 | fourth << 24.
uint32_t PixelAt(const Bytes& pixels, uint32_t width, uint32_t x, uint32_t bufferRow);

// The position the file operations left the file at.
int64_t CurrentFilePosition(FileHandle file);

// Whether the platform still knows `file` as an open handle.
bool IsHandleOpen(FileHandle file);

// Bytes 0, 1, 2, ... (mod 256).
Bytes CountingBytes(size_t count);

// A document with every parameter set, as the parameter dialog leaves it.
struct DocParams {
    PixelFormat depth = Depth8;
    uint32_t width = 1;
    uint32_t height = 1;
    int32_t offset = 0;
    bool invertY = false;
    bool bigEndian = false;
    bool swapField = false;
    uint32_t linePad = 0;
    uint8_t bits[4] = {5, 6, 5, 0};
    uint8_t shift[4] = {0, 8, 16, 24};
};
DocParams PictureParams(PixelFormat depth, uint32_t width, uint32_t height);
void ApplyParams(const DocParams& params, CRawDoc& doc);
// Decodes `bytes` from a temporary file with `params`.
Bytes DecodeBytes(const Bytes& bytes, const DocParams& params);

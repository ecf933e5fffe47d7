#include "cli/image_writers.h"

#include <climits>
#include <stdexcept>
#include <string>

#include "cli/errors.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace {

// stb_image_write sizes everything in int. Its PNG encoder grows its output by doubling
// and its filter heuristic sums a row's bytes, so keep well below where either wraps.
constexpr uint64_t kMaxPngFilteredBytes = uint64_t{1} << 29;
constexpr uint64_t kMaxPngWidth = uint64_t{1} << 22;
constexpr uint64_t kBmpHeaderBytes = 54;

uint64_t PngFilteredBytes(uint32_t width, uint32_t height) {
    return (uint64_t{width} * 3 + 1) * height;  // a filter byte starts every row
}

uint64_t BmpFileBytes(uint32_t width, uint32_t height) {
    const uint64_t rowBytes = (uint64_t{width} * 3 + 3) / 4 * 4;  // rows pad to 4 bytes
    return kBmpHeaderBytes + rowBytes * height;
}

bool FitsFormat(OutputFormat format, uint32_t width, uint32_t height) {
    switch (format) {
        case OutputFormat::Png:
            return width <= kMaxPngWidth && PngFilteredBytes(width, height) <= kMaxPngFilteredBytes;
        case OutputFormat::Bmp:
            return BmpFileBytes(width, height) <= INT_MAX;
        case OutputFormat::Ppm:
        case OutputFormat::Raw:
            break;
    }
    return true;
}

const char* FormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::Png: return "PNG";
        case OutputFormat::Bmp: return "BMP";
        case OutputFormat::Ppm: return "PPM";
        case OutputFormat::Raw: break;
    }
    return "raw";
}

void WriteToStream(void* context, void* data, int size) {
    if (size > 0) static_cast<OutputStream*>(context)->Write(data, static_cast<size_t>(size));
}

void WritePpm(const RgbPicture& picture, OutputStream& stream) {
    const std::string header = "P6\n" + std::to_string(picture.width) + " " +
                               std::to_string(picture.height) + "\n255\n";
    stream.Write(header.data(), header.size());
    stream.Write(picture.rgb.data(), picture.rgb.size());
}

void RequireEncoded(int stbResult, OutputFormat format) {
    if (stbResult == 0)
        throw RenderError(std::string("could not encode the ") + FormatName(format) +
                          " picture (out of memory)");
}

// Only called after CheckEncodable, which keeps both sides within int.
void WritePng(const RgbPicture& picture, OutputStream& stream) {
    const int width = static_cast<int>(picture.width);
    const int height = static_cast<int>(picture.height);
    RequireEncoded(stbi_write_png_to_func(WriteToStream, &stream, width, height, 3,
                                          picture.rgb.data(), width * 3),
                   OutputFormat::Png);
}

void WriteBmp(const RgbPicture& picture, OutputStream& stream) {
    const int width = static_cast<int>(picture.width);
    const int height = static_cast<int>(picture.height);
    RequireEncoded(stbi_write_bmp_to_func(WriteToStream, &stream, width, height, 3,
                                          picture.rgb.data()),
                   OutputFormat::Bmp);
}

}  // namespace

void CheckEncodable(OutputFormat format, uint32_t width, uint32_t height) {
    if (FitsFormat(format, width, height)) return;
    throw RenderError("a " + std::to_string(width) + " by " + std::to_string(height) +
                      " picture is too large for " + FormatName(format) +
                      "; write .ppm or --raw instead");
}

void WritePicture(OutputFormat format, const RgbPicture& picture, OutputStream& stream) {
    CheckEncodable(format, picture.width, picture.height);
    switch (format) {
        case OutputFormat::Png:
            WritePng(picture, stream);
            break;
        case OutputFormat::Bmp:
            WriteBmp(picture, stream);
            break;
        case OutputFormat::Ppm:
            WritePpm(picture, stream);
            break;
        case OutputFormat::Raw:
            throw std::invalid_argument("raw output is not a picture format");
    }
}

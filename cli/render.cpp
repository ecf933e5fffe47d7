#include "cli/render.h"

#include <new>
#include <stdexcept>

#include "cli/errors.h"
#include "cli/guess_command.h"
#include "cli/input_file.h"
#include "decode/decoder.h"

namespace {

std::string PictureSize(uint32_t width, uint32_t height) {
    return std::to_string(width) + " by " + std::to_string(height);
}

std::vector<uint8_t> ZeroedBytes(size_t count, uint32_t width, uint32_t height) {
    try {
        return std::vector<uint8_t>(count, 0);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    throw RenderError("not enough memory for a " + PictureSize(width, height) + " picture");
}

}  // namespace

std::unique_ptr<CRawDoc> OpenDocument(const std::string& utf8Path) {
    return std::make_unique<CRawDoc>(OpenInput(utf8Path));
}

void ApplyOptions(const RenderOptions& options, CRawDoc& doc) {
    doc.m_offset = options.offset;
    if (options.width) doc.m_width = *options.width;
    if (options.height) doc.m_height = *options.height;
    doc.m_invertY = options.invertY;
    doc.m_depth = options.depth;
    const ChannelQuad shifts = ResolveShifts(options);
    for (size_t channel = 0; channel < shifts.size(); ++channel) {
        doc.m_bits[channel] = options.bits[channel];
        doc.m_shift[channel] = shifts[channel];
    }
    doc.m_bigEndian = options.bigEndian;
    doc.m_swapField = options.swapField;
    doc.m_linePad = options.linePad;
    if (options.widthAuto || options.heightAuto) ApplyBestGuess(options, doc);
}

void CheckPictureNotEmpty(const CRawDoc& doc) {
    if (doc.m_width != 0 && doc.m_height != 0) return;
    throw RenderError("the picture is " + PictureSize(doc.m_width, doc.m_height) +
                      " pixels; give --width and --height of at least 1");
}

std::vector<uint8_t> DecodeDocument(const CRawDoc& doc) {
    size_t bytes = 0;
    if (!PixelBufferBytes(doc.m_width, doc.m_height, bytes))
        throw RenderError("a " + PictureSize(doc.m_width, doc.m_height) +
                          " picture is too large for this machine's memory");
    std::vector<uint8_t> pixels = ZeroedBytes(bytes, doc.m_width, doc.m_height);
    DecodePixels(doc, pixels.data());
    return pixels;
}

RgbPicture ToTopDownRgb(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t height) {
    const size_t rowPixels = width;
    const size_t rowBytes = rowPixels * 4;
    if (rowBytes == 0 || pixels.size() % rowBytes != 0 || pixels.size() / rowBytes != height)
        throw std::invalid_argument("pixel buffer does not match the picture size");
    // The buffer holds 4 bytes a pixel, so 3 bytes a pixel cannot overflow size_t.
    const size_t pixelCount = pixels.size() / 4;
    RgbPicture picture{width, height, ZeroedBytes(pixelCount * 3, width, height)};
    uint8_t* out = picture.rgb.data();
    for (size_t row = height; row-- > 0;) {  // buffer row height - 1 is the top row
        const uint8_t* in = pixels.data() + row * rowBytes;
        for (size_t x = 0; x < rowPixels; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return picture;
}

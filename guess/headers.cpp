#include "guess/headers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>
#include <utility>

#include "guess/family.h"

namespace {

// A header's fields, read from the file's first bytes in either byte order; 0 past them.
class HeaderBytes {
public:
    explicit HeaderBytes(const FileSample& sample) : m_sample(sample), m_bytes(sample.Head().bytes) {}

    int64_t FileSize() const { return m_sample.FileSize(); }
    size_t Count() const { return m_bytes.size(); }
    uint8_t At(size_t at) const { return at < m_bytes.size() ? m_bytes[at] : 0; }
    bool StartsWith(std::string_view magic) const {
        return m_bytes.size() >= magic.size() && std::memcmp(m_bytes.data(), magic.data(), magic.size()) == 0;
    }
    // Whether the file ends with `tail`, as far as the sample holds its end.
    bool EndsWith(std::string_view tail) const {
        const uint8_t* end = m_sample.At(FileSize() - static_cast<int64_t>(tail.size()), tail.size());
        return end && std::memcmp(end, tail.data(), tail.size()) == 0;
    }
    uint32_t Little(size_t at, size_t size) const {
        uint32_t value = 0;
        for (size_t i = size; i-- > 0;) value = value << 8 | At(at + i);
        return value;
    }
    uint32_t Big(size_t at, size_t size) const {
        uint32_t value = 0;
        for (size_t i = 0; i < size; ++i) value = value << 8 | At(at + i);
        return value;
    }

private:
    const FileSample& m_sample;
    const std::vector<uint8_t>& m_bytes;
};

// Headers larger than this are none of the formats read here.
constexpr uint64_t kLargestHeader = uint64_t{1} << 20;

// `pixelRows` rows of `width` pixels, `stride` bytes apart from `offset`; none when a row's
// pixels do not fit in the stride, or the rows in the file (the last row's pad may be missing).
std::optional<Layout> RowsAt(const HeaderBytes& h, PixelFormat depth, uint64_t width, uint64_t stride,
                             uint64_t pixelRows, uint64_t offset) {
    if (width == 0 || width > UINT32_MAX || pixelRows == 0 || pixelRows > UINT32_MAX || offset > kLargestHeader)
        return std::nullopt;
    const PixelFamily& family = FamilyOf(depth);
    const uint64_t rowBytes = family.RowBytes(static_cast<uint32_t>(width));
    if (stride < rowBytes || stride - rowBytes > UINT32_MAX) return std::nullopt;
    const uint64_t rows = (pixelRows + family.PixelRowsPerRow() - 1) / family.PixelRowsPerRow();
    const uint64_t size = static_cast<uint64_t>(h.FileSize());
    if (offset > size || rowBytes > size - offset || rows - 1 > (size - offset - rowBytes) / stride)
        return std::nullopt;
    Layout layout;
    layout.shape = {depth, static_cast<uint32_t>(width), static_cast<uint32_t>(stride - rowBytes), stride, false};
    layout.offset = static_cast<int64_t>(offset);
    layout.rows = pixelRows;
    layout.bigEndian = depth == Depth1 || depth == Depth4;  // these formats keep the first pixel in the high bits
    return layout;
}

// Rows with no pad after their pixels.
std::optional<Layout> RowsWithoutPad(const HeaderBytes& h, PixelFormat depth, uint64_t width, uint64_t pixelRows,
                                     uint64_t offset) {
    if (width > UINT32_MAX) return std::nullopt;
    return RowsAt(h, depth, width, FamilyOf(depth).RowBytes(static_cast<uint32_t>(width)), pixelRows, offset);
}

std::optional<PixelFormat> DepthOfBits(uint32_t bits) {
    switch (bits) {
        case 1: return Depth1;
        case 4: return Depth4;
        case 8: return Depth8;
        case 15:
        case 16: return Depth16;
        case 24: return Depth24;
        case 32: return Depth32;
        default: return std::nullopt;
    }
}

// 16-bit pixels whose red field is the top five bits of six: 5-6-5; otherwise 5-5-5.
GuessFields FieldsOfRedMask(uint32_t redMask) {
    return redMask == 0xF800 ? GuessFields::R5G6B5 : GuessFields::R5G5B5;
}

std::optional<Layout> WithFields(std::optional<Layout> layout, GuessFields fields, bool bigEndian) {
    if (layout && layout->shape.depth == Depth16) {
        layout->fields = fields;
        layout->bigEndian = bigEndian;
    }
    return layout;
}

// Windows bitmaps: the core (12-byte) header and the info headers of 40 bytes and more;
// rows padded to 4 bytes, bottom-up unless the height is negative. Compressed ones are not
// raster rows.
std::optional<Layout> Bitmap(const HeaderBytes& h) {
    if (!h.StartsWith("BM")) return std::nullopt;
    const uint32_t infoSize = h.Little(14, 4);
    const bool core = infoSize == 12;
    if (!core && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 && infoSize != 108 &&
        infoSize != 124)
        return std::nullopt;
    // Signed in the info headers: a negative height means top-down rows.
    const int64_t width = core ? int64_t{h.Little(18, 2)} : int64_t{static_cast<int32_t>(h.Little(18, 4))};
    const int64_t height = core ? int64_t{h.Little(20, 2)} : int64_t{static_cast<int32_t>(h.Little(22, 4))};
    const uint32_t planes = h.Little(core ? 22 : 26, 2);
    const uint32_t bits = h.Little(core ? 24 : 28, 2);
    const uint32_t compression = core ? 0 : h.Little(30, 4);
    const bool bitFields = compression == 3 || compression == 6;
    const uint64_t offset = h.Little(10, 4);
    const std::optional<PixelFormat> depth = DepthOfBits(bits);
    if (planes != 1 || width <= 0 || !depth || bits == 15 || (compression != 0 && !bitFields) ||
        offset < 14 + infoSize)
        return std::nullopt;
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    // The masks follow a 40-byte header and lie at the same place inside the larger ones.
    const GuessFields fields = bitFields ? FieldsOfRedMask(h.Little(54, 4)) : GuessFields::R5G5B5;
    return WithFields(RowsAt(h, *depth, static_cast<uint64_t>(width), stride,
                             static_cast<uint64_t>(height < 0 ? -height : height), offset),
                      fields, false);
}

// DirectDraw surfaces: DXT1 blocks, or uncompressed pixels named by their bit masks.
std::optional<Layout> DirectDrawSurface(const HeaderBytes& h) {
    if (!h.StartsWith("DDS ") || h.Little(4, 4) != 124 || h.Little(76, 4) != 32) return std::nullopt;
    const uint32_t height = h.Little(12, 4);
    const uint32_t width = h.Little(16, 4);
    const uint32_t formatFlags = h.Little(80, 4);
    const uint32_t fourCc = h.Little(84, 4);
    constexpr uint32_t kFourCc = 0x4, kRgb = 0x40, kLuminance = 0x20000;
    constexpr uint32_t kDxt1 = 0x31545844, kDx10 = 0x30315844;  // "DXT1", "DX10"
    constexpr uint32_t kBc1Typeless = 70, kBc1UnormSrgb = 72;   // DXGI formats of DXT1 blocks
    auto blocks = [&](uint64_t offset) {
        return RowsWithoutPad(h, DepthDXT1, width, height, offset);
    };
    if (formatFlags & kFourCc) {
        if (fourCc == kDxt1) return blocks(128);
        const uint32_t dxgi = h.Little(128, 4);
        if (fourCc == kDx10 && dxgi >= kBc1Typeless && dxgi <= kBc1UnormSrgb) return blocks(148);
        return std::nullopt;
    }
    if (!(formatFlags & (kRgb | kLuminance))) return std::nullopt;
    const uint32_t bits = h.Little(88, 4);
    const std::optional<PixelFormat> depth = DepthOfBits(bits);
    if (!depth || bits < 8 || bits == 15) return std::nullopt;
    return WithFields(RowsWithoutPad(h, *depth, width, height, 128), FieldsOfRedMask(h.Little(92, 4)), false);
}

// X window dumps, as xwd and Xvfb's -fbdir write them: a header of 25 or more fields in the
// writer's byte order (file version 7), a colour map of 12-byte entries, then the pixels.
std::optional<Layout> WindowDump(const HeaderBytes& h) {
    constexpr uint32_t kVersion = 7, kZPixmap = 2, kMsbFirst = 1;
    const bool big = h.Big(4, 4) == kVersion;
    if (!big && h.Little(4, 4) != kVersion) return std::nullopt;
    auto field = [&](size_t i) { return big ? h.Big(4 * i, 4) : h.Little(4 * i, 4); };
    const uint64_t headerSize = field(0);
    const uint32_t bits = field(11);
    const std::optional<PixelFormat> depth = DepthOfBits(bits);
    if (headerSize < 100 || field(2) != kZPixmap || !depth || bits == 15) return std::nullopt;
    std::optional<Layout> layout =
        RowsAt(h, *depth, field(4), field(12), field(5), headerSize + uint64_t{12} * field(19));
    if (layout && (*depth == Depth1 || *depth == Depth4)) layout->bigEndian = field(9) == kMsbFirst;
    return WithFields(layout, FieldsOfRedMask(field(14)), field(7) == kMsbFirst);
}

// Linux console fonts: glyphs a byte (PSF 1) or whole bytes (PSF 2) a row, one under another.
std::optional<Layout> ConsoleFont(const HeaderBytes& h) {
    if (h.At(0) == 0x36 && h.At(1) == 0x04) {
        const uint32_t glyphs = h.At(2) & 1 ? 512 : 256;
        return RowsWithoutPad(h, Depth1, 8, uint64_t{glyphs} * h.At(3), 4);
    }
    if (!h.StartsWith("\x72\xb5\x4a\x86") || h.Little(4, 4) != 0) return std::nullopt;
    const uint32_t glyphs = h.Little(16, 4), glyphBytes = h.Little(20, 4);
    const uint32_t height = h.Little(24, 4), width = h.Little(28, 4);
    const uint64_t rowBytes = (uint64_t{width} + 7) / 8;
    if (glyphBytes != rowBytes * height) return std::nullopt;
    return RowsAt(h, Depth1, width, rowBytes, uint64_t{glyphs} * height, h.Little(8, 4));
}

// Netpbm's binary bitmaps, grey maps and pixmaps: "P4", "P5" or "P6", then width, height and
// (but for bitmaps) the largest value as text, with comments, and one white space.
class NetpbmText {
public:
    explicit NetpbmText(const HeaderBytes& h) : m_h(h) {}

    // The next number, none when there is none.
    std::optional<uint64_t> Number() {
        SkipSpaceAndComments();
        if (!std::isdigit(m_h.At(m_at))) return std::nullopt;
        uint64_t value = 0;
        for (; std::isdigit(m_h.At(m_at)) && value <= UINT32_MAX; ++m_at) value = value * 10 + (m_h.At(m_at) - '0');
        return value;
    }
    // Where the pixels start: after the one white space that ends the header.
    std::optional<uint64_t> PixelsStart() const {
        if (!std::isspace(m_h.At(m_at))) return std::nullopt;
        return m_at + 1;
    }

private:
    void SkipSpaceAndComments() {
        while (m_at < m_h.Count()) {
            if (m_h.At(m_at) == '#')
                while (m_at < m_h.Count() && m_h.At(m_at) != '\n') ++m_at;
            else if (std::isspace(m_h.At(m_at)))
                ++m_at;
            else
                return;
        }
    }

    const HeaderBytes& m_h;
    size_t m_at = 2;
};

std::optional<Layout> Netpbm(const HeaderBytes& h) {
    if (h.At(0) != 'P' || h.At(1) < '4' || h.At(1) > '6' || !std::isspace(h.At(2))) return std::nullopt;
    const char kind = static_cast<char>(h.At(1));
    NetpbmText text(h);
    const std::optional<uint64_t> width = text.Number(), height = text.Number();
    const std::optional<uint64_t> largest = kind == '4' ? std::optional<uint64_t>(1) : text.Number();
    const std::optional<uint64_t> start = text.PixelsStart();
    if (!width || !height || !largest || !start || *largest == 0 || *largest > 255) return std::nullopt;
    const PixelFormat depth = kind == '4' ? Depth1 : kind == '5' ? Depth8 : Depth24;
    return RowsWithoutPad(h, depth, *width, *height, *start);
}

// Truevision TGA: no magic number, so its pixels must end the file exactly, or meet the
// version 2 footer. Run-length coded ones are not raster rows.
std::optional<Layout> Targa(const HeaderBytes& h) {
    const uint32_t mapType = h.At(1), type = h.At(2), bits = h.At(16);
    const bool mapped = type == 1 && mapType == 1 && bits == 8;
    const bool trueColour = type == 2 && mapType <= 1 && (bits == 15 || bits == 16 || bits == 24 || bits == 32);
    const bool grey = type == 3 && mapType <= 1 && bits == 8;
    if (!(mapped || trueColour || grey) || (h.At(17) & 0xC0)) return std::nullopt;  // interleaved rows
    const uint64_t mapBytes = mapType ? uint64_t{h.Little(5, 2)} * ((h.At(7) + 7u) / 8) : 0;
    const uint64_t offset = 18 + h.At(0) + mapBytes;
    const uint64_t width = h.Little(12, 2), height = h.Little(14, 2);
    const uint64_t pixelBytes = (bits + 7) / 8;
    const uint64_t end = offset + width * height * pixelBytes;
    // The version 2 footer: where its extension and developer areas are, then the signature.
    constexpr std::string_view kSignature{"TRUEVISION-XFILE.\0", 18};
    const uint64_t size = static_cast<uint64_t>(h.FileSize());
    const bool endsWithPixels = end == size || (end + 8 + kSignature.size() <= size && h.EndsWith(kSignature));
    if (width == 0 || height == 0 || !endsWithPixels) return std::nullopt;
    const PixelFormat depth = *DepthOfBits(bits);
    return WithFields(RowsWithoutPad(h, depth, width, height, offset), GuessFields::R5G5B5, false);
}

}  // namespace

std::optional<DescribedLayout> LayoutFromHeader(const FileSample& sample) {
    using Reader = std::optional<Layout> (*)(const HeaderBytes&);
    // The formats with a magic number first; TGA, which has none, last.
    static constexpr std::array<std::pair<Reader, const char*>, 6> kFormats{{{Bitmap, "BMP"},
                                                                             {DirectDrawSurface, "DDS"},
                                                                             {WindowDump, "XWD"},
                                                                             {ConsoleFont, "PSF"},
                                                                             {Netpbm, "Netpbm"},
                                                                             {Targa, "TGA"}}};
    const HeaderBytes header(sample);
    for (const auto& [read, format] : kFormats)
        if (const std::optional<Layout> layout = read(header)) return DescribedLayout{*layout, format};
    return std::nullopt;
}

namespace {

constexpr size_t kTarBlock = 512;

// A tar number: octal digits after any spaces, ended by a space or NUL.
std::optional<uint64_t> TarNumber(const uint8_t* field, size_t size) {
    size_t i = 0;
    while (i < size && field[i] == ' ') ++i;
    uint64_t value = 0;
    size_t digits = 0;
    for (; i < size && field[i] >= '0' && field[i] <= '7'; ++i, ++digits) value = value * 8 + (field[i] - '0');
    if (digits == 0 || digits > 11 || (i < size && field[i] != ' ' && field[i] != 0)) return std::nullopt;
    return value;
}

// A ustar member header: the magic, and the checksum of its bytes with the checksum's own
// field counted as spaces.
bool IsTarHeader(const uint8_t* header) {
    constexpr size_t kChecksumAt = 148, kChecksumSize = 8, kMagicAt = 257;
    if (std::memcmp(header + kMagicAt, "ustar", 5) != 0) return false;
    uint64_t sum = 0;
    for (size_t i = 0; i < kTarBlock; ++i)
        sum += i >= kChecksumAt && i < kChecksumAt + kChecksumSize ? uint64_t{' '} : header[i];
    const std::optional<uint64_t> recorded = TarNumber(header + kChecksumAt, kChecksumSize);
    return recorded && *recorded == sum;
}

size_t Overlap(const ByteSpan& a, const ByteSpan& b) {
    const size_t begin = std::max(a.begin, b.begin), end = std::min(a.end, b.end);
    return end > begin ? end - begin : 0;
}

}  // namespace

std::optional<ByteSpan> ArchiveMember(const std::vector<uint8_t>& bytes, const std::optional<ByteSpan>& around) {
    constexpr size_t kSizeAt = 124, kSizeSize = 12;
    std::optional<ByteSpan> best;
    size_t bestScore = 0;
    for (size_t at = 0; bytes.size() - at >= kTarBlock && IsTarHeader(&bytes[at]);) {
        const std::optional<uint64_t> size = TarNumber(&bytes[at + kSizeAt], kSizeSize);
        const size_t begin = at + kTarBlock;
        if (!size || *size > bytes.size() - begin) break;
        const ByteSpan member{begin, begin + static_cast<size_t>(*size)};
        const size_t score = around ? Overlap(member, *around) : member.end - member.begin;
        if (score > bestScore) {
            best = member;
            bestScore = score;
        }
        const size_t blocks = (static_cast<size_t>(*size) + kTarBlock - 1) / kTarBlock;
        if (blocks > (bytes.size() - begin) / kTarBlock) break;
        at = begin + blocks * kTarBlock;
    }
    return best;
}

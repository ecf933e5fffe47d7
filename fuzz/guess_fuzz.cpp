// Guesses the layout of fuzzer-made files, with fuzzer-made hints, under AddressSanitizer:
// every stride, phase and offset the guess works out indexes the file's bytes. Each guess
// must keep the hints, lie inside the file and hold at least one pixel.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "guess/layout_guess.h"
#include "fuzz/input_bytes.h"

namespace {

// Files are made longer by repeating the input's bytes, past the size up to which the
// guess tries every start of a few DXT1 blocks (2 KB), so that no input needs to be that
// long. Instrumented, the guess runs some forty times slower (a 2 KB file: 0.2 s natively),
// so longer files cost more runs than they add.
constexpr size_t kMaxRepeatedBytes = 3 * 1024;

constexpr PixelFormat kDepths[] = {Depth1, Depth4, Depth8, Depth16, Depth24, Depth32, DepthDXT1};

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputBytes input(data, size);
    const uint8_t which = input.Byte();
    LayoutHints hints;
    if (which & 1) hints.depth = kDepths[input.Byte() % 7];
    // Small values are where the edge cases are; the high bit gives large ones too.
    if (which & 2) hints.offset = static_cast<int32_t>(input.Word() % 4096) - (which & 0x80 ? 2048 : 0);
    if (which & 4) hints.width = (which & 0x40) ? input.Word() : input.Word() % 2048;
    if (which & 8) hints.linePad = input.Word() % 64;
    const size_t repeatedSize = (which & 16) ? size_t{input.Byte()} * kMaxRepeatedBytes / 255 : 0;
    std::vector<uint8_t> bytes(input.Rest(), input.Rest() + input.RestSize());
    if (!bytes.empty() && bytes.size() < repeatedSize) {
        const size_t pattern = bytes.size();
        bytes.resize(repeatedSize);
        for (size_t i = pattern; i < repeatedSize; ++i) bytes[i] = bytes[i - pattern];
    }
    const int64_t fileSize = static_cast<int64_t>(bytes.size());
    std::vector<LayoutGuess> guesses;
    try {
        guesses = GuessLayout(FileSample::FromBytes(std::move(bytes)), hints);
    } catch (const GuessError&) {
        return 0;
    }
    Check(guesses.size() <= 5);
    for (const LayoutGuess& guess : guesses) {
        if (hints.depth) Check(guess.depth == *hints.depth);
        if (hints.offset) Check(guess.offset == *hints.offset);
        if (hints.width) Check(guess.width == *hints.width);
        if (hints.linePad) Check(guess.linePad == *hints.linePad);
        Check(guess.width >= 1 && guess.height >= 1);
        Check(guess.offset < fileSize);
        if (!hints.offset) Check(guess.offset >= 0);
        Check(guess.confidence >= 0 && guess.confidence <= 1);
    }
    return 0;
}

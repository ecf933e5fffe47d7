// The layout guess on a 64 MB picture, on a 4 GB sparse file with a picture inside it and on
// a bitmap of 60 KB, next to a baseline that only reads the sample the guess looks at. The
// guess must stay under 1 s, 3 s and 0.3 s; it uses every core, so times are wall-clock.
// Files live in a scratch folder of the temporary folder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/guess_sample.h"
#include "guess/layout_guess.h"
#include "decode/file_ops.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWidth = 4096;
constexpr uint32_t kHeight = 5461;  // 24-bit: 64 MB
constexpr uint64_t kSparseBytes = uint64_t{4} << 30;
// Small files are read whole, and every reading of every depth is tried on them: 60 KB of
// 24-bit rows behind a 138-byte bitmap header.
constexpr uint32_t kSmallWidth = 143;
constexpr uint32_t kSmallHeight = 140;
constexpr size_t kSmallHeader = 138;

// Smooth colour with grain, row by row, so that the guess has rows to find.
std::vector<char> PictureRows(uint32_t firstRow, uint32_t rows, uint32_t width = kWidth) {
    std::vector<char> bytes;
    bytes.reserve(size_t{width} * rows * 3);
    uint32_t seed = firstRow * 2654435761u + 1;
    for (uint32_t y = firstRow; y < firstRow + rows; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int grain = static_cast<int>(seed >> 16 & 7);
            bytes.push_back(static_cast<char>(128 + 100 * std::sin(x / 150.0 + y / 97.0) + grain));
            bytes.push_back(static_cast<char>(x * 255 / width + grain / 2));
            bytes.push_back(static_cast<char>(128 + 90 * std::cos(y / 211.0 - x / 333.0) + grain));
        }
    }
    return bytes;
}

class BenchFiles {
public:
    BenchFiles() : m_folder(fs::temp_directory_path() / "pixolve_guess_bench") {
        fs::create_directories(m_folder);
        std::ofstream picture(Picture(), std::ios::binary);
        for (uint32_t row = 0; row < kHeight; row += 512) {
            const std::vector<char> rows = PictureRows(row, std::min<uint32_t>(512, kHeight - row));
            picture.write(rows.data(), static_cast<std::streamsize>(rows.size()));
        }
        // A picture of 64 MB at the middle of 4 GB of nothing.
        { std::ofstream(Sparse(), std::ios::binary); }
        fs::resize_file(Sparse(), kSparseBytes);
        std::fstream sparse(Sparse(), std::ios::binary | std::ios::in | std::ios::out);
        sparse.seekp(static_cast<std::streamoff>(kSparseBytes / 2 - (uint64_t{32} << 20)));
        for (uint32_t row = 0; row < kHeight; row += 512) {
            const std::vector<char> rows = PictureRows(row, std::min<uint32_t>(512, kHeight - row));
            sparse.write(rows.data(), static_cast<std::streamsize>(rows.size()));
        }
        std::ofstream small(Small(), std::ios::binary);
        const std::vector<char> header(kSmallHeader, 1);
        const std::vector<char> rows = PictureRows(0, kSmallHeight, kSmallWidth);
        small.write(header.data(), static_cast<std::streamsize>(header.size()));
        small.write(rows.data(), static_cast<std::streamsize>(rows.size()));
    }
    ~BenchFiles() {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    fs::path Picture() const { return m_folder / "picture.rgb"; }
    fs::path Sparse() const { return m_folder / "sparse.bin"; }
    fs::path Small() const { return m_folder / "small.bmp"; }

private:
    fs::path m_folder;
};

const BenchFiles& Files() {
    static const BenchFiles files;
    return files;
}

template <typename Work>
void WithOpenFile(benchmark::State& state, const fs::path& path, Work work) {
    const FileHandle file = fileops::OpenForReading(path.string().c_str());
    if (!fileops::IsValid(file)) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    for (auto _ : state) work(file);
    fileops::Close(file);
}

using BenchFile = fs::path (BenchFiles::*)() const;

// The baseline: reading the sample alone.
void BM_GuessBaselineReadSample(benchmark::State& state, BenchFile bench) {
    WithOpenFile(state, (Files().*bench)(), [](FileHandle file) {
        benchmark::DoNotOptimize(ReadFileSample(file).Windows().size());
    });
}

// The whole guess; its top guess must have the picture's width, where one is given.
void BM_Guess(benchmark::State& state, BenchFile bench, uint32_t width) {
    WithOpenFile(state, (Files().*bench)(), [&](FileHandle file) {
        const std::vector<LayoutGuess> guesses = GuessFileLayout(file, {});
        if (width != 0 && (guesses.empty() || guesses.front().width != width)) state.SkipWithError("wrong guess");
        benchmark::DoNotOptimize(guesses.data());
    });
}

BENCHMARK_CAPTURE(BM_GuessBaselineReadSample, 64MB, &BenchFiles::Picture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Guess, 64MB, &BenchFiles::Picture, kWidth)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GuessBaselineReadSample, 4GBSparse, &BenchFiles::Sparse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Guess, 4GBSparse, &BenchFiles::Sparse, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GuessBaselineReadSample, 60KB, &BenchFiles::Small)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Guess, 60KB, &BenchFiles::Small, kSmallWidth)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Decodes a 4096 x 4096 picture of each format from a file in the page cache, next to a
// baseline that reads the same bytes and writes as many pixels with plain loops. At the
// end it prints each format's throughput as a share of its baseline. On a busy machine,
// run with --benchmark_repetitions=5: the ratios then come from the best runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decode/decoder.h"
#include "decode/raw_doc.h"

namespace {

constexpr uint32_t kSide = 4096;
constexpr size_t kPixels = size_t{kSide} * kSide;
constexpr size_t kChunk = 64 * 1024;

struct Format {
    PixelFormat depth;
    const char* name;
    uint32_t unitBytes;
    uint32_t unitPixels;
};

const Format kFormats[] = {
    {Depth1, "Depth1", 1, 8},   {Depth4, "Depth4", 1, 2},   {Depth8, "Depth8", 1, 1},
    {Depth16, "Depth16", 2, 1}, {Depth24, "Depth24", 3, 1}, {Depth32, "Depth32", 4, 1},
    {DepthDXT1, "DXT1", 8, 16},
};

size_t FileBytes(const Format& format) {
    return kPixels / format.unitPixels * format.unitBytes;
}

// One file per format in the temporary folder, read once so that it sits in the page cache.
class BenchFile {
public:
    explicit BenchFile(const Format& format)
        : m_path(std::filesystem::temp_directory_path() /
                 (std::string("pixolve_bench_") + format.name + ".bin")) {
        std::vector<char> bytes(FileBytes(format));
        std::mt19937 random(format.depth);
        for (char& b : bytes) b = static_cast<char>(random());
        std::ofstream(m_path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::ifstream(m_path, std::ios::binary)
            .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~BenchFile() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    std::unique_ptr<CRawDoc> Open() const {
        return std::make_unique<CRawDoc>(fileops::OpenForReading(m_path.string().c_str()));
    }

private:
    std::filesystem::path m_path;
};

const BenchFile& FileFor(const Format& format) {
    static std::map<PixelFormat, std::unique_ptr<BenchFile>> files;
    auto& file = files[format.depth];
    if (!file) file = std::make_unique<BenchFile>(format);
    return *file;
}

void SetPicture(const Format& format, CRawDoc& doc) {
    doc.m_depth = format.depth;
    doc.m_width = kSide;
    doc.m_height = kSide;
    if (format.depth == Depth16 || format.depth == DepthDXT1) {
        const uint8_t r5g6b5Shifts[4] = {11, 5, 0, 0};  // "r5g6b5", "BGRA"
        std::memcpy(doc.m_shift, r5g6b5Shifts, 4);
    }
}

// A zeroed buffer that has been touched once, so that page faults stay out of the timing.
std::vector<uint8_t> PixelBuffer() {
    return std::vector<uint8_t>(kPixels * 4, 0);
}

void Report(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
    state.counters["Mpixel/s"] =
        benchmark::Counter(kPixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Decode(benchmark::State& state, const Format& format) {
    const auto doc = FileFor(format).Open();
    SetPicture(format, *doc);
    std::vector<uint8_t> pixels = PixelBuffer();
    for (auto _ : state) {
        DecodePixels(*doc, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}

// Reads the file in chunks and writes each unit's pixels as the grey of its first byte.
template <uint32_t unitBytes, uint32_t unitPixels>
void ReadAndWriteGrey(FileHandle file, std::vector<uint8_t>& chunk, uint8_t* out) {
    fileops::SeekFromStart(file, 0);
    uint32_t got = 0;
    while (fileops::Read(file, chunk.data(), static_cast<uint32_t>(chunk.size()), got) && got > 0) {
        for (size_t unit = 0; unit + unitBytes <= got; unit += unitBytes) {
            const uint32_t grey = chunk[unit] * 0x010101u;
            for (uint32_t g = 0; g < unitPixels; ++g, out += 4) std::memcpy(out, &grey, 4);
        }
    }
}

template <uint32_t unitBytes, uint32_t unitPixels>
void BM_Baseline(benchmark::State& state, const Format& format) {
    const auto doc = FileFor(format).Open();
    std::vector<uint8_t> pixels = PixelBuffer();
    std::vector<uint8_t> chunk(kChunk / unitBytes * unitBytes);
    for (auto _ : state) {
        ReadAndWriteGrey<unitBytes, unitPixels>(doc->m_hFile, chunk, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}

using BaselineFunction = void (*)(benchmark::State&, const Format&);

BaselineFunction BaselineFor(const Format& format) {
    switch (format.depth) {
        case Depth1: return BM_Baseline<1, 8>;
        case Depth4: return BM_Baseline<1, 2>;
        case Depth8: return BM_Baseline<1, 1>;
        case Depth16: return BM_Baseline<2, 1>;
        case Depth24: return BM_Baseline<3, 1>;
        case Depth32: return BM_Baseline<4, 1>;
        default: return BM_Baseline<8, 16>;
    }
}

// Prints, after the usual table, each format's decode rate as a share of its baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions, the best run stands for the format: other load on the
            // machine only ever slows a run down.
            if (!run.aggregate_name.empty()) continue;
            const auto rate = run.counters.find("Mpixel/s");
            if (rate == run.counters.end()) continue;
            double& best = m_rates[run.run_name.function_name];
            best = std::max(best, rate->second.value);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %12s %12s %8s\n", "format", "decode", "baseline", "ratio");
        for (const Format& format : kFormats) {
            const double decode = m_rates[std::string("Decode/") + format.name];
            const double baseline = m_rates[std::string("Baseline/") + format.name];
            if (decode <= 0 || baseline <= 0) continue;
            std::printf("%-10s %9.0f Mp/s %7.0f Mp/s %7.2f\n", format.name, decode, baseline,
                        decode / baseline);
        }
    }

private:
    std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Format& format : kFormats) {
        benchmark::RegisterBenchmark((std::string("Baseline/") + format.name).c_str(),
                                     BaselineFor(format), format)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark((std::string("Decode/") + format.name).c_str(), BM_Decode,
                                     format)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}

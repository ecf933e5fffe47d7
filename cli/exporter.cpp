#include "cli/exporter.h"

#include <new>

#include "cli/errors.h"
#include "cli/guess_command.h"
#include "cli/image_writers.h"
#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/render.h"

namespace {

void FinishStandardOutput(OutputStream& stream) {
    if (!stream.Finish())
        throw RenderError("cannot write to standard output: " + stream.FailureReason());
}

void WriteRawToStandardOutput(const std::vector<uint8_t>& pixels, std::FILE* standardOutput) {
    OutputStream stream(standardOutput);
    stream.Write(pixels.data(), pixels.size());
    FinishStandardOutput(stream);
}

void ShowText(std::FILE* standardOutput, const std::string& text) {
    OutputStream stream(standardOutput);
    stream.Write(text.data(), text.size());
    FinishStandardOutput(stream);
}

struct DecodedInput {
    std::vector<uint8_t> pixels;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The input is closed on return, so that an output at the same path can replace it.
DecodedInput DecodeInput(const RenderOptions& options) {
    const std::unique_ptr<CRawDoc> doc = OpenDocument(options.inputPath);
    ApplyOptions(options, *doc);
    CheckPictureNotEmpty(*doc);
    if (options.format != OutputFormat::Raw)
        CheckEncodable(options.format, doc->m_width, doc->m_height);
    return {DecodeDocument(*doc), doc->m_width, doc->m_height};
}

void WriteFile(const RenderOptions& options, DecodedInput input) {
    OutputFile file(*options.outputPath);
    if (options.format == OutputFormat::Raw) {
        file.Stream().Write(input.pixels.data(), input.pixels.size());
    } else {
        const RgbPicture picture = ToTopDownRgb(input.pixels, input.width, input.height);
        std::vector<uint8_t>().swap(input.pixels);  // not needed while encoding
        WritePicture(options.format, picture, file.Stream());
    }
    file.Commit();
}

void Export(const RenderOptions& options, std::FILE* standardOutput) {
    DecodedInput input = DecodeInput(options);
    if (WritesToStandardOutput(options))
        WriteRawToStandardOutput(input.pixels, standardOutput);
    else
        WriteFile(options, std::move(input));
}

int Report(std::FILE* standardError, const char* message, int exitCode) {
    std::fprintf(standardError, "pixolve-render: %s\n", message);
    return exitCode;
}

}  // namespace

int RunExporter(const std::vector<std::string>& args, std::FILE* standardOutput,
                std::FILE* standardError) {
    try {
        const CommandLine commandLine = ParseCommandLine(args);
        if (commandLine.textToShow) {
            ShowText(standardOutput, commandLine.textToShow);
            return kExitSuccess;
        }
        if (commandLine.options.guess) {
            ShowText(standardOutput, GuessReport(commandLine.options));
            return kExitSuccess;
        }
        Export(commandLine.options, standardOutput);
        return kExitSuccess;
    } catch (const UsageError& error) {
        return Report(standardError, error.what(), kExitUsage);
    } catch (const RenderError& error) {
        return Report(standardError, error.what(), kExitFailure);
    } catch (const std::bad_alloc&) {
        return Report(standardError, "not enough memory", kExitFailure);
    }
}

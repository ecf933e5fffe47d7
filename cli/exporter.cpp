#include "cli/exporter.h"

#include <new>

#include "cli/errors.h"
#include "cli/guess_command.h"
#include "cli/image_writers.h"
#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/render.h"

namespace {

void WriteRawTo(const std::vector<uint8_t>& pixels, std::FILE* stream) {
    std::fwrite(pixels.data(), 1, pixels.size(), stream);
}

void WriteRawToStandardOutput(const std::vector<uint8_t>& pixels, std::FILE* standardOutput) {
    WriteRawTo(pixels, standardOutput);
    if (!FinishWriting(standardOutput)) throw RenderError("cannot write to standard output");
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
        WriteRawTo(input.pixels, file.Stream());
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
        if (commandLine.showHelp) {
            std::fputs(UsageText(), standardOutput);
            return FinishWriting(standardOutput) ? kExitSuccess : kExitFailure;
        }
        if (commandLine.options.guess) {
            PrintGuesses(commandLine.options, standardOutput);
            return FinishWriting(standardOutput) ? kExitSuccess : kExitFailure;
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

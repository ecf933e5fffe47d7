#include "cli/exporter.h"

#include <new>

#include "cli/errors.h"
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

void WriteFile(const RenderOptions& options, std::vector<uint8_t> pixels, uint32_t width,
               uint32_t height) {
    OutputFile file(*options.outputPath);
    if (options.format == OutputFormat::Raw) {
        WriteRawTo(pixels, file.Stream());
    } else {
        const RgbPicture picture = ToTopDownRgb(pixels, width, height);
        std::vector<uint8_t>().swap(pixels);  // the buffer is no longer needed while encoding
        WritePicture(options.format, picture, file.Stream());
    }
    file.Commit();
}

void Export(const RenderOptions& options, std::FILE* standardOutput) {
    const std::unique_ptr<CRawDoc> doc = OpenDocument(options.inputPath);
    ApplyOptions(options, *doc);
    CheckPictureNotEmpty(*doc);
    if (options.format != OutputFormat::Raw)
        CheckEncodable(options.format, doc->m_width, doc->m_height);
    std::vector<uint8_t> pixels = DecodeDocument(*doc);
    if (WritesToStandardOutput(options))
        WriteRawToStandardOutput(pixels, standardOutput);
    else
        WriteFile(options, std::move(pixels), doc->m_width, doc->m_height);
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

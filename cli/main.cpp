#include <cstdio>
#include <string>
#include <vector>

#include "cli/exporter.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "decode/utf8.h"

// wmain receives the arguments as UTF-16, so paths outside the ANSI code page survive.
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // --raw data must reach stdout byte for byte
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
    return RunExporter(args, stdout, stderr);
}
#else
int main(int argc, char** argv) {
    return RunExporter(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
#endif

// Shared by the exporter's tests: scratch folders, captured streams, running the program.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "decode/utf8.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

#include "cli/exporter.h"
#include "cli/platform_files.h"

namespace clitest {

namespace fs = std::filesystem;

// The system's own words for a missing file and a missing folder.
#ifdef _WIN32
inline const std::string kNoSuchFile = platform::SystemMessage(ERROR_FILE_NOT_FOUND);
inline const std::string kNoSuchFolder = platform::SystemMessage(ERROR_PATH_NOT_FOUND);
#else
inline const std::string kNoSuchFile = "No such file or directory";
inline const std::string kNoSuchFolder = kNoSuchFile;
#endif

using Bytes = std::vector<uint8_t>;
using Args = std::vector<std::string>;

inline Bytes PatternBytes(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + (i >> 3));
    return bytes;
}

inline Bytes ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

struct Outcome {
    int exitCode = -1;
    Bytes out;
    std::string err;
};

inline void ExpectOneLineMessage(const Outcome& outcome, const std::string& problem) {
    EXPECT_EQ(outcome.err.rfind("pixolve-render: ", 0), 0u) << outcome.err;
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "one line: " << outcome.err;
    EXPECT_NE(outcome.err.find(problem), std::string::npos) << outcome.err;
}

#ifdef _WIN32
inline HANDLE CreateInheritableFile(const fs::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The test arguments hold no quotes and end in no backslash, so plain quoting is exact.
inline int RunProgram(const Args& args, const fs::path& outPath, const fs::path& errPath) {
    const std::wstring program = Utf8ToWide(PIXOLVE_RENDER_EXE);
    std::wstring commandLine = L"\"" + program + L"\"";
    for (const std::string& arg : args) commandLine += L" \"" + Utf8ToWide(arg.c_str()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = CreateInheritableFile(outPath);
    startup.hStdError = CreateInheritableFile(errPath);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
#else
inline int RunProgram(const Args& args, const fs::path& outPath, const fs::path& errPath) {
    std::vector<std::string> argv{PIXOLVE_RENDER_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvPointers;
    for (std::string& arg : argv) argvPointers.push_back(&arg[0]);
    argvPointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, PIXOLVE_RENDER_EXE, &actions, nullptr,
                                    argvPointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// Every test works in a folder of its own, `work`, whose listing shows what an export
// left behind; the captured streams live beside it.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root_ = fs::temp_directory_path() /
                ("pixolve-cli-" + std::to_string(platform::CurrentProcessId()) + "-" + test);
        fs::remove_all(root_);
        fs::create_directories(root_ / "work");
        WriteWholeFile(Work("in.bin"), PatternBytes(1200));  // a 40 by 30 picture by default
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    fs::path Work(const std::string& utf8Name) const { return root_ / "work" / fs::u8path(utf8Name); }

    // "@name" stands for the path of `name` in the work folder.
    Args InWork(Args args) const {
        for (std::string& arg : args) {
            if (arg.rfind("@", 0) == 0) arg = Work(arg.substr(1)).u8string();
        }
        return args;
    }

    std::vector<std::string> WorkListing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root_ / "work"))
            names.push_back(entry.path().filename().u8string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path OutPath() const { return root_ / "stdout"; }
    fs::path ErrPath() const { return root_ / "stderr"; }

    Outcome Captured(int exitCode) const {
        return {exitCode, ReadWholeFile(OutPath()), AsText(ReadWholeFile(ErrPath()))};
    }

    Outcome Run(const Args& args) {
        std::FILE* out = std::fopen(OutPath().u8string().c_str(), "wb");
        std::FILE* err = std::fopen(ErrPath().u8string().c_str(), "wb");
        const int exitCode = RunExporter(InWork(args), out, err);
        std::fclose(out);
        std::fclose(err);
        return Captured(exitCode);
    }

    Outcome RunAsProcess(const Args& args) {
        return Captured(RunProgram(InWork(args), OutPath(), ErrPath()));
    }

    fs::path root_;
};

}  // namespace clitest

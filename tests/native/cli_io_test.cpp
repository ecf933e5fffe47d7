// What the exporter does with each kind of output path and input, with real special files
// made inside the scratch folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "cli/errors.h"
#include "cli/input_file.h"
#include "cli/render.h"
#include "tests/native/cli_test_support.h"

namespace {

using namespace clitest;

// A picture of 80000 bytes of raw pixels: more than a pipe holds, so a reader must keep up.
const Args kLargeRaw = {"--width", "200", "--height", "100", "--raw"};

Args With(Args args, const Args& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class CliIo : public CliTest {
protected:
    // The raw pixels of in.bin with `options`, written the ordinary way.
    Bytes ExpectedRaw(const Args& options) {
        const Outcome outcome = Run(With({"@in.bin"}, options));
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        return outcome.out;
    }
};

#ifndef _WIN32

struct stat StatOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

int ReadAll(int fd, Bytes& bytes) {
    uint8_t chunk[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, chunk, sizeof(chunk))) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    return static_cast<int>(n);
}

void WriteAll(int fd, const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// Reads a FIFO to its end on a thread of its own. Opening it for writing once more after
// the export lets the reader go even when the exporter never opened it.
class FifoReader {
public:
    explicit FifoReader(fs::path path) : m_path(std::move(path)) {
        m_thread = std::thread([this] {
            const int fd = ::open(m_path.c_str(), O_RDONLY);
            if (fd < 0) return;
            ReadAll(fd, m_bytes);
            ::close(fd);
        });
    }
    Bytes Finish() {
        const int releaser = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
        if (releaser >= 0) ::close(releaser);
        m_thread.join();
        return m_bytes;
    }

private:
    fs::path m_path;
    Bytes m_bytes;
    std::thread m_thread;
};

// A listening socket at `path` that takes one connection and reads it to its end.
class SocketReader {
public:
    explicit SocketReader(const fs::path& path) {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
        EXPECT_EQ(::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(::listen(m_listener, 1), 0);
        m_thread = std::thread([this] {
            const int connection = ::accept(m_listener, nullptr, nullptr);
            if (connection < 0) return;
            ReadAll(connection, m_bytes);
            ::close(connection);
        });
    }
    Bytes Finish() {
        ::shutdown(m_listener, SHUT_RDWR);  // lets accept() return if nobody connected
        m_thread.join();
        ::close(m_listener);
        return m_bytes;
    }

private:
    int m_listener = -1;
    Bytes m_bytes;
    std::thread m_thread;
};

// Standard input comes from `fd` while it lives.
class StandardInputFrom {
public:
    explicit StandardInputFrom(int fd) : m_saved(::dup(STDIN_FILENO)) { ::dup2(fd, STDIN_FILENO); }
    ~StandardInputFrom() {
        ::dup2(m_saved, STDIN_FILENO);
        ::close(m_saved);
    }
    StandardInputFrom(const StandardInputFrom&) = delete;
    StandardInputFrom& operator=(const StandardInputFrom&) = delete;

private:
    int m_saved;
};

// A pipe whose writing end is fed `bytes` by a thread and then closed. The bytes fit in the
// pipe, so the writer finishes even when nobody reads them.
class FedPipe {
public:
    explicit FedPipe(Bytes bytes) : m_bytes(std::move(bytes)) {
        EXPECT_LE(m_bytes.size(), 4096u);
        EXPECT_EQ(::pipe(m_ends), 0);
        m_thread = std::thread([this] {
            WriteAll(m_ends[1], m_bytes);
            ::close(m_ends[1]);
        });
    }
    ~FedPipe() {
        m_thread.join();
        ::close(m_ends[0]);
    }
    int ReadEnd() const { return m_ends[0]; }

private:
    Bytes m_bytes;
    int m_ends[2] = {-1, -1};
    std::thread m_thread;
};

// TMPDIR names `folder` while it lives.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const fs::path& folder) {
        if (const char* saved = std::getenv("TMPDIR")) m_saved = saved;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolder() {
        if (m_saved) ::setenv("TMPDIR", m_saved->c_str(), 1);
        else ::unsetenv("TMPDIR");
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    std::optional<std::string> m_saved;
};

void MakeDevice(const fs::path& path, unsigned minor) {
    ASSERT_EQ(::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)), 0)
        << "making a device needs root: " << std::strerror(errno);
}

TEST_F(CliIo, DevicesAreWrittenInPlace) {
    MakeDevice(Work("null"), 3);
    MakeDevice(Work("full"), 7);
    MakeDevice(Work("full.png"), 7);

    const Outcome toNull = Run(With({"@in.bin", "-o", "@null"}, kLargeRaw));
    EXPECT_EQ(toNull.exitCode, 0) << toNull.err;
    EXPECT_TRUE(toNull.err.empty());

    const Outcome toFull = Run(With({"@in.bin", "-o", "@full"}, kLargeRaw));
    EXPECT_EQ(toFull.exitCode, 1);
    ExpectOneLineMessage(toFull, "cannot write '" + Work("full").u8string() +
                                     "': No space left on device");
    const Outcome pictureToFull = Run({"@in.bin", "-o", "@full.png"});
    EXPECT_EQ(pictureToFull.exitCode, 1);
    ExpectOneLineMessage(pictureToFull, "full.png': No space left on device");

    for (const auto& [name, minor] :
         {std::pair<const char*, unsigned>{"null", 3}, {"full", 7}, {"full.png", 7}}) {
        const struct stat info = StatOf(Work(name));
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << name;
        EXPECT_EQ(info.st_rdev, makedev(1, minor)) << name;
    }
    EXPECT_EQ(WorkListing(), (std::vector<std::string>{"full", "full.png", "in.bin", "null"}));
}

TEST_F(CliIo, PipesAndSocketsGetExactlyThePicture) {
    const Bytes expected = ExpectedRaw(kLargeRaw);
    ASSERT_EQ(expected.size(), 80000u);

    ASSERT_EQ(::mkfifo(Work("fifo").c_str(), 0600), 0);
    FifoReader fifoReader(Work("fifo"));
    const Outcome toFifo = Run(With({"@in.bin", "-o", "@fifo"}, kLargeRaw));
    EXPECT_EQ(toFifo.exitCode, 0) << toFifo.err;
    EXPECT_EQ(fifoReader.Finish(), expected);
    EXPECT_TRUE(S_ISFIFO(StatOf(Work("fifo")).st_mode));

    SocketReader socketReader(Work("socket"));
    const Outcome toSocket = Run(With({"@in.bin", "-o", "@socket"}, kLargeRaw));
    EXPECT_EQ(toSocket.exitCode, 0) << toSocket.err;
    EXPECT_EQ(socketReader.Finish(), expected);
    EXPECT_TRUE(S_ISSOCK(StatOf(Work("socket")).st_mode));

    // Process substitution and /dev/stdout name a pipe through /proc/self/fd; the scratch
    // link stands for /dev/stdout, itself a link to /proc/self/fd/1.
    for (const bool throughLink : {false, true}) {
        SCOPED_TRACE(throughLink ? "through a link" : "/proc/self/fd/N");
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        Bytes got;
        std::thread reader([&] { ReadAll(ends[0], got); });
        const std::string fdPath = "/proc/self/fd/" + std::to_string(ends[1]);
        fs::remove(Work("stdout"));
        fs::create_symlink(fdPath, Work("stdout"));
        const Outcome outcome =
            Run(With({"@in.bin", "-o", throughLink ? Work("stdout").u8string() : fdPath}, kLargeRaw));
        ::close(ends[1]);
        reader.join();
        ::close(ends[0]);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(S_ISLNK(StatOf(Work("stdout")).st_mode));
    }
    EXPECT_EQ(WorkListing(), (std::vector<std::string>{"fifo", "in.bin", "socket", "stdout"}));
}

TEST_F(CliIo, LinksStayLinksAndTheirTargetGetsThePicture) {
    fs::create_directory(Work("pictures"));
    WriteWholeFile(Work("pictures/old.png"), Bytes{'o', 'l', 'd'});
    fs::create_symlink("pictures/old.png", Work("existing.png"));
    fs::create_symlink("existing.png", Work("chain.png"));
    fs::create_symlink("pictures/new.png", Work("dangling.png"));

    for (const char* link : {"chain.png", "dangling.png"}) {
        SCOPED_TRACE(link);
        const Outcome outcome = Run({"@in.bin", "-o", std::string("@") + link});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    }
    EXPECT_EQ(fs::read_symlink(Work("chain.png")), "existing.png");
    EXPECT_EQ(fs::read_symlink(Work("existing.png")), "pictures/old.png");
    EXPECT_EQ(fs::read_symlink(Work("dangling.png")), "pictures/new.png");
    EXPECT_EQ(AsText(ReadWholeFile(Work("pictures/old.png"))).substr(0, 4), "\x89PNG");
    EXPECT_EQ(AsText(ReadWholeFile(Work("pictures/new.png"))).substr(0, 4), "\x89PNG");
    EXPECT_EQ(WorkListing(), (std::vector<std::string>{"chain.png", "dangling.png", "existing.png",
                                                       "in.bin", "pictures"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(Work("pictures")), fs::directory_iterator()), 2);

    fs::create_symlink("loop.png", Work("loop.png"));
    const Outcome loop = Run({"@in.bin", "-o", "@loop.png"});
    EXPECT_EQ(loop.exitCode, 1);
    ExpectOneLineMessage(loop, "loop.png': Too many levels of symbolic links");
}

TEST_F(CliIo, ReplacedFileKeepsItsModeOwnerAndGroup) {
    WriteWholeFile(Work("out.png"), Bytes{'o', 'l', 'd'});
    ASSERT_EQ(::chmod(Work("out.png").c_str(), 02640), 0);
    const bool mayChown = ::chown(Work("out.png").c_str(), 1234, 5678) == 0;
    const struct stat before = StatOf(Work("out.png"));

    const Outcome outcome = Run({"@in.bin", "-o", "@out.png"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const struct stat after = StatOf(Work("out.png"));
    EXPECT_NE(after.st_ino, before.st_ino) << "replaced, not overwritten";
    EXPECT_EQ(after.st_mode & 07777, mayChown ? 02640u : 0640u);
    if (mayChown) {
        EXPECT_EQ(after.st_uid, 1234u);
        EXPECT_EQ(after.st_gid, 5678u);
    }
    EXPECT_EQ(AsText(ReadWholeFile(Work("out.png"))).substr(0, 4), "\x89PNG");
}

TEST_F(CliIo, HardLinkedFileIsOverwrittenOnceComplete) {
    WriteWholeFile(Work("a.raw"), PatternBytes(100000));  // longer than the picture
    fs::create_hard_link(Work("a.raw"), Work("b.raw"));
    const ino_t inode = StatOf(Work("a.raw")).st_ino;

    const Outcome failed = Run({"@in.bin", "--width", "4294967295", "--height", "4294967295",
                                "--raw", "-o", "@a.raw"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(ReadWholeFile(Work("b.raw")), PatternBytes(100000));

    const Outcome outcome = Run(With({"@in.bin", "-o", "@a.raw"}, kLargeRaw));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(StatOf(Work("a.raw")).st_ino, inode);
    EXPECT_EQ(StatOf(Work("a.raw")).st_nlink, 2u);
    EXPECT_EQ(ReadWholeFile(Work("b.raw")), ExpectedRaw(kLargeRaw));
    EXPECT_EQ(WorkListing(), (std::vector<std::string>{"a.raw", "b.raw", "in.bin"}));
}

TEST_F(CliIo, NewFileGetsTheUsualMode) {
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0}}) {
        const mode_t saved = ::umask(mask);
        const Outcome outcome = Run({"@in.bin", "-o", "@new.bmp"});
        ::umask(saved);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(StatOf(Work("new.bmp")).st_mode & 07777, 0666u & ~mask) << std::oct << mask;
        fs::remove(Work("new.bmp"));
    }
}

// Root may create files anywhere, so the export runs in a child that gives up root first
// (as "nobody"); without root the child runs as the user the test runs as.
TEST_F(CliIo, FolderThatTakesNoNewFileIsNamed) {
    constexpr uid_t kNobody = 65534;
    fs::create_directory(Work("locked"));
    WriteWholeFile(Work("locked/mine.raw"), Bytes{'o', 'l', 'd'});
    WriteWholeFile(Work("theirs.raw"), Bytes{'o', 'l', 'd'});
    const bool root = ::geteuid() == 0;
    if (root) {
        fs::permissions(root_, fs::perms(0755));
        ASSERT_EQ(::chown(Work("locked/mine.raw").c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(Work("theirs.raw").c_str(), 0, 0), 0);
        fs::permissions(Work("theirs.raw"), fs::perms(0644));
    } else {
        fs::permissions(Work("theirs.raw"), fs::perms(0444));
    }
    fs::permissions(Work("locked"), fs::perms(0555));

    struct Case {
        const char* output;
        std::string problem;
    };
    const Case cases[] = {
        {"@locked/mine.raw", "cannot create a file in the folder '" + Work("locked").u8string() +
                                 "' to write '" + Work("locked/mine.raw").u8string() +
                                 "': Permission denied"},
        {"@theirs.raw", "cannot open '" + Work("theirs.raw").u8string() + "': Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::FILE* err = std::fopen(ErrPath().c_str(), "wb");
        const Args args = InWork({"@in.bin", "--raw", "-o", c.output});
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (root && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                         ::setuid(kNobody) != 0))
                ::_exit(99);
            const int exitCode = RunExporter(args, stdout, err);
            std::fflush(err);
            ::_exit(exitCode);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        std::fclose(err);
        ASSERT_TRUE(WIFEXITED(status));
        const Outcome outcome = Captured(WEXITSTATUS(status));
        EXPECT_EQ(outcome.exitCode, 1);
        ExpectOneLineMessage(outcome, c.problem);
        EXPECT_EQ(outcome.err.find(".tmp"), std::string::npos) << "names no temporary file";
    }
    EXPECT_EQ(AsText(ReadWholeFile(Work("locked/mine.raw"))), "old");
    EXPECT_EQ(AsText(ReadWholeFile(Work("theirs.raw"))), "old");
    fs::permissions(Work("locked"), fs::perms(0755));
    EXPECT_EQ(std::distance(fs::directory_iterator(Work("locked")), fs::directory_iterator()), 1);
}

TEST_F(CliIo, WriteFailuresGiveTheSystemsReason) {
    MakeDevice(Work("full"), 7);
    for (const Args& args : {Args{"--help"}, Args{"@in.bin", "--raw"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        std::FILE* full = std::fopen(Work("full").c_str(), "wb");
        std::FILE* err = std::fopen(ErrPath().c_str(), "wb");
        const int exitCode = RunExporter(InWork(args), full, err);
        std::fclose(full);
        std::fclose(err);
        EXPECT_EQ(exitCode, 1);
        ExpectOneLineMessage(Captured(exitCode),
                             "cannot write to standard output: No space left on device");
    }
}

TEST_F(CliIo, StreamsAreDecodedAsTheSameBytesInAFile) {
    const Bytes file = ReadWholeFile(Work("in.bin"));
    const Bytes expected = ExpectedRaw({"--raw"});  // 40 by 30 from the size, as for the file
    ASSERT_EQ(expected.size(), 40u * 30u * 4u);
    fs::create_directory(root_ / "tmp");
    const TemporaryFolder temporaryFolder(root_ / "tmp");

    {
        SCOPED_TRACE("standard input from a pipe");
        FedPipe pipe(file);
        StandardInputFrom input(pipe.ReadEnd());
        const Outcome outcome = Run({"-", "--raw"});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(outcome.out, expected);
    }
    {
        SCOPED_TRACE("a FIFO, as <(...) gives");
        ASSERT_EQ(::mkfifo(Work("fifo").c_str(), 0600), 0);
        std::thread writer([&] {
            const int fd = ::open(Work("fifo").c_str(), O_WRONLY);
            WriteAll(fd, file);
            ::close(fd);
        });
        const Outcome outcome = Run({"@fifo", "--raw"});
        writer.join();
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(outcome.out, expected);
    }
    {
        SCOPED_TRACE("standard input from a file, partly read already");
        const int fd = ::open(Work("in.bin").c_str(), O_RDONLY);
        ASSERT_EQ(::lseek(fd, 432, SEEK_SET), 432);  // the rest is 768 bytes: 32 by 24
        StandardInputFrom input(fd);
        ::close(fd);
        const Outcome fromInput = Run({"-", "--raw"});
        WriteWholeFile(Work("rest.bin"), Bytes(file.begin() + 432, file.end()));
        const Outcome fromFile = Run({"@rest.bin", "--raw"});
        EXPECT_EQ(fromInput.exitCode, 0) << fromInput.err;
        EXPECT_EQ(fromInput.out, fromFile.out);
        EXPECT_EQ(fromInput.out.size(), 32u * 24u * 4u);
    }
    EXPECT_TRUE(fs::is_empty(root_ / "tmp")) << "the copies leave nothing behind";
}

TEST_F(CliIo, StreamsThatCannotBeCopiedAreRefused) {
    const Bytes file = ReadWholeFile(Work("in.bin"));
    {
        const TemporaryFolder temporaryFolder(Work("missing"));
        FedPipe pipe(file);
        StandardInputFrom input(pipe.ReadEnd());
        const Outcome outcome = Run({"-", "--raw"});
        EXPECT_EQ(outcome.exitCode, 1);
        ExpectOneLineMessage(outcome, "cannot keep a copy of standard input: "
                                      "No such file or directory (in " + Work("missing").u8string() + ")");
    }
    for (const uint64_t limit : {uint64_t{1200}, uint64_t{1199}}) {
        FedPipe pipe(file);
        StandardInputFrom input(pipe.ReadEnd());
        if (limit >= file.size()) {
            int64_t size = 0;
            CRawDoc doc(OpenInput("-", limit));
            EXPECT_TRUE(doc.GetSize(size));
            EXPECT_EQ(size, 1200);
        } else {
            try {
                OpenInput("-", limit);
                ADD_FAILURE() << "no error above the limit";
            } catch (const RenderError& error) {
                EXPECT_STREQ(error.what(),
                             "standard input holds more than 1199 bytes, the most read before "
                             "decoding; save it to a file and give its name");
            }
        }
    }
}

TEST_F(CliIo, InputsThatAreNotFilesAreNamed) {
    MakeDevice(Work("null"), 3);
    SocketReader socket(Work("socket"));
    struct Case {
        const char* input;
        std::string problem;
    };
    const Case cases[] = {
        {"@null", "the picture is 0 by 0 pixels"},
        {"@socket", "cannot open '" + Work("socket").u8string() + "': No such device or address"},
        {"@", "': Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const Outcome outcome = Run({c.input, "--raw"});
        EXPECT_EQ(outcome.exitCode, 1);
        ExpectOneLineMessage(outcome, c.problem);
    }
    socket.Finish();
}

#else  // _WIN32

// Without a console, as under Wine in the test run, CON cannot be opened at all.
bool ConsoleOpens() {
    const HANDLE console = CreateFileW(L"CON", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return false;
    CloseHandle(console);
    return true;
}

TEST_F(CliIo, DevicesAreWrittenInPlace) {
    Args devices{"NUL", "nul"};
    if (ConsoleOpens()) devices.push_back("CON");
    for (const std::string& device : devices) {
        SCOPED_TRACE(device);
        const Outcome outcome = Run(With({"@in.bin", "-o", device}, kLargeRaw));
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    }
}

TEST_F(CliIo, ReadOnlyFileIsNotReplaced) {
    WriteWholeFile(Work("out.png"), Bytes{'o', 'l', 'd'});
    ASSERT_TRUE(SetFileAttributesW(Work("out.png").c_str(), FILE_ATTRIBUTE_READONLY));
    const Outcome outcome = Run({"@in.bin", "-o", "@out.png"});
    EXPECT_EQ(outcome.exitCode, 1);
    // Windows refuses to open it; Wine, run as root, refuses only to replace it.
    ExpectOneLineMessage(outcome, Work("out.png").u8string() + "': Access");
    SetFileAttributesW(Work("out.png").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(AsText(ReadWholeFile(Work("out.png"))), "old");
    EXPECT_EQ(WorkListing(), (std::vector<std::string>{"in.bin", "out.png"}));
}

TEST_F(CliIo, HardLinkedFileIsOverwrittenOnceComplete) {
    WriteWholeFile(Work("a.raw"), PatternBytes(100000));
    if (!CreateHardLinkW(Work("b.raw").c_str(), Work("a.raw").c_str(), nullptr))
        GTEST_SKIP() << "no hard links here";
    const Outcome outcome = Run(With({"@in.bin", "-o", "@a.raw"}, kLargeRaw));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(ReadWholeFile(Work("b.raw")), ExpectedRaw(kLargeRaw));
    EXPECT_EQ(WorkListing(), (std::vector<std::string>{"a.raw", "b.raw", "in.bin"}));
}

// Standard input comes from `handle` while it lives.
class StandardInputFrom {
public:
    explicit StandardInputFrom(HANDLE handle) : m_saved(GetStdHandle(STD_INPUT_HANDLE)) {
        SetStdHandle(STD_INPUT_HANDLE, handle);
    }
    ~StandardInputFrom() { SetStdHandle(STD_INPUT_HANDLE, m_saved); }
    StandardInputFrom(const StandardInputFrom&) = delete;
    StandardInputFrom& operator=(const StandardInputFrom&) = delete;

private:
    HANDLE m_saved;
};

TEST_F(CliIo, StreamsAreDecodedAsTheSameBytesInAFile) {
    const Bytes file = ReadWholeFile(Work("in.bin"));
    const Bytes expected = ExpectedRaw({"--raw"});
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    std::thread writer([&] {
        DWORD written = 0;
        WriteFile(writeEnd, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
        CloseHandle(writeEnd);
    });
    Outcome outcome;
    {
        StandardInputFrom input(readEnd);
        outcome = Run({"-", "--raw"});
    }
    writer.join();
    CloseHandle(readEnd);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, expected);
}

#endif

}  // namespace

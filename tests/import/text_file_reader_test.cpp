#include "import/text_file_reader.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "import/input_file_error.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "reader-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path file(const std::string& name, const std::string& content) const {
        fs::path p = path_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Reads as the import does: one line read and set aside, then read until the end test says so,
// the test coming after each read.
std::vector<std::string> readAsImport(const fs::path& path, size_t blockSize) {
    importer::TextFileReader reader(blockSize);
    reader.bind(path.string());
    reader.open();
    std::vector<std::string> lines(1);
    reader.readLine(lines[0]);
    std::string line;
    do {
        reader.readLine(line);
        lines.push_back(line);
    } while (!reader.atEnd());
    return lines;
}

TEST(TextFileReader, LineRulesHoldAtEveryBlockBoundary) {
    struct Case {
        const char* label;
        std::string content;
        std::vector<std::string> lines;  // the first one included
    };
    const Case cases[] = {
        {"LF", "h\na\nb\n", {"h", "a", "b"}},
        {"no final LF", "h\na\nb", {"h", "a", "b"}},
        {"CR LF", "h\r\na\r\nb\r\n", {"h", "a", "b"}},
        {"lone CR dropped", "h\na\rb\n", {"h", "ab"}},
        {"CR CR LF", "h\na\r\r\nb", {"h", "a", "b"}},
        {"CR at the very end", "h\na\r", {"h", "a"}},
        {"final empty line", "h\na\n\n", {"h", "a", ""}},
        {"empty lines inside", "h\n\n\na\n", {"h", "", "", "a"}},
        {"only the first line", "h\n", {"h", ""}},
        {"only the first line, no LF", "h", {"h", ""}},
        {"empty file", "", {"", ""}},
        {"26 ends the file",
         "h\na\n\x1A"
         "b\n",
         {"h", "a"}},
        {"26 right after the first line", "h\n\x1A", {"h", ""}},
        {"26 as the first byte",
         "\x1A"
         "h\na\n",
         {"", ""}},
        {"26 inside a line",
         "h\na\x1A"
         "c\nd\n",
         {"h", "a", "d"}},
        {"26 inside, CR after it", "h\na\x1A\r\nd", {"h", "a", "d"}},
        {"two 26 inside a line",
         "h\na\x1A"
         "c\x1A\ne",
         {"h", "a", "e"}},
        {"26 inside the last line",
         "h\na\x1A"
         "c",
         {"h", "a"}},
        {"26 after a CR", "h\na\r\x1A\nb", {"h", "a", "b"}},
        {"bytes kept as they are", "h\n\x80\xFF\0x\n"s, {"h", "\x80\xFF\0x"s}},
    };
    for (size_t blockSize : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{1} << 20}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + ", block size " + std::to_string(blockSize));
            TempDir dir;
            EXPECT_EQ(readAsImport(dir.file("in.txt", c.content), blockSize), c.lines);
        }
    }
}

TEST(TextFileReader, LinesUpToTheLimitAreReadWholeALongerOneIsRefused) {
    TempDir dir;
    std::string longLine(3'000'000, 'x');
    longLine[1'500'000] = ';';
    fs::path p = dir.file("in.txt", "h\r\n" + longLine + "\r\nz");
    for (size_t blockSize : {size_t{4096}, importer::TextFileReader::kDefaultBlockSize}) {
        EXPECT_EQ(readAsImport(p, blockSize), (std::vector<std::string>{"h", longLine, "z"}));
    }
    // The limit counts the line's own bytes: carriage returns and the line feed are not in it.
    const std::string longest(importer::TextFileReader::kMaxLineBytes, 'x');
    p = dir.file("in.txt", "h\n" + longest + "\r\r\nz");
    EXPECT_EQ(readAsImport(p, 4096), (std::vector<std::string>{"h", longest, "z"}));
    p = dir.file("in.txt", "h\nz\n" + longest + "y\nz");
    for (size_t blockSize : {size_t{4096}, importer::TextFileReader::kDefaultBlockSize}) {
        EXPECT_THAT(
            [&] { readAsImport(p, blockSize); },
            testing::ThrowsMessage<data::UserError>(testing::StrEq(
                "La riga 3 del file " + p.string() + " supera la lunghezza massima di 4 MB")));
    }
}

TEST(TextFileReader, ReadingAtTheEndKeepsGivingEmptyLines) {
    TempDir dir;
    importer::TextFileReader reader;
    reader.bind(dir.file("in.txt",
                         "a\n\x1A"
                         "b\n")
                    .string());
    reader.open();
    std::string line = "old";
    reader.readLine(line);
    EXPECT_EQ(line, "a");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(reader.atEnd());
        line = "old";
        reader.readLine(line);
        EXPECT_EQ(line, "");
    }
}

TEST(TextFileReader, SizeIsTheFileLengthInBytes) {
    TempDir dir;
    importer::TextFileReader reader;
    reader.bind(dir.file("in.txt", std::string(1'000'000, 'a')).string());
    reader.open();
    EXPECT_EQ(reader.size(), 1'000'000);
    reader.bind(dir.file("empty.txt", "").string());
    reader.open();
    EXPECT_EQ(reader.size(), 0);
}

TEST(TextFileReader, ReopeningStartsAgainFromTheFirstLine) {
    TempDir dir;
    importer::TextFileReader reader;
    reader.bind(dir.file("in.txt", "a\nb\n").string());
    std::string line;
    for (int run = 0; run < 2; ++run) {
        reader.open();
        reader.readLine(line);
        EXPECT_EQ(line, "a");
    }
}

// Runs `action` and returns the Windows code of the InputFileError it raises, -1 if none.
template <typename F>
int codeOf(F action, std::string* message = nullptr) {
    try {
        action();
    } catch (const importer::InputFileError& e) {
        if (message) *message = e.what();
        return e.code();
    }
    return -1;
}

TEST(TextFileReader, AReaderThatIsNotOpenFailsWithCode103) {
    importer::TextFileReader reader;
    reader.bind("/nonexistent/file.txt");
    std::string line;
    std::string message;
    EXPECT_EQ(codeOf([&] { reader.readLine(line); }, &message), 103);
    EXPECT_EQ(message, "I/O error 103");
    EXPECT_EQ(codeOf([&] { reader.atEnd(); }), 103);
    EXPECT_EQ(codeOf([&] { reader.size(); }), 103);
}

TEST(TextFileReader, OpenFailuresCarryTheWindowsCodeAndMessage) {
    TempDir dir;
    fs::path file = dir.file("in.txt", "x");
    struct Case {
        const char* label;
        std::string path;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"missing file", (dir.path() / "missing.txt").string(), 2, "File not found"},
        {"missing folder", (dir.path() / "nodir" / "missing.txt").string(), 3, "Invalid filename"},
        {"file used as a folder", (file / "x.txt").string(), 3, "Invalid filename"},
        {"empty path", "", 3, "Invalid filename"},
        {"a folder", dir.path().string(), 5, "File access denied"},
        {"name too long", (dir.path() / std::string(300, 'n')).string(), 206, "I/O error 206"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        importer::TextFileReader reader;
        reader.bind(c.path);
        std::string message;
        EXPECT_EQ(codeOf([&] { reader.open(); }, &message), c.code);
        EXPECT_EQ(message, c.message);
        EXPECT_FALSE(reader.isOpen());
    }
}

TEST(TextFileReader, UnreadableFileIsAccessDenied) {
    // Tests usually run as root, whom file modes do not stop. /proc/sys files check their mode
    // even for root, so a write-only one is unreadable for everybody.
    std::string path = "/proc/sys/vm/drop_caches";
    TempDir dir;
    if (geteuid() != 0) {
        path = dir.file("secret.txt", "x").string();
        fs::permissions(path, fs::perms::none);
    } else if (access(path.c_str(), F_OK) != 0) {
        GTEST_SKIP() << "running as root and " << path << " is absent: no unreadable file";
    }
    importer::TextFileReader reader;
    reader.bind(path);
    std::string message;
    EXPECT_EQ(codeOf([&] { reader.open(); }, &message), 5);
    EXPECT_EQ(message, "File access denied");
}

TEST(TextFileReader, AFileLockedByAnotherProgramIsASharingViolation) {
    TempDir dir;
    std::string path = dir.file("in.txt", "a\n").string();
    for (const char* kind : {"flock", "record lock"}) {
        SCOPED_TRACE(kind);
        // Locks on another open file description conflict like another program's would.
        int other = ::open(path.c_str(), O_RDWR);
        ASSERT_GE(other, 0);
        if (std::string(kind) == "flock") {
            ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
        } else {
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            ASSERT_EQ(fcntl(other, F_OFD_SETLK, &lock), 0);
        }
        importer::TextFileReader reader;
        reader.bind(path);
        std::string message;
        EXPECT_EQ(codeOf([&] { reader.open(); }, &message), 32);
        EXPECT_EQ(message, "I/O error 32");
        ::close(other);
        EXPECT_EQ(codeOf([&] { reader.open(); }), -1);  // released: opens again
    }
}

// Lowers the process's descriptor limit to the descriptors already in use, opens `path`, and
// returns the error's code with the limit restored (the sanitizers' runtime needs descriptors
// of its own to check the exception object).
int codeOfOpenWithNoDescriptorLeft(const std::string& path) {
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    int lowestFree = dup(0);
    close(lowestFree);
    rlimit lowered = saved;
    lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
    setrlimit(RLIMIT_NOFILE, &lowered);
    importer::TextFileReader reader;
    reader.bind(path);
    try {
        reader.open();
    } catch (const importer::InputFileError& e) {
        setrlimit(RLIMIT_NOFILE, &saved);
        return e.code();
    }
    return -1;
}

TEST(TextFileReader, TooManyOpenFiles) {
    // In a child process, which ends without clean-up: so no temporary file here.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(codeOfOpenWithNoDescriptorLeft("/dev/null")), testing::ExitedWithCode(4),
                "");
}

TEST(InputFileError, MessagesOfTheImportTable) {
    struct Case {
        int code;
        const char* message;
    };
    const Case cases[] = {
        {2, "File not found"},     {3, "Invalid filename"},  {4, "Too many open files"},
        {5, "File access denied"}, {32, "I/O error 32"},     {103, "I/O error 103"},
        {112, "I/O error 112"},    {1117, "I/O error 1117"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        importer::InputFileError e(c.code);
        EXPECT_STREQ(e.what(), c.message);
        EXPECT_EQ(e.code(), c.code);
        const data::UserError& asUserError = e;  // shown like every other user error
        EXPECT_STREQ(asUserError.what(), c.message);
    }
}

TEST(InputFileError, ErrnoValuesBecomeWindowsCodesOfTheSameMeaning) {
    struct Case {
        int errnoValue;
        int code;
    };
    const Case cases[] =
        {
            {ENOENT, 2},  {ENOTDIR, 3},  {EMFILE, 4},   {ENFILE, 4},   {EACCES, 5},
            {EPERM, 5},   {EISDIR, 5},   {ETXTBSY, 32}, {ENOSPC, 112}, {ENAMETOOLONG, 206},
            {EIO, 1117},  {ELOOP, 1921}, {EROFS, 19},   {ENOMEM, 8},   {EDQUOT, 1295},
            {EFBIG, 223}, {12345, 31},  // an unknown errno is never passed on raw
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.errnoValue);
        EXPECT_EQ(importer::windowsCodeForErrno(c.errnoValue), c.code);
    }
}

}  // namespace

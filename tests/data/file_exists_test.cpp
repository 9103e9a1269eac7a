#include "data/file_exists.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "data/scratch_dir.h"

namespace {

using testing_support::CurrentDir;
using testing_support::ScratchDir;

TEST(NamesExistingFile, FilesPassFoldersAndMissingPathsDoNot) {
    ScratchDir dir;
    const std::string file = dir.write("testate.csv");
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_symlink(file, dir / "link.csv");
    std::filesystem::create_symlink(dir / "gone.csv", dir / "dangling.csv");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    struct Case {
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        {file, true},
        {dir / "folder", false},
        {dir / "folder/", false},
        {"", false},
        {dir / "missing.csv", false},
        {file + "/", false},       // a file is no folder
        {dir / "link.csv", true},  // a link to a file is that file
        {dir / "dangling.csv", false},
        {dir / "pipe", false},         // only regular files: a reader would block on a pipe
        {dir / "TESTATE.csv", false},  // names are case-sensitive here
        {dir / "folder/../testate.csv", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(data::namesExistingFile(c.path), c.exists);
    }
}

TEST(NamesExistingFile, RelativePathsStartAtTheCurrentDirectory) {
    ScratchDir dir;
    dir.write("here.csv");
    std::filesystem::create_directory(dir / "sub");
    dir.write("sub/deeper.csv");
    CurrentDir cd(dir.path());
    EXPECT_TRUE(data::namesExistingFile("here.csv"));
    EXPECT_TRUE(data::namesExistingFile("./here.csv"));
    EXPECT_TRUE(data::namesExistingFile("sub/deeper.csv"));
    EXPECT_TRUE(data::namesExistingFile("sub/../here.csv"));
    EXPECT_FALSE(data::namesExistingFile("deeper.csv"));
    EXPECT_FALSE(data::namesExistingFile("sub"));
    EXPECT_FALSE(data::namesExistingFile("."));
}

TEST(NamesExistingFile, WildcardsMatchLikeADirectorySearchWhoseFirstHitDecides) {
    ScratchDir dir;
    dir.write("a.csv");
    dir.write("b.txt");
    dir.write("[x].dat");
    std::filesystem::create_directory(dir / "m-dir");
    dir.write("m-file");
    struct Case {
        const char* pattern;
        bool exists;
    };
    // clang-format off
    const Case cases[] = {
        {"*.csv", true},
        {"?.csv", true},
        {"a.*", true},
        {"??.csv", false},
        {"*.xls", false},
        {"b?txt", true},
        {"[x]*", true},     // brackets are plain characters, not a set
        {"x*", false},
        {"m-*", false},     // "m-file" matches too, but the folder "m-dir" comes first
        {"m-f?le", true},
        {"*", false},       // "." comes first and is a folder
        {"*.*", false},     // likewise
        {"A.*", false},     // case-sensitive like the names themselves
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(data::namesExistingFile(dir / c.pattern), c.exists);
    }
    CurrentDir cd(dir.path());
    EXPECT_TRUE(data::namesExistingFile("*.csv"));  // relative patterns search the current folder
    EXPECT_FALSE(data::namesExistingFile("nowhere/*.csv"));
}

// Grows `dir` with nested folders and returns a path of exactly `length` characters to a file
// that exists. `filler` is one character of the last name, so its byte size may differ.
std::string pathOfLength(const ScratchDir& dir, std::size_t length, const std::string& filler) {
    std::filesystem::path folder = dir.path();
    while (data::pathChars(folder.string()) + 1 + 100 < length) {
        folder /= std::string(60, 'd');
        std::filesystem::create_directory(folder);
    }
    std::string path = folder.string() + "/";
    while (data::pathChars(path) < length) path += filler;
    std::ofstream(path) << "x";
    return path;
}

TEST(NamesExistingFile, PathsOfMoreThan259CharactersNameNoFile) {
    ScratchDir dir;
    const std::string at259 = pathOfLength(dir, 259, "a");
    const std::string at260 = pathOfLength(dir, 260, "b");
    ASSERT_TRUE(std::filesystem::is_regular_file(at260));
    EXPECT_EQ(at259.size(), 259u);
    EXPECT_TRUE(data::namesExistingFile(at259));
    EXPECT_FALSE(data::namesExistingFile(at260));
    // The limit counts characters, not bytes: 259 characters of which many take two bytes.
    const std::string wide = pathOfLength(dir, 259, "\xC3\xA8");  // "è"
    EXPECT_GT(wide.size(), 259u);
    EXPECT_TRUE(data::namesExistingFile(wide));
}

TEST(NamesExistingFile, AnyTimeStampPasses) {
    ScratchDir dir;
    const std::string file = dir.write("old.csv");
    struct Case {
        const char* label;
        std::time_t seconds;
    };
    const Case cases[] = {
        {"1970-01-01, as unpacked from archives without times", 0},
        {"1950", -631152000},
        {"1979-12-31", 315446400},
        {"2108", 4354819200},
        {"2200", 7258118400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const timespec times[2] = {{c.seconds, 0}, {c.seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << errno;
        EXPECT_TRUE(data::namesExistingFile(file));
    }
}

TEST(NamesExistingFile, UnreadableFilesStillExist) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    ScratchDir dir;
    const std::string file = dir.write("locked.csv");
    std::filesystem::permissions(file, std::filesystem::perms::none);
    EXPECT_TRUE(data::namesExistingFile(file));
}

}  // namespace

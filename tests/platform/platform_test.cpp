// The platform layer on the system it was built for: the same tests run on Linux and, built with
// MinGW, under Wine (scripts/windows.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/code_page.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace {

using platform::Access;
using platform::Creation;
using platform::File;

// A fresh folder for one test, removed afterwards; its name holds non-ASCII letters, as an
// office's folders do.
class PlatformFile : public testing::Test {
protected:
    void SetUp() override {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  platform::fromUtf8(std::string("brelvano Città ") + test->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string path(const std::string& name) const {
        return platform::toUtf8(folder_ / platform::fromUtf8(name));
    }

    std::filesystem::path folder_;
};

TEST_F(PlatformFile, WritesBytesUnchangedAtTheirOffsets) {
    // Line feeds, carriage returns and 0x1A are where a text-mode file would change the bytes.
    const std::array<std::uint8_t, 6> bytes{0x0A, 0x0D, 0x1A, 0x00, 0x0A, 0xFF};
    File file = File::open(path("data.bin"), Access::ReadWrite, Creation::CreateNew);
    ASSERT_TRUE(file.isOpen());
    ASSERT_EQ(file.writeAt(bytes.data(), bytes.size(), 4096), 6);
    EXPECT_EQ(file.size(), 4102u);
    std::array<std::uint8_t, 6> back{};
    ASSERT_EQ(file.readAt(back.data(), back.size(), 4096), 6);
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(file.readAt(back.data(), back.size(), 5000), 0);  // past the end
    ASSERT_TRUE(file.truncate(4097));
    EXPECT_EQ(platform::fileSize(path("data.bin")), 4097u);

    EXPECT_FALSE(File::open(path("data.bin"), Access::ReadWrite, Creation::CreateNew).isOpen());
    EXPECT_EQ(errno, EEXIST);
    EXPECT_FALSE(File::open(path("missing.bin"), Access::Read).isOpen());
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(PlatformFile, ASecondWriterIsRefusedButReadsGoOn) {
    const std::string name = path("locked.mdb");
    File first = File::open(name, Access::ReadWrite, Creation::CreateNew);
    const std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
    ASSERT_EQ(first.writeAt(bytes.data(), bytes.size(), 0), 4);
    File second = File::open(name, Access::ReadWrite);
    ASSERT_TRUE(second.isOpen());

    ASSERT_EQ(first.tryLockExclusive(), platform::LockResult::Taken);
    EXPECT_EQ(second.tryLockExclusive(), platform::LockResult::HeldElsewhere);
    std::array<std::uint8_t, 4> back{};
    EXPECT_EQ(second.readAt(back.data(), back.size(), 0), 4);
    EXPECT_EQ(back, bytes);
    first.unlock();
    EXPECT_EQ(second.tryLockExclusive(), platform::LockResult::Taken);
}

TEST_F(PlatformFile, IdentityTellsFilesApartAndFindsOneUnderTwoSpellings) {
    File::open(path("a.mdb"), Access::ReadWrite, Creation::CreateNew);
    File::open(path("b.mdb"), Access::ReadWrite, Creation::CreateNew);
    const auto a = platform::fileIdentity(path("a.mdb"));
    ASSERT_TRUE(a.has_value());
    EXPECT_NE(a, platform::fileIdentity(path("b.mdb")));
    EXPECT_EQ(a, platform::fileIdentity(platform::toUtf8(folder_ / "." / "a.mdb")));
    EXPECT_FALSE(platform::fileIdentity(path("c.mdb")).has_value());
}

TEST_F(PlatformFile, NonAsciiNamesAreListedAsWritten) {
    const std::string name = "Città € ruolo.mdb";
    ASSERT_TRUE(File::open(path(name), Access::ReadWrite, Creation::CreateNew).isOpen());
    EXPECT_TRUE(platform::isRegularFile(path(name)));
    EXPECT_TRUE(platform::isFolder(platform::toUtf8(folder_)));
    const auto names = platform::folderEntries(platform::toUtf8(folder_));
    ASSERT_TRUE(names.has_value());
    EXPECT_NE(std::find(names->begin(), names->end(), name), names->end());
    EXPECT_TRUE(platform::removeFile(path(name)));
    EXPECT_FALSE(platform::exists(path(name)));
}

TEST(PlatformCodePage, EveryByteStandsAlone) {
    const auto western = platform::codePageCharacters(1252);
    ASSERT_TRUE(western.has_value());
    EXPECT_EQ((*western)[0x80], u'\u20AC');
    EXPECT_EQ((*western)[0xE0], u'\u00E0');
    // Vietnamese: a letter that a combining mark could follow is still a letter of its own.
    const auto vietnamese = platform::codePageCharacters(1258);
    ASSERT_TRUE(vietnamese.has_value());
    EXPECT_EQ((*vietnamese)['a'], u'a');
    EXPECT_EQ((*vietnamese)[0xEC], u'\u0301');  // the combining acute accent, alone
}

}  // namespace

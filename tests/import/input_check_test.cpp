// The check of an input file before anything is deleted: the same errors as the import, in line
// order, the semicolon rule, and the file released however the check ends.
#include "import/input_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/dataModule.h"
#include "data/scratch_dir.h"
#include "data/user_error.h"
#include "import/concurrent_check.h"
#include "import/detail_layout.h"
#include "import/header_layout.h"
#include "import/roll_lines.h"

namespace {

using testing::StrEq;
using testing::ThrowsMessage;
using testing_support::exportLine;
using testing_support::ScratchDir;

std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator()));
}

class InputCheckTest : public testing::Test {
protected:
    // A header file: its title row, then `lines` documents, with `replace` overriding lines
    // (numbered from 1, the title row being line 1).
    std::string headerFile(int lines, const std::map<int, std::string>& replace = {}) {
        std::string text = "id;num;data\r\n";
        for (int n = 2; n <= lines + 1; ++n) {
            auto it = replace.find(n);
            text += (it != replace.end()
                         ? it->second
                         : exportLine({{1, std::to_string(n)}, {3, "01/02/2021"}, {44, "1.234,50"}},
                                      56)) +
                    "\r\n";
        }
        return dir_.write("testate.csv", text);
    }
    // Checks the file whole and, as the import checks the detail file, in parts at once (here
    // tiny ones, every few lines): both must come to the same outcome and message.
    // The first part is checked on a thread of its own, or by finish() itself, as the import
    // checks the header file.
    void check(const std::string& path, const importer::ColumnLayout& layout) {
        std::string inParts[2];
        for (const auto first : {importer::ConcurrentCheck::FirstPart::OnItsThread,
                                 importer::ConcurrentCheck::FirstPart::InFinish}) {
            try {
                importer::ConcurrentCheck parts(path, layout, dm_, 7, 1, first);
                parts.finish({});
            } catch (const data::UserError& e) {
                inParts[static_cast<int>(first)] = e.what();
            }
        }
        try {
            importer::checkInputFile(path, layout, dm_);
        } catch (const data::UserError& e) {
            EXPECT_EQ(inParts[0], e.what()) << "checked in parts";
            EXPECT_EQ(inParts[1], e.what()) << "checked in parts, the first by finish()";
            throw;
        }
        EXPECT_EQ(inParts[0], "") << "checked in parts";
        EXPECT_EQ(inParts[1], "") << "checked in parts, the first by finish()";
    }

    testing_support::ItalianSettings italian_;
    ScratchDir dir_;
    data::TDM dm_{"DM"};
};

TEST_F(InputCheckTest, AReadableFilePassesAndReportsEveryLine) {
    const std::string path = headerFile(20);
    std::vector<std::int64_t> lines, bytes;
    importer::checkInputFile(path, importer::headerLayout(), dm_,
                             [&](std::int64_t l, std::int64_t b, std::int64_t size) {
                                 lines.push_back(l);
                                 bytes.push_back(b);
                                 EXPECT_EQ(size, std::filesystem::file_size(path));
                             });
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.back(), 21);
    EXPECT_EQ(bytes.back(), static_cast<std::int64_t>(std::filesystem::file_size(path)));
    EXPECT_FALSE(dm_.TTestate.active());  // nothing of the data module was used
    EXPECT_TRUE(dm_.TTestateiddoc.isNull());
}

TEST_F(InputCheckTest, TheFirstConversionErrorInLineOrderStopsTheCheck) {
    struct Case {
        const char* label;
        std::map<int, std::string> lines;
        const char* message;
    };
    const Case cases[] = {
        {"line 10",
         {{10, exportLine({{1, "12.5"}}, 56)}},
         "'12.5' is not a valid integer value for field 'id doc'"},
        {"earlier line, later column",
         {{5, exportLine({{1, "5"}, {49, "x"}}, 56)}, {7, exportLine({{1, "bad"}}, 56)}},
         "'x' is not a valid floating point value for field 'sanzioni'"},
        {"earlier column in the same line",
         {{4, exportLine({{3, "2020-12-31"}, {44, "y"}}, 56)}},
         "'2020-12-31' is not a valid date and time"},
        {"last line",
         {{21, exportLine({{2, "+"}}, 56)}},
         "'+' is not a valid integer value for field 'num doc'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = headerFile(20, c.lines);
        EXPECT_THAT([&] { check(path, importer::headerLayout()); },
                    ThrowsMessage<data::UserError>(StrEq(c.message)));
    }
}

// Checked in parts, an end-of-file mark in an early part still ends the file, and the parts'
// progress adds up to the whole file's.
TEST_F(InputCheckTest, InPartsAnEndOfFileMarkStillEndsTheFile) {
    const std::string path =
        headerFile(40, {{8, "\x1a;trailing"}, {30, exportLine({{1, "bad"}}, 56)}});
    EXPECT_NO_THROW(check(path, importer::headerLayout()));

    const std::string whole = headerFile(40);
    std::int64_t lines = 0, bytes = 0;
    importer::ConcurrentCheck parts(whole, importer::headerLayout(), dm_, 5, 1);
    parts.finish([&](std::int64_t l, std::int64_t b, std::int64_t) {
        lines = l;
        bytes = b;
    });
    EXPECT_EQ(lines, 41);
    EXPECT_EQ(bytes, static_cast<std::int64_t>(std::filesystem::file_size(whole)));
}

// A file whose first data line holds no ";", or with no data line at all, cannot be a roll:
// importing it would only empty a table.
TEST_F(InputCheckTest, AFileThatCannotBeARollIsRefused) {
    enum Outcome { Passes, NoSemicolon, NoData };
    struct Case {
        const char* label;
        std::string content;
        Outcome outcome;
    };
    const Case cases[] = {
        {"comma separated", "a,b,c\n1,2,3\n4,5,6\n", NoSemicolon},
        {"tab separated, no final line break", "a\tb\n1\t2", NoSemicolon},
        {"a semicolon only in a later line", "a,b\n1,2\n3;4\n", NoSemicolon},
        {"semicolon only in the title row", "a;b\n1,2\n", NoSemicolon},
        {"a line of blanks has data", "a;b\n   \n", NoSemicolon},
        {"title row only", "a,b,c\n", NoData},
        {"empty data lines only", "a,b\n\n\r\n\n", NoData},
        {"empty file", "", NoData},
        {"empty lines before and after the data", "a;b\n\n1;2\n\n\n", Passes},
        {"later lines short or without semicolons", "a;b\n1;2\n3\n\n   \n", Passes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = dir_.write("dettagli.csv", c.content);
        if (c.outcome == Passes) {
            EXPECT_NO_THROW(check(path, importer::detailLayout()));
            continue;
        }
        const std::string message =
            c.outcome == NoData
                ? "Il file " + path + " non contiene righe di dati"
                : "Il file " + path + " non contiene righe separate da punto e virgola";
        EXPECT_THAT([&] { check(path, importer::detailLayout()); },
                    ThrowsMessage<data::UserError>(StrEq(message)));
    }
}

TEST_F(InputCheckTest, TheSemicolonMessageNamesThePathAsTyped) {
    dir_.write("x.csv", "a,b\n1,2\n");
    testing_support::CurrentDir here(dir_.path());
    EXPECT_THAT([&] { check("./x.csv", importer::detailLayout()); },
                ThrowsMessage<data::UserError>(
                    StrEq("Il file ./x.csv non contiene righe separate da punto e virgola")));
}

TEST_F(InputCheckTest, InputFileErrorsAndTheFileIsReleasedEitherWay) {
    const std::size_t before = openDescriptors();
    EXPECT_THAT([&] { check(dir_ / "missing.csv", importer::headerLayout()); },
                ThrowsMessage<data::UserError>(StrEq("File not found")));
    EXPECT_THAT([&] { check(dir_ / "no-folder/x.csv", importer::headerLayout()); },
                ThrowsMessage<data::UserError>(StrEq("Invalid filename")));
    EXPECT_THAT([&] { check(dir_.path().string(), importer::headerLayout()); },
                ThrowsMessage<data::UserError>(StrEq("File access denied")));
    EXPECT_THROW(check(headerFile(3, {{3, exportLine({{1, "x"}}, 56)}}), importer::headerLayout()),
                 data::UserError);
    check(headerFile(3), importer::headerLayout());
    EXPECT_EQ(openDescriptors(), before);
}

}  // namespace

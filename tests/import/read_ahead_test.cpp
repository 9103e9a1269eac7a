// Lines read and converted on the second thread: every line in order across many batches, the
// values the fields would have been given, a conversion error carried to its own line with the
// values assigned before it, and a run that stops early not waiting for the rest of the file.
#include "import/read_ahead.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/dataModule.h"
#include "data/scratch_dir.h"
#include "data/user_error.h"
#include "import/header_layout.h"
#include "import/roll_lines.h"

namespace {

using testing::HasSubstr;
using testing_support::exportLine;

// Columns 1 (id doc), 3 (data doc) and 17 (contribuente) of the header layout.
std::string documentLine(int n, const std::string& date = "01/02/2021") {
    return exportLine({{1, std::to_string(n)}, {3, date}, {17, "Rossi " + std::to_string(n)}}, 56,
                      false);
}

class ReadAheadTest : public testing::Test {
protected:
    // Opens a header file of a title row, `documents` lines and an empty line, its title row
    // read.
    void openFile(int documents, const std::map<int, std::string>& replace = {}) {
        std::string text = "title\r\n";
        for (int n = 1; n <= documents; ++n) {
            const auto it = replace.find(n);
            text += (it != replace.end() ? it->second : documentLine(n)) + "\r\n";
        }
        text += "\r\n";
        path_ = dir_.write("testate.csv", text);
        reader_.bind(path_);
        reader_.open();
        std::string title;
        reader_.readLine(title);
    }
    // Fields like the data module's, outside any dataset.
    std::vector<data::Field*> looseFields() {
        for (const data::Field* f : layout().fieldsOf(dm_))
            owned_.push_back(std::make_unique<data::Field>(f->name(), f->kind(), f->size()));
        std::vector<data::Field*> out;
        for (auto& f : owned_) out.push_back(f.get());
        return out;
    }
    static const importer::ColumnLayout& layout() { return importer::headerLayout(); }

    testing_support::ItalianSettings italian_;
    testing_support::ScratchDir dir_;
    data::TDM dm_{"DM"};
    std::string path_;
    importer::TextFileReader reader_;
    std::vector<std::unique_ptr<data::Field>> owned_;
};

TEST_F(ReadAheadTest, EveryLineArrivesInOrderWithItsValues) {
    constexpr int kDocuments = 1000;  // several batches
    openFile(kDocuments);
    const std::vector<data::Field*> fields = looseFields();
    importer::ReadAhead ahead(reader_, layout(), layout().fieldsOf(dm_));
    std::int64_t consumed = 0;
    for (int n = 1; n <= kDocuments; ++n) {
        SCOPED_TRACE(n);
        importer::ConvertedLine& line = ahead.next();
        ASSERT_FALSE(line.readError);
        EXPECT_FALSE(line.empty);
        EXPECT_FALSE(line.last);
        EXPECT_GT(line.consumed, consumed);
        consumed = line.consumed;
        importer::ReadAhead::assign(line, layout(), fields);
        EXPECT_EQ(fields[0]->readText(), std::to_string(n));  // id doc
        EXPECT_EQ(fields[2]->readText(), "01/02/21");         // data doc, in the short date format
        EXPECT_EQ(fields[3]->readText(), "Rossi " + std::to_string(n));
        EXPECT_TRUE(fields[1]->isNull());  // num doc: empty column
    }
    importer::ConvertedLine& end = ahead.next();
    EXPECT_TRUE(end.empty);
    EXPECT_TRUE(end.last);
    EXPECT_EQ(end.consumed, static_cast<std::int64_t>(std::filesystem::file_size(path_)));
    // Asking for more is a mistake of the caller, not a wait for ever.
    EXPECT_THROW(ahead.next(), std::logic_error);
}

TEST_F(ReadAheadTest, AConversionErrorArrivesOnItsLineWithTheFieldsAssignedBeforeIt) {
    openFile(600, {{500, documentLine(500, "31/02/2021")}});
    const std::vector<data::Field*> fields = looseFields();
    importer::ReadAhead ahead(reader_, layout(), layout().fieldsOf(dm_));
    for (int n = 1; n < 500; ++n) importer::ReadAhead::assign(ahead.next(), layout(), fields);
    importer::ConvertedLine& bad = ahead.next();
    EXPECT_FALSE(bad.converted);
    for (data::Field* f : fields) f->clear();
    try {
        importer::ReadAhead::assign(bad, layout(), fields);
        FAIL() << "the date should have been refused";
    } catch (const data::UserError& e) {
        EXPECT_THAT(e.what(), HasSubstr("31/02/2021"));
    }
    EXPECT_EQ(fields[0]->readText(), "500");
    EXPECT_TRUE(fields[2]->isNull());
    // The lines after it are read as usual.
    importer::ReadAhead::assign(ahead.next(), layout(), fields);
    EXPECT_EQ(fields[0]->readText(), "501");
}

TEST_F(ReadAheadTest, ARunThatStopsEarlyDoesNotWaitForTheRestOfTheFile) {
    openFile(20000);
    {
        importer::ReadAhead ahead(reader_, layout(), layout().fieldsOf(dm_));
        for (int n = 1; n <= 3; ++n) ahead.next();
    }  // must return while most of the file is unread
    EXPECT_LT(reader_.consumed(), static_cast<std::int64_t>(std::filesystem::file_size(path_)));
    // The reader is the run's again, and goes on where the read-ahead stopped.
    std::string line;
    reader_.readLine(line);
    EXPECT_THAT(line, HasSubstr("=\"Rossi"));
}

}  // namespace

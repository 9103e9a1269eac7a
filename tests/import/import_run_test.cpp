// The import run on a real database with the roll's tables: the question, the order of the
// deletions, the check before anything is deleted, progress, and the errors that stop a run.
#include "import/import_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/connect_database.h"
#include "data/data_modules.h"
#include "data/roll_tables.h"
#include "data/scratch_dir.h"
#include "data/user_error.h"
#include "import/roll_database.h"
#include "import/roll_lines.h"
#include "import/scripted_host.h"
#include "mdb/create.h"

namespace {

using importer::ImportOutcome;
using testing::ElementsAre;
using testing::StrEq;
using testing::ThrowsMessage;
using testing_support::exportLine;
using testing_support::ScratchDir;
using testing_support::ScriptedHost;
using testing_support::tableRows;
using testing_support::writeRollFile;
using Rows = std::vector<std::vector<mdb::Value>>;

const std::string kHeaders = "Inserimento dati nella tabella testate";
const std::string kDetails = "Inserimento dati nella tabella Dettaglio Voci";
const std::string kQuestion = "Le tabelle contengono dei dati, li elimino? ";

// A header line as the export writes it: 60 columns, the last without its ";".
std::string header(int idDoc, const std::string& name = "Rossi Mario") {
    return exportLine({{1, std::to_string(idDoc)},
                       {2, std::to_string(1000 + idDoc)},
                       {3, "15/03/2021"},
                       {17, name},
                       {24, "RSSMRA70A01H501U"},
                       {44, "1.234,50"},
                       {56, "10,00"}},
                      60, false);
}

std::string detail(int idDoc, const std::string& category = "Abitazioni private",
                   const std::string& unit = "mq") {
    return exportLine({{1, std::to_string(idDoc)},
                       {6, category},
                       {10, unit},
                       {12, "01.01.2025"},
                       {16, "2.345,60"}},
                      17, false);
}

// The "id doc" of every row of a table, in storage order.
std::vector<std::int32_t> idDocs(const std::string& db, const char* table) {
    auto database = mdb::Database::open(db, mdb::OpenMode::ReadOnly);
    const std::size_t column = database->table(table).findColumn("id doc").value();
    std::vector<std::int32_t> ids;
    for (const auto& row : tableRows(db, table)) ids.push_back(std::get<std::int32_t>(row[column]));
    return ids;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A small tmpfs at `at`, where the machine lets a test mount one (as root); unmounted at the end.
class SmallDisk {
public:
    explicit SmallDisk(std::filesystem::path at) : at_(std::move(at)) {
        std::filesystem::create_directory(at_);
        mounted_ = ::geteuid() == 0 &&
                   ::mount("tmpfs", at_.c_str(), "tmpfs", 0, "size=640k,mode=0700") == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return at_; }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
};

std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator()));
}

class ImportRunTest : public testing::Test {
protected:
    void SetUp() override {
        database_ = testing_support::newRollDatabase(dir_.path() / "ruolo.mdb");
        connect();
    }
    void connect() { dm_ = data::connectDatabase(modules_, database_); }

    void files(const std::vector<std::string>& headers, const std::vector<std::string>& details) {
        headerPath_ = writeRollFile(dir_.path() / "testate.csv", headers);
        detailPath_ = writeRollFile(dir_.path() / "dettagli.csv", details);
    }
    importer::ImportRequest request() const { return {headerPath_, detailPath_, database_}; }
    ImportOutcome run(ScriptedHost& host) { return importer::runImport(request(), dm_, host); }

    // Fills both tables with documents 1-3 (one detail each) and forgets what the host saw.
    void importFirstRoll() {
        files({header(1), header(2), header(3)}, {detail(1), detail(2), detail(3)});
        ScriptedHost host;
        ASSERT_EQ(run(host), ImportOutcome::Completed);
    }
    Rows testate() const { return tableRows(database_, "Testate"); }
    Rows dettaglio() const { return tableRows(database_, "DettaglioVoci"); }

    testing_support::ItalianSettings italian_;
    ScratchDir dir_;
    data::DataModules modules_;
    std::string database_, headerPath_, detailPath_;
    data::TDM* dm_ = nullptr;
};

TEST_F(ImportRunTest, BothTablesEmptyImportWithoutAQuestion) {
    files({header(1, "Nicol\xF2 Fabbr\xEC"), header(2), header(3)},
          {detail(1), detail(1, "   "), detail(2), detail(3, "Negozi", "\t")});
    ScriptedHost host;
    EXPECT_EQ(run(host), ImportOutcome::Completed);
    EXPECT_TRUE(host.asked.empty());
    EXPECT_THAT(host.activities, ElementsAre("", kHeaders, kDetails));
    EXPECT_THAT(host.told, ElementsAre("Operazione terminata"));
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(1, 2, 3));
    EXPECT_THAT(idDocs(database_, "DettaglioVoci"), ElementsAre(1, 2));  // two dropped
    EXPECT_EQ(testing_support::cell(database_, "Testate", 0, "contribuente"),
              mdb::Value(std::string("Nicol\u00f2 Fabbr\u00ec")));
    EXPECT_EQ(testing_support::cell(database_, "Testate", 0, "tassa_tariffa"), mdb::Value(1234.5));
    EXPECT_EQ(testing_support::cell(database_, "DettaglioVoci", 0, "imponibile"),
              mdb::Value(2345.6));
}

TEST_F(ImportRunTest, AnswerNoDeletesAndImportsNothingAndSaysNothing) {
    importFirstRoll();
    const Rows before = testate(), beforeDetails = dettaglio();
    files({header(7)}, {detail(7)});
    ScriptedHost host;
    host.answers = {false};
    EXPECT_EQ(run(host), ImportOutcome::NotConfirmed);
    EXPECT_THAT(host.asked, ElementsAre(kQuestion));
    EXPECT_TRUE(host.told.empty());
    EXPECT_THAT(host.activities, ElementsAre(""));
    EXPECT_EQ(host.bar.position(), 0);
    EXPECT_EQ(testate(), before);
    EXPECT_EQ(dettaglio(), beforeDetails);
}

TEST_F(ImportRunTest, AnswerYesReplacesBothTables) {
    importFirstRoll();
    files({header(7), header(8)}, {detail(8), detail(7), detail(7)});
    ScriptedHost host;
    host.answers = {true};
    EXPECT_EQ(run(host), ImportOutcome::Completed);
    EXPECT_THAT(host.asked, ElementsAre(kQuestion));
    EXPECT_THAT(host.activities, ElementsAre("Cancellazione testate", "", kHeaders, kDetails));
    EXPECT_THAT(host.maximums.front(), 3);  // the delete loop's scale: Testate's record count
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(7, 8));
    EXPECT_THAT(idDocs(database_, "DettaglioVoci"), ElementsAre(8, 7, 7));
}

TEST_F(ImportRunTest, TestateEmptyButDettaglioVociNotStillAsks) {
    importFirstRoll();
    dm_->Q.setStatement("delete from Testate");
    dm_->Q.execute();
    files({header(5)}, {detail(5)});
    ScriptedHost host;
    host.answers = {true};
    EXPECT_EQ(run(host), ImportOutcome::Completed);
    EXPECT_THAT(host.asked, ElementsAre(kQuestion));
    EXPECT_EQ(host.maximums.front(), 0);
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(5));
    EXPECT_THAT(idDocs(database_, "DettaglioVoci"), ElementsAre(5));  // emptied before its pass
}

TEST_F(ImportRunTest, AnErrorOnHeaderLine10IsReportedBeforeAnythingIsDeleted) {
    importFirstRoll();
    const Rows before = testate(), beforeDetails = dettaglio();
    std::vector<std::string> headers;
    for (int doc = 1; doc <= 20; ++doc) headers.push_back(header(doc));
    headers[8] = exportLine({{1, "12.5"}}, 60, false);  // line 10 of the file
    files(headers, {detail(1)});
    ScriptedHost host;
    host.answers = {true};
    EXPECT_THAT([&] { run(host); }, ThrowsMessage<data::UserError>(StrEq(
                                        "'12.5' is not a valid integer value for field 'id doc'")));
    EXPECT_TRUE(host.asked.empty());
    EXPECT_TRUE(host.told.empty());
    EXPECT_EQ(testate(), before);
    EXPECT_EQ(dettaglio(), beforeDetails);
}

TEST_F(ImportRunTest, AnErrorInTheDetailFileAlsoStopsTheRunBeforeAnyDeletion) {
    importFirstRoll();
    const Rows before = testate();
    files({header(4)}, {detail(4), exportLine({{1, "4"}, {16, "1,2,3"}}, 17, false)});
    ScriptedHost host;
    host.answers = {true};
    EXPECT_THAT([&] { run(host); },
                ThrowsMessage<data::UserError>(
                    StrEq("'1,2,3' is not a valid floating point value for field 'imponibile'")));
    EXPECT_TRUE(host.asked.empty());
    EXPECT_EQ(testate(), before);
}

TEST_F(ImportRunTest, WithErrorsInBothFilesTheHeaderFilesErrorIsReported) {
    // The detail file is checked alongside the header file and fails long before it: the header
    // file's error still wins, as if the files had been checked one after the other.
    std::vector<std::string> headers;
    for (int doc = 1; doc <= 3000; ++doc) headers.push_back(header(doc));
    headers.back() = exportLine({{1, "x"}}, 60, false);
    files(headers, {exportLine({{1, "1"}, {16, "1,2,3"}}, 17, false)});
    ScriptedHost host;
    EXPECT_THAT([&] { run(host); }, ThrowsMessage<data::UserError>(StrEq(
                                        "'x' is not a valid integer value for field 'id doc'")));
    EXPECT_TRUE(testate().empty());
}

TEST_F(ImportRunTest, ALineSpoiltAfterTheCheckStopsThePassAtThatLine) {
    // The header file is rewritten once both checks are done: the pass meets the error itself,
    // on the line where it is, after posting the lines before it.
    files({header(1), header(2), header(3), header(4)}, {detail(1)});
    ScriptedHost host;
    host.onLine = [&](importer::Pass pass, std::int64_t bytes, std::int64_t size) {
        if (pass == importer::Pass::CheckDetail && bytes == size)
            writeRollFile(headerPath_,
                          {header(1), header(2), exportLine({{1, "12.5"}}, 60, false), header(4)});
    };
    EXPECT_THAT([&] { run(host); }, ThrowsMessage<data::UserError>(StrEq(
                                        "'12.5' is not a valid integer value for field 'id doc'")));
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(1, 2));
    EXPECT_EQ(dm_->TTestate.state(), data::Dataset::State::Insert);  // the record it was filling
    EXPECT_TRUE(host.told.empty());
}

TEST_F(ImportRunTest, AFileWithoutSemicolonsChangesNothing) {
    importFirstRoll();
    const Rows before = testate();
    files({header(4)}, {});
    detailPath_ = writeRollFile(dir_.path() / "virgole.csv", {"4,Abitazioni,mq", "5,Negozi,mq"});
    ScriptedHost host;
    host.answers = {true};
    EXPECT_THAT([&] { run(host); },
                ThrowsMessage<data::UserError>(StrEq(
                    "Il file " + detailPath_ + " non contiene righe separate da punto e virgola")));
    EXPECT_EQ(testate(), before);
}

TEST_F(ImportRunTest, TheDetailFileVanishingAfterTheHeaderPassStopsTheRunThere) {
    importFirstRoll();
    const Rows beforeDetails = dettaglio();
    files({header(4), header(5)}, {detail(4)});
    ScriptedHost host;
    host.answers = {true};
    host.onLine = [&](importer::Pass pass, std::int64_t bytes, std::int64_t size) {
        if (pass == importer::Pass::Header && bytes == size) std::filesystem::remove(detailPath_);
    };
    EXPECT_THAT([&] { run(host); }, ThrowsMessage<data::UserError>(StrEq("File not found")));
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(4, 5));
    EXPECT_EQ(dettaglio(), beforeDetails);
    EXPECT_EQ(host.activities.back(), kHeaders);
    EXPECT_TRUE(host.told.empty());
}

TEST_F(ImportRunTest, EmptyHeaderLinesMakeNoRecord) {
    // A trailing empty line.
    headerPath_ = writeRollFile(dir_.path() / "testate.csv", {header(1), header(2), ""});
    detailPath_ = writeRollFile(dir_.path() / "dettagli.csv", {detail(1), ""});
    ScriptedHost host;
    EXPECT_EQ(run(host), ImportOutcome::Completed);
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(1, 2));
    EXPECT_THAT(idDocs(database_, "DettaglioVoci"), ElementsAre(1));

    // A later line of blanks or of semicolons only is not empty: it is imported, its fields null
    // or empty.
    files({header(3), "   ", ";;;"}, {detail(3)});
    ScriptedHost blanks;
    blanks.answers = {true};
    EXPECT_EQ(run(blanks), ImportOutcome::Completed);
    ASSERT_EQ(testate().size(), 3u);
    EXPECT_EQ(testing_support::cell(database_, "Testate", 1, "contribuente"),
              mdb::Value(std::string()));
    EXPECT_TRUE(mdb::isNull(testing_support::cell(database_, "Testate", 2, "id doc")));
}

// A file that cannot be a roll would only empty the table it feeds: it is refused before the
// question, and the database keeps every byte. Either file, any of the usual wrong picks.
TEST_F(ImportRunTest, AnInputFileWithNoDataLineIsRefusedBeforeTheQuestion) {
    importFirstRoll();
    const std::string before = fileBytes(database_);
    const std::pair<const char*, std::string> wrongFiles[] = {
        {"empty", ""},
        {"title row only", "COLONNA 1;COLONNA 2\r\n"},
        {"one word", "abc"},
        {"1 KB of NUL bytes", std::string(1024, '\0')},
        {"lines ended by CR alone", "titolo\r" + header(4) + "\r" + header(5) + "\r"},
    };
    for (const auto& [label, content] : wrongFiles) {
        for (const bool asHeader : {true, false}) {
            SCOPED_TRACE(std::string(label) + (asHeader ? " as header file" : " as detail file"));
            files({header(4)}, {detail(4)});
            std::string& path = asHeader ? headerPath_ : detailPath_;
            path = (dir_.path() / "sbagliato.csv").string();
            std::ofstream(path, std::ios::binary) << content;
            ScriptedHost host;
            host.answers = {true};
            EXPECT_THAT([&] { run(host); },
                        ThrowsMessage<data::UserError>(
                            StrEq("Il file " + path + " non contiene righe di dati")));
            EXPECT_TRUE(host.asked.empty());
            EXPECT_EQ(fileBytes(database_), before);
        }
    }
}

TEST(ProgressMaximum, OneUnitPer25600Bytes) {
    const std::pair<std::int64_t, int> cases[] = {
        {0, 0},     {20000, 0},    {25599, 0}, {25600, 1},         {51199, 1},
        {51200, 2}, {1000000, 39}, {-1, 0},    {360000000, 14062}, {int64_t{1} << 50, 2147483647},
    };
    for (const auto& [bytes, maximum] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(importer::progressMaximumFor(bytes), maximum);
    }
}

TEST_F(ImportRunTest, TheBarGrowsByTwoPerLineCappedAndIsNotResetBetweenPasses) {
    std::vector<std::string> headers, details;
    for (int doc = 1; headers.size() * 200 < 30000; ++doc) headers.push_back(header(doc));
    for (int doc = 1; details.size() * 100 < 60000; ++doc) details.push_back(detail(doc));
    files(headers, details);
    ASSERT_EQ(importer::progressMaximumFor(std::filesystem::file_size(headerPath_)), 1);
    ASSERT_EQ(importer::progressMaximumFor(std::filesystem::file_size(detailPath_)), 2);
    ScriptedHost host;
    host.bar.setMaximum(50);
    host.bar.setPosition(40);  // left by an earlier run
    ASSERT_EQ(run(host), ImportOutcome::Completed);
    EXPECT_THAT(host.maximums, ElementsAre(1, 2));
    // Step 5 clears the bar; the header pass fills its one unit at once; setting the detail
    // maximum keeps that position, and the detail pass takes it to 2.
    EXPECT_EQ(host.positions.front(), 0);
    const auto detailMaximum =
        std::find(host.positions.begin() + 1, host.positions.end(), 2) - host.positions.begin();
    EXPECT_GT(detailMaximum, 2);
    for (std::size_t i = 1; i < host.positions.size(); ++i) {
        EXPECT_GE(host.positions[i], host.positions[i - 1]) << "at change " << i;
    }
    EXPECT_EQ(host.bar.position(), 2);

    // Files under 25,600 bytes: the bar stays empty.
    files({header(1)}, {detail(1)});
    ScriptedHost small;
    small.answers = {true};
    ASSERT_EQ(run(small), ImportOutcome::Completed);
    EXPECT_THAT(small.maximums, ElementsAre(testing::_, 0, 0));
    EXPECT_EQ(small.bar.position(), 0);
}

TEST_F(ImportRunTest, StopsBeforeTouchingAnythingWithoutItsFilesOrItsDatabase) {
    importFirstRoll();
    const Rows before = testate();
    files({header(9)}, {detail(9)});
    ScriptedHost host;
    host.answers = {true, true, true};

    importer::ImportRequest missing = request();
    missing.headerPath = (dir_.path() / "nessuno.csv").string();
    EXPECT_EQ(importer::runImport(missing, dm_, host), ImportOutcome::FilesNotFound);
    missing = request();
    missing.detailPath = (dir_.path() / "nessuno.csv").string();
    EXPECT_EQ(importer::runImport(missing, dm_, host), ImportOutcome::FilesNotFound);
    EXPECT_EQ(host.notFound, 2);
    // With the files missing, not even the data module is looked at.
    EXPECT_EQ(importer::runImport(missing, nullptr, host), ImportOutcome::FilesNotFound);

    EXPECT_THAT([&] { importer::runImport(request(), nullptr, host); },
                ThrowsMessage<data::UserError>(
                    StrEq("Nessuna banca dati connessa: il file della banca dati non esiste. "
                          "Riavviare il programma indicando un file .mdb esistente")));

    const std::string other = (dir_.path() / "altro.mdb").string();
    std::filesystem::copy_file(database_, other);
    importer::ImportRequest elsewhere = request();
    elsewhere.databasePath = other;
    EXPECT_THAT([&] { importer::runImport(elsewhere, dm_, host); },
                ThrowsMessage<data::UserError>(
                    StrEq("La banca dati indicata non è quella connessa: riavviare il programma "
                          "per usare il nuovo file")));
    // The same file by another spelling is the connected database.
    elsewhere.databasePath = (dir_.path() / "." / "ruolo.mdb").string();
    EXPECT_EQ(importer::runImport(elsewhere, dm_, host), ImportOutcome::Completed);

    EXPECT_EQ(host.asked.size(), 1u);  // only the last run got that far
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(9));
    EXPECT_THAT(idDocs(other, "Testate"), ElementsAre(1, 2, 3));
}

TEST_F(ImportRunTest, ARowTheDatabaseRefusesStopsTheRunWhereItHappens) {
    // A Testate whose "contribuente" holds only 10 characters: the field keeps 255.
    mdb::TableSchema narrow = data::testateTable();
    for (mdb::ColumnSchema& c : narrow.columns) {
        if (c.name == "contribuente") c.size = 10;
    }
    database_ = (dir_.path() / "stretto.mdb").string();
    mdb::createDatabase(database_, {narrow, data::dettaglioVociTable()});
    connect();
    files({header(1, "Rossi"), header(2, "Esposito Gennaro"), header(3, "Bianchi")}, {detail(1)});
    ScriptedHost host;
    try {
        run(host);
        FAIL() << "the database took a text longer than its column";
    } catch (const data::UserError& e) {
        const std::string message = e.what();
        EXPECT_THAT(message, testing::HasSubstr("contribuente"));
        EXPECT_NE(message.back(), '.');
    }
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(1));  // what was posted stays
    EXPECT_TRUE(host.told.empty());
    EXPECT_EQ(dm_->TTestate.state(), data::Dataset::State::Insert);  // the refused record

    // The next run drops that record when it reopens the datasets.
    files({header(1, "Rossi"), header(2, "Neri")}, {detail(1)});
    ScriptedHost again;
    again.answers = {true};
    EXPECT_EQ(run(again), ImportOutcome::Completed);
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(1, 2));
}

// A real full disk: a small tmpfs, where the machine lets this test mount one (as root). The
// rows of the write that failed are lost; the message says which table was being filled and up
// to which line of which file each table's rows are stored, and the tables hold exactly those.
TEST_F(ImportRunTest, AFullDiskSaysUpToWhichLineEachTableHoldsItsRows) {
    SmallDisk detailDisk(dir_.path() / "disk1"), headerDisk(dir_.path() / "disk2");
    if (!detailDisk.mounted() || !headerDisk.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const auto failure = [&](ScriptedHost& host) {
        try {
            run(host);
        } catch (const data::UserError& e) {
            return std::string(e.what());
        }
        return std::string();
    };

    // Full while filling DettaglioVoci.
    database_ = testing_support::newRollDatabase(detailDisk.path() / "ruolo.mdb");
    connect();
    std::vector<std::string> details;
    for (int doc = 1; doc <= 20000; ++doc)
        details.push_back(doc == 2 ? detail(doc, "   ") : detail(doc));
    files({header(1), header(2), "", header(3)}, details);
    ScriptedHost host;
    std::string message = failure(host);
    // The rows written since the last commit go back with the failed write: DettaglioVoci holds
    // a prefix of its lines, which may be none. The message says which, and the table agrees.
    std::string start =
        "Could not write to '" + database_ +
        "': No space left on device. L'importazione si è interrotta durante l'inserimento "
        "nella tabella DettaglioVoci: la tabella Testate contiene le righe del file " +
        headerPath_ + " fino alla riga 5; la tabella DettaglioVoci ";
    ASSERT_THAT(message, testing::StartsWith(start));
    EXPECT_THAT(idDocs(database_, "Testate"), ElementsAre(1, 2, 3));
    const std::vector<std::int32_t> ids = idDocs(database_, "DettaglioVoci");
    const std::string detailAccount = message.substr(start.size());
    if (detailAccount == "è vuota") {
        EXPECT_TRUE(ids.empty());
    } else {
        const std::string upTo = "contiene le righe del file " + detailPath_ + " fino alla riga ";
        ASSERT_THAT(detailAccount, testing::StartsWith(upTo));
        const std::string lastLine = detailAccount.substr(upTo.size());
        const int line = std::stoi(lastLine);
        EXPECT_EQ(lastLine, std::to_string(line));
        ASSERT_GT(line, 2);
        ASSERT_LT(line, 20001);
        // Line 3, the second detail, was dropped: the rows are those of line 2 and lines 4 to
        // `line`.
        ASSERT_EQ(ids.size(), static_cast<std::size_t>(line - 2));
        EXPECT_EQ(ids[0], 1);
        EXPECT_EQ(ids[1], 3);
        EXPECT_EQ(ids.back(), line - 1);
    }
    EXPECT_TRUE(host.told.empty());

    // Full while filling Testate: DettaglioVoci has not been emptied yet.
    database_ = testing_support::newRollDatabase(headerDisk.path() / "ruolo.mdb");
    connect();
    importFirstRoll();
    std::vector<std::string> headers;
    for (int doc = 1; doc <= 20000; ++doc) headers.push_back(header(doc));
    files(headers, {detail(9)});
    ScriptedHost yes;
    yes.answers = {true};
    message = failure(yes);
    start = "Could not write to '" + database_ +
            "': No space left on device. L'importazione si è interrotta durante l'inserimento "
            "nella tabella Testate: la tabella Testate contiene le righe del file " +
            headerPath_ + " fino alla riga ";
    const std::string end = "; la tabella DettaglioVoci contiene ancora i dati di prima";
    const std::string emptied = "Could not write to '" + database_ +
                                "': No space left on device. L'importazione si è interrotta "
                                "durante l'inserimento nella tabella Testate: la tabella Testate "
                                "è vuota" +
                                end;
    if (message == emptied) {
        EXPECT_TRUE(idDocs(database_, "Testate").empty());
    } else {
        ASSERT_THAT(message, testing::AllOf(testing::StartsWith(start), testing::EndsWith(end)));
        const int headerLine = std::stoi(message.substr(start.size()));
        ASSERT_GT(headerLine, 1);
        EXPECT_EQ(idDocs(database_, "Testate").size(), static_cast<std::size_t>(headerLine - 1));
    }
    EXPECT_THAT(idDocs(database_, "DettaglioVoci"), ElementsAre(1, 2, 3));
}

TEST_F(ImportRunTest, TheInputFilesAreReleasedWhenARunEndsOrFails) {
    files({header(1)}, {detail(1)});
    const std::size_t before = openDescriptors();
    ScriptedHost host;
    ASSERT_EQ(run(host), ImportOutcome::Completed);
    EXPECT_EQ(openDescriptors(), before);
    files({header(1), exportLine({{1, "x"}}, 60)}, {detail(1)});
    ScriptedHost failing;
    failing.answers = {true};
    EXPECT_THROW(run(failing), data::UserError);
    EXPECT_EQ(openDescriptors(), before);
}

}  // namespace

// End to end: brelvano-import on new roll databases under LC_ALL=it_IT.UTF-8, the tables read
// back value by value through the engine and through mdb-export (mdbtools, an independent
// reader), and the tool's exit codes and messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/scratch_dir.h"
#include "import/roll_database.h"
#include "import/roll_lines.h"

namespace {

using testing::ElementsAre;
using testing_support::exportLine;
using testing_support::ScratchDir;
using testing_support::writeRollFile;

const std::string kTool = BRELVANO_BINARY_DIR "/tools/brelvano-import";
const std::string kGenerator = BRELVANO_BINARY_DIR "/bench/brelvano-gen-roll";
const std::string kDbTool = BRELVANO_BINARY_DIR "/tools/brelvano-db";

std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs `command` through the shell with standard input from /dev/null.
Outcome shell(const ScratchDir& dir, const std::string& command) {
    const std::string out = dir / "out.txt", err = dir / "err.txt";
    const int raw = std::system(
        (command + " </dev/null >" + shellQuoted(out) + " 2>" + shellQuoted(err)).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

Outcome importTool(const ScratchDir& dir, const std::string& header, const std::string& detail,
                   const std::string& database, const std::string& extra = "") {
    return shell(dir, "LC_ALL=it_IT.UTF-8 " + shellQuoted(kTool) + " --header " +
                          shellQuoted(header) + " --detail " + shellQuoted(detail) +
                          " --database " + shellQuoted(database) + extra);
}

// A CSV record as mdb-export writes it: fields quoted with '"', quotes doubled; one per line.
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            inQuotes = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// mdb-export's rows of a table (dates as ISO), without the title row, in the order of their
// first column (the autonumber "ID").
std::vector<std::vector<std::string>> exported(const ScratchDir& dir, const std::string& database,
                                               const char* table) {
    const Outcome o = shell(dir, "mdb-export -H -T '%Y-%m-%d %H:%M:%S' " + shellQuoted(database) +
                                     " " + shellQuoted(table));
    EXPECT_EQ(o.status, 0) << o.err;
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);) rows.push_back(csvFields(line));
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return std::stol(a[0]) < std::stol(b[0]);
    });
    return rows;
}

// Windows-1252 text of the Latin-1 letters the rolls hold, as UTF-8.
std::string utf8(const std::string& cp1252) {
    std::string out;
    for (unsigned char c : cp1252) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The columns of a generated line, read without the program's own splitter: «="a";="b"».
std::vector<std::string> generatedColumns(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> columns;
    const std::string separator = "\";=\"";
    line = line.substr(2, line.size() - 3);  // drop the first «="» and the last «"»
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find(separator, start);
        columns.push_back(line.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + separator.size();
    }
    return columns;
}

// «1.234,50» as a number.
double italianAmount(std::string text) {
    std::string plain;
    for (char c : text) {
        if (c != '.') plain += c == ',' ? '.' : c;
    }
    return std::stod(plain);
}

bool mdbtoolsPresent() { return std::system("command -v mdb-export >/dev/null 2>&1") == 0; }

class ImportToolTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kTool)) GTEST_SKIP() << "no " << kTool;
        database_ = testing_support::newRollDatabase(dir_.path() / "ruolo.mdb");
    }
    std::string cell(const char* table, std::size_t row, const char* column) const {
        return std::get<std::string>(testing_support::cell(database_, table, row, column));
    }
    void importAGeneratedRollAndMatchItsFiles();

    ScratchDir dir_;
    std::string database_;
};

TEST_F(ImportToolTest, AHandWrittenRollReadBackValueByValue) {
    const std::string header = writeRollFile(
        dir_.path() / "testate.csv",
        {
            // A full document: accents, Italian amounts and dates, an empty VAT number.
            exportLine({{1, "41"},
                        {2, "1007"},
                        {3, "31/12/2020"},
                        {5, "not used"},
                        {17, "Nicol\xF2 Fabbr\xEC"},
                        {18, "Via dell'Universit\xE0 3 - Forl\xEC"},
                        {21, "01/02/1970"},
                        {22, "Cant\xF9"},
                        {23, "CO"},
                        {24, "NCLFBR70B01B639X"},
                        {25, ""},
                        {44, "1.234,50"},
                        {45, "61,73"},
                        {46, "0,00"},
                        {48, "-2,5"},
                        {54, "1.296,23"},
                        {55, "-0,23"},
                        {56, "1.296,00"}},
                       60, false),
            // A short line: 20 columns.
            exportLine({{1, "42"}, {3, "01/06/2021"}, {17, "Rossi Mario"}}, 20, false),
            // Exactly 56 columns, the last without ";": "totale importo dovuto" is never read.
            exportLine({{1, "43"}, {55, "0,49"}, {56, "9,99"}}, 56, false),
            "",  // a trailing empty line: no record
        });
    const std::string detail = writeRollFile(
        dir_.path() / "dettagli.csv",
        {
            exportLine({{1, "1.024"},
                        {2, "1"},
                        {3, "U.10.1"},
                        {4, "P7"},
                        {5, "ACC.3"},
                        {6, "Attivit\xE0 artigianali"},
                        {7, "Tariffa quota fissa"},
                        {8, "Quota fissa"},
                        {9, "1.250,5"},
                        {10, "m.q."},
                        {11, "2,10"},
                        {12, "01.01.2025"},
                        {13, "31.12.2025"},
                        {14, "365"},
                        {15, "giorni"},
                        {16, "2.626,05"}},
                       17, false),
            exportLine({{1, "41"}, {6, "   "}, {10, "mq"}}, 17, false),     // no category
            exportLine({{1, "41"}, {6, "Negozi"}, {10, " "}}, 17, false),   // no unit
            exportLine({{1, "42"}, {6, "Negozi"}, {10, "mq"}}, 11, false),  // short line
        });
    const Outcome o = importTool(dir_, header, detail, database_);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Operazione terminata\n");

    const auto value = [&](const char* table, std::size_t row, const char* column) {
        return testing_support::cell(database_, table, row, column);
    };
    ASSERT_EQ(testing_support::tableRows(database_, "Testate").size(), 3u);
    EXPECT_EQ(value("Testate", 0, "ID"), mdb::Value(std::int32_t{1}));
    EXPECT_EQ(value("Testate", 0, "id doc"), mdb::Value(std::int32_t{41}));
    EXPECT_EQ(value("Testate", 0, "num doc"), mdb::Value(std::int32_t{1007}));
    EXPECT_EQ(value("Testate", 0, "data doc"),
              mdb::Value(mdb::DateTime{testing_support::daysOf(2020, 12, 31)}));
    EXPECT_EQ(cell("Testate", 0, "contribuente"), "Nicol\u00f2 Fabbr\u00ec");
    EXPECT_EQ(cell("Testate", 0, "residenza"), "Via dell'Universit\u00e0 3 - Forl\u00ec");
    EXPECT_EQ(cell("Testate", 0, "data nascita"), "01/02/1970");
    EXPECT_EQ(cell("Testate", 0, "luogo nascita"), "Cant\u00f9");
    EXPECT_EQ(cell("Testate", 0, "prov nascita"), "CO");
    EXPECT_EQ(cell("Testate", 0, "codice fiscale"), "NCLFBR70B01B639X");
    EXPECT_EQ(cell("Testate", 0, "partita iva"), "");  // an empty string, not null
    EXPECT_EQ(value("Testate", 0, "tassa_tariffa"), mdb::Value(1234.5));
    EXPECT_EQ(value("Testate", 0, "add prov"), mdb::Value(61.73));
    EXPECT_EQ(value("Testate", 0, "add erario"), mdb::Value(0.0));
    EXPECT_TRUE(mdb::isNull(value("Testate", 0, "add ex eca")));
    EXPECT_EQ(value("Testate", 0, "interessi"), mdb::Value(-2.5));
    EXPECT_EQ(value("Testate", 0, "totale importo"), mdb::Value(1296.23));
    EXPECT_EQ(value("Testate", 0, "arrotondamento"), mdb::Value(-0.23));
    EXPECT_EQ(value("Testate", 0, "totale importo dovuto"), mdb::Value(1296.0));
    for (const char* never : {"imponibile soggetto iva", "codice catastale", "iva"}) {
        EXPECT_TRUE(mdb::isNull(value("Testate", 0, never))) << never;
    }
    EXPECT_EQ(cell("Testate", 1, "contribuente"), "Rossi Mario");
    EXPECT_EQ(cell("Testate", 1, "codice fiscale"), "");
    EXPECT_TRUE(mdb::isNull(value("Testate", 1, "tassa_tariffa")));
    EXPECT_EQ(value("Testate", 2, "arrotondamento"), mdb::Value(0.49));
    EXPECT_TRUE(mdb::isNull(value("Testate", 2, "totale importo dovuto")));

    ASSERT_EQ(testing_support::tableRows(database_, "DettaglioVoci").size(), 2u);
    EXPECT_EQ(value("DettaglioVoci", 0, "id doc"), mdb::Value(std::int32_t{1024}));
    EXPECT_EQ(cell("DettaglioVoci", 0, "cod utenza"), "U101");
    EXPECT_EQ(cell("DettaglioVoci", 0, "accesso utenza"), "ACC3");
    EXPECT_EQ(cell("DettaglioVoci", 0, "categoria"), "Attivit\u00e0 artigianali");
    EXPECT_EQ(cell("DettaglioVoci", 0, "quantita"), "1250,5");
    EXPECT_EQ(cell("DettaglioVoci", 0, "um quantita"), "mq");
    EXPECT_EQ(cell("DettaglioVoci", 0, "prezzo"), "2,10");
    EXPECT_EQ(cell("DettaglioVoci", 0, "data inizio"), "01012025");
    EXPECT_EQ(cell("DettaglioVoci", 0, "data fine"), "31122025");
    EXPECT_EQ(cell("DettaglioVoci", 0, "tempo"), "365");
    EXPECT_EQ(value("DettaglioVoci", 0, "imponibile"), mdb::Value(2626.05));
    EXPECT_TRUE(mdb::isNull(value("DettaglioVoci", 0, "periodo")));
    EXPECT_EQ(value("DettaglioVoci", 1, "id doc"), mdb::Value(std::int32_t{42}));
    EXPECT_TRUE(mdb::isNull(value("DettaglioVoci", 1, "imponibile")));
    EXPECT_EQ(cell("DettaglioVoci", 1, "data inizio"), "");

    if (!mdbtoolsPresent()) GTEST_SKIP() << "mdbtools not installed";
    const auto testate = exported(dir_, database_, "Testate");
    ASSERT_EQ(testate.size(), 3u);
    EXPECT_THAT(testate[0],
                ElementsAre("1", "41", "2020-12-31 00:00:00", "1007", "Nicol\u00f2 Fabbr\u00ec",
                            "Via dell'Universit\u00e0 3 - Forl\u00ec", "01/02/1970", "Cant\u00f9",
                            "NCLFBR70B01B639X", "CO", "", "61.73", "1234.5", "0", "", "-2.5", "",
                            "", "", "", "", "-0.23", "1296.23", "", "1296", "", ""));
    const auto details = exported(dir_, database_, "DettaglioVoci");
    ASSERT_EQ(details.size(), 2u);
    EXPECT_THAT(details[0],
                ElementsAre("1", "U101", "1024", "P7", "ACC3", "Attivit\u00e0 artigianali",
                            "Tariffa quota fissa", "Quota fissa", "1250,5", "mq", "2,10",
                            "01012025", "31122025", "2626.05", "365", "giorni", ""));
}

// Imports a generated roll of 1500 documents into `database_` and reads every row back against
// the lines of the files.
void ImportToolTest::importAGeneratedRollAndMatchItsFiles() {
    const Outcome generated = shell(
        dir_, shellQuoted(kGenerator) + " --dir " + shellQuoted(dir_.path()) + " --documents 1500");
    ASSERT_EQ(generated.status, 0) << generated.err;
    const std::string header = dir_ / "testate.csv", detail = dir_ / "dettagli.csv";
    const Outcome o = importTool(dir_, header, detail, database_);
    ASSERT_EQ(o.status, 0) << o.err;

    // Every header line against its row, read with a splitter of the test's own.
    std::ifstream headerLines(header, std::ios::binary);
    std::string line;
    std::getline(headerLines, line);  // title row
    const auto testate = testing_support::tableRows(database_, "Testate");
    auto db = mdb::Database::open(database_, mdb::OpenMode::ReadOnly);
    const mdb::Table& t = db->table("Testate");
    const std::size_t idDoc = *t.findColumn("id doc"), name = *t.findColumn("contribuente"),
                      tariff = *t.findColumn("tassa_tariffa"),
                      total = *t.findColumn("totale importo dovuto");
    std::size_t row = 0;
    while (std::getline(headerLines, line)) {
        ASSERT_LT(row, testate.size());
        const std::vector<std::string> c = generatedColumns(line);
        SCOPED_TRACE("header line " + std::to_string(row + 2));
        EXPECT_EQ(testate[row][idDoc], mdb::Value(std::stoi(c[0])));
        EXPECT_EQ(testate[row][name], mdb::Value(utf8(c[16])));
        EXPECT_EQ(testate[row][tariff], mdb::Value(italianAmount(c[43])));
        EXPECT_EQ(testate[row][total], mdb::Value(italianAmount(c[55])));
        ++row;
    }
    EXPECT_EQ(row, 1500u);
    EXPECT_EQ(testate.size(), 1500u);

    // Detail lines: kept exactly when they name a category and a unit.
    std::ifstream detailLines(detail, std::ios::binary);
    std::getline(detailLines, line);
    const auto dettaglio = testing_support::tableRows(database_, "DettaglioVoci");
    const mdb::Table& d = db->table("DettaglioVoci");
    const std::size_t category = *d.findColumn("categoria"), taxable = *d.findColumn("imponibile");
    std::size_t kept = 0, dropped = 0;
    while (std::getline(detailLines, line)) {
        const std::vector<std::string> c = generatedColumns(line);
        const bool keep = c[5].find_first_not_of(' ') != std::string::npos && !c[9].empty();
        if (!keep) {
            ++dropped;
            continue;
        }
        ASSERT_LT(kept, dettaglio.size());
        EXPECT_EQ(dettaglio[kept][category], mdb::Value(utf8(c[5])));
        EXPECT_EQ(dettaglio[kept][taxable], mdb::Value(italianAmount(c[15])));
        ++kept;
    }
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(dettaglio.size(), kept);

    // The file stays sound, and an independent reader counts the same rows.
    const Outcome verify = shell(dir_, shellQuoted(kDbTool) + " verify " + shellQuoted(database_));
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    if (mdbtoolsPresent()) {
        EXPECT_EQ(exported(dir_, database_, "Testate").size(), 1500u);
        EXPECT_EQ(exported(dir_, database_, "DettaglioVoci").size(), kept);
    }
}

TEST_F(ImportToolTest, AGeneratedRollMatchesItsFilesRowForRow) {
    if (!std::filesystem::exists(kGenerator)) GTEST_SKIP() << "no " << kGenerator;
    importAGeneratedRollAndMatchItsFiles();
}

// The same into an office's Access 97 file that has been given the roll's tables: 8-bit text in
// its code page, 2 KB pages, Access 97's index keys.
TEST_F(ImportToolTest, AGeneratedRollMatchesItsFilesInAnAccess97Database) {
    if (!std::filesystem::exists(kGenerator)) GTEST_SKIP() << "no " << kGenerator;
    REQUIRE_FIXTURES();
    database_ = dir_ / "ufficio97.mdb";
    std::filesystem::copy_file(testing_support::fixture("testV1997.mdb"), database_);
    std::filesystem::permissions(
        database_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    data::addRollTables(database_);
    importAGeneratedRollAndMatchItsFiles();
    EXPECT_EQ(mdb::Database::open(database_, mdb::OpenMode::ReadOnly)->info().formatName,
              "Jet 3 (Access 97)");
}

TEST_F(ImportToolTest, ExitCodesAndMessages) {
    const std::string header = writeRollFile(dir_.path() / "t.csv", {exportLine({{1, "1"}}, 60)});
    const std::string detail =
        writeRollFile(dir_.path() / "d.csv", {exportLine({{1, "1"}, {6, "A"}, {10, "mq"}}, 17)});

    EXPECT_EQ(importTool(dir_, header, detail, database_).status, 0);
    // Data in the tables, standard input not a terminal, no --yes: not confirmed.
    Outcome o = importTool(dir_, header, detail, database_);
    EXPECT_EQ(o.status, 3);
    EXPECT_THAT(o.err, testing::HasSubstr("Le tabelle contengono dei dati, li elimino? "));
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(importTool(dir_, header, detail, database_, " --yes").status, 0);

    // An error, shown as the error display shows it (the date message gets its final point).
    const std::string bad =
        writeRollFile(dir_.path() / "bad.csv", {exportLine({{1, "2"}, {3, "2020-12-31"}}, 60)});
    o = importTool(dir_, bad, detail, database_, " --yes");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "'2020-12-31' is not a valid date and time.\n");
    EXPECT_THAT(testing_support::tableRows(database_, "Testate"), testing::SizeIs(1));
    o = importTool(dir_, header, detail, (dir_ / "nessuna.mdb"), " --yes");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err,
              "Nessuna banca dati connessa: il file della banca dati non esiste. Riavviare il "
              "programma indicando un file .mdb esistente.\n");
    o = importTool(dir_, dir_ / "nessuno.csv", detail, database_);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "NON TROVATO\n");

    for (const std::string& args :
         {std::string(), std::string(" --header x"), std::string(" --header a --detail b"),
          std::string(" --header a --detail b --database c --no"),
          std::string(" --header a --header a --detail b --database c")}) {
        SCOPED_TRACE(args);
        o = shell(dir_, shellQuoted(kTool) + args);
        EXPECT_EQ(o.status, 2);
        EXPECT_THAT(o.err, testing::StartsWith("usage: brelvano-import"));
    }
}

// Files that cannot be a roll are refused before the question, the database keeping every byte:
// an empty file, and a 2 GB file with no line feed, read with flat memory.
TEST_F(ImportToolTest, AFileThatCannotBeARollIsRefusedWithFlatMemoryAndTheDatabaseUntouched) {
    const std::string header = writeRollFile(dir_.path() / "t.csv", {exportLine({{1, "1"}}, 60)});
    const std::string detail =
        writeRollFile(dir_.path() / "d.csv", {exportLine({{1, "1"}, {6, "A"}, {10, "mq"}}, 17)});
    ASSERT_EQ(importTool(dir_, header, detail, database_).status, 0);
    const std::string before = slurp(database_);

    const std::string empty = dir_ / "vuoto.csv";
    std::ofstream(empty, std::ios::binary).flush();
    Outcome o = importTool(dir_, header, empty, database_, " --yes");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "Il file " + empty + " non contiene righe di dati.\n");

    const std::string endless = dir_ / "sparso.csv";
    std::ofstream(endless, std::ios::binary).flush();
    std::filesystem::resize_file(endless, std::uintmax_t{2} << 30);  // sparse: no disk space
    o = importTool(dir_, endless, detail, database_, " --yes");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "La riga 1 del file " + endless + " supera la lunghezza massima di 4 MB.\n");
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer's shadow memory alone is larger than the bound
    rusage children{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 128 * 1024) << "peak kilobytes of a child";
#endif
    EXPECT_EQ(slurp(database_), before);
}

// A field text the conversion cannot read is named in UTF-8 whatever bytes it holds: the code
// page's letters as letters, a byte the code page leaves undefined and a NUL in a visible form.
TEST_F(ImportToolTest, ConversionMessagesNameTheTextWithEveryByteVisible) {
    const std::string detail =
        writeRollFile(dir_.path() / "d.csv", {exportLine({{1, "1"}, {6, "A"}, {10, "mq"}}, 17)});
    struct Case {
        int column;
        std::string value;
        std::string message;
    };
    const Case cases[] = {
        {1, "1\x80\xE8\xFF\x81",
         "'1\u20ac\u00e8\u00ff<81>' is not a valid integer value for field 'id doc'"},
        {44, "2\x80", "'2\u20ac' is not a valid floating point value for field 'tassa_tariffa'"},
        {3, "\xE8", "'\u00e8' is not a valid date and time."},
        // A NUL hides the rest of the line from the normalisation: the quote stays in the text.
        {1,
         std::string("1\0"
                     "2",
                     3),
         "'1\u24002\"' is not a valid integer value for field 'id doc'"},
        {44,
         std::string("\0"
                     "5",
                     2),
         "'\u24005\"' is not a valid floating point value for field 'tassa_tariffa'"},
        {3, std::string("\0\t", 2), "'\u2400\u2409\"' is not a valid date and time."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string header =
            writeRollFile(dir_.path() / "t.csv", {exportLine({{c.column, c.value}}, 60)});
        const Outcome o = importTool(dir_, header, detail, database_);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, c.message + "\n");
    }
}

TEST_F(ImportToolTest, TheLocaleDecidesHowAmountsAreRead) {
    const std::string header = writeRollFile(
        dir_.path() / "t.csv", {exportLine({{1, "1"}, {44, "12.50"}, {45, "1,5"}}, 60)});
    const std::string detail =
        writeRollFile(dir_.path() / "d.csv", {exportLine({{1, "1"}, {6, "A"}, {10, "mq"}}, 17)});
    // Under the C locale the decimal separator is "." and the points are removed first:
    // «12.50» becomes 1250, and «1,5» is no number.
    Outcome o = shell(dir_, "LC_ALL=C " + shellQuoted(kTool) + " --header " + shellQuoted(header) +
                                " --detail " + shellQuoted(detail) + " --database " +
                                shellQuoted(database_));
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "'1,5' is not a valid floating point value for field 'add prov'\n");
    o = importTool(dir_, header, detail, database_);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(testing_support::cell(database_, "Testate", 0, "tassa_tariffa"), mdb::Value(1250.0));
    EXPECT_EQ(testing_support::cell(database_, "Testate", 0, "add prov"), mdb::Value(1.5));
}

}  // namespace

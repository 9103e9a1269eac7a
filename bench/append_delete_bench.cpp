// append_delete_bench: appends rows one post at a time (each written to the file when its
// insert returns, as the import does), then deletes them all with one statement.
//
//   append_delete_bench [--rows N] [--table created|msp|table1|jobs] [--fixtures DIR]
//   [--dir DIR] [--verify]
//
// The rows go into a new table or into a copy of an Access-made one:
//   created a table of 16 columns made in a new database: an autonumber primary key, a Long
//           with a non-unique index, Integer, Byte, Currency, Double, DateTime, Yes/No and
//           eight Text columns with Unicode compression (the default);
//   msp     test2V2003.mdb MSP_PROJECTS: 16 of its 74 columns get values (Long, Integer,
//           DateTime, Double, Yes/No, Text), with unique indexes on PROJ_ID (Long, the key)
//           and PROJ_NAME (Text);
//   table1  testV2003.mdb Table1: all 9 columns (Text primary key, indexed Text, Byte,
//           Integer, Long, Double, DateTime, Currency, Yes/No);
//   jobs    testPromotionV2003.mdb jobDB1: 10 columns (Long, Double, Text), no index: the
//           cost of rows and pages alone.
// Prints rows per second for the appends, the time of the delete, the file's size and the
// process's resident memory along the way. Run under `strace -c -f` to count system calls.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "mdb/create.h"
#include "mdb/database.h"
#include "mdb/delete_statement.h"
#include "mdb/error.h"
#include "mdb/schema.h"
#include "mdb/verify.h"

namespace {

struct Options {
    long rows = 1000000;
    std::string table = "created";
    std::filesystem::path fixtures;
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    bool verify = false;
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// User plus system time the process has used so far.
double cpuSeconds() {
    struct rusage u {};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Fills `row` for row number i of the chosen table.
class RowFiller {
public:
    RowFiller(const mdb::Table& table, const std::string& kind)
        : table_(table),
          kind_(kind == "created" ? Kind::Created
                : kind == "msp"   ? Kind::Msp
                : kind == "jobs"  ? Kind::Jobs
                                  : Kind::Table1) {
        row_.resize(table.columns().size());
    }

    std::vector<mdb::Value>& make(long i) {
        const auto n = static_cast<std::int32_t>(i);
        next_ = 0;
        if (kind_ == Kind::Created) {
            set("Documento", static_cast<std::int32_t>(i / 5));
            set("Utenza", "U" + std::to_string(100000 + i % 90000));
            set("Posizione", "P" + std::to_string(i % 7));
            set("Indirizzo", "Via Garibaldi " + std::to_string(i % 1000) + ", citt\xC3\xA0");
            set("Categoria", std::string("Abitazioni civili"));
            set("Descrizione", "Tassa rifiuti, rata " + std::to_string(i % 4 + 1));
            set("Tipo", std::string("TARI"));
            set("Quantita", std::to_string(50 + i % 200));
            set("Unita", std::string("mq"));
            set("Anno", std::int16_t{2026});
            set("Rata", static_cast<std::uint8_t>(i % 4 + 1));
            set("Importo", mdb::Currency{12345 + i * 7});
            set("Aliquota", 1.25 + static_cast<double>(i % 100) / 100.0);
            set("Inizio", mdb::DateTime{46023.0 + static_cast<double>(i % 365)});
            set("Pagato", i % 3 == 0);
        } else if (kind_ == Kind::Msp) {
            set("PROJ_ID", n);
            set("PROJ_NAME", "Progetto " + std::to_string(i) + " - ruolo TARI");
            set("PROJ_OPT_CURRENCY_DIGITS", std::int16_t{2});
            set("PROJ_OPT_CURRENCY_POSITION", static_cast<std::int16_t>(i % 4));
            set("PROJ_OPT_CURRENCY_SYMBOL", std::string("\xE2\x82\xAC"));
            set("PROJ_INFO_CURRENT_DATE", mdb::DateTime{45000.0 + static_cast<double>(i % 365)});
            set("PROJ_OPT_MINUTES_PER_DAY", std::int32_t{480});
            set("PROJ_OPT_MINUTES_PER_WEEK", std::int32_t{2400});
            set("PROJ_OPT_DEF_OVT_RATE", 12.5 + static_cast<double>(i % 100));
            set("PROJ_OPT_DEF_STD_RATE", 10.25);
            set("PROJ_OPT_HONOR_CONSTRAINTS", i % 2 == 0);
            set("PROJ_LAST_SAVED", mdb::DateTime{45123.5});
            set("PROJ_PROJECT", "Comune di Brelvano, via Roma " + std::to_string(i % 500));
            set("PROJ_VERSION", std::string("1.0"));
            set("PROJ_TYPE", static_cast<std::int32_t>(i % 7));
            set("PROJ_MACHINE_ID", "Contribuente RSSMRA80A01H501U n. " + std::to_string(i));
        } else if (kind_ == Kind::Jobs) {
            set("ID", n);
            set("MainNumber", static_cast<std::int32_t>(i % 1000));
            set("PhaseNumber", static_cast<double>(i) * 0.25);
            set("JobName", "Contribuente " + std::to_string(i));
            set("JobType", std::string("TARI"));
            set("Department", "Via Garibaldi " + std::to_string(i % 1000) + ", citt\xC3\xA0");
            set("FullNumber", 1.5);
        } else {
            set("A", "K" + std::to_string(1000000000 + i));
            set("B", "Via Garibaldi " + std::to_string(i % 1000) + ", città");
            set("C", static_cast<std::uint8_t>(i % 256));
            set("D", static_cast<std::int16_t>(i % 30000));
            set("E", n);
            set("F", static_cast<double>(i) * 0.5);
            set("G", mdb::DateTime{40000.0 + static_cast<double>(i % 1000)});
            set("H", mdb::Currency{i * 100});
            set("I", i % 3 == 0);
        }
        return row_;
    }

private:
    // Every row sets the same columns in the same order, so the columns are looked up by name
    // for the first row only: finding them is not what is measured.
    void set(const char* column, mdb::Value value) {
        if (next_ == columns_.size()) columns_.push_back(*table_.findColumn(column));
        row_[columns_[next_++]] = std::move(value);
    }
    enum class Kind { Created, Msp, Jobs, Table1 };
    const mdb::Table& table_;
    Kind kind_;
    std::vector<mdb::Value> row_;
    std::vector<std::size_t> columns_;  // in the order set() is called
    std::size_t next_ = 0;
};

mdb::TableSchema createdTable(const std::string& name) {
    using mdb::ColumnType;
    auto text = [](const char* column, std::uint16_t size) {
        mdb::ColumnSchema c = mdb::columnSchema(column, ColumnType::Text, size);
        c.compressedUnicode = true;
        return c;
    };
    mdb::ColumnSchema id = mdb::columnSchema("ID", ColumnType::Long);
    id.autoNumber = true;
    return {.name = name,
            .columns = {id, mdb::columnSchema("Documento", ColumnType::Long), text("Utenza", 50),
                        text("Posizione", 50), text("Indirizzo", 255), text("Categoria", 180),
                        text("Descrizione", 100), text("Tipo", 50), text("Quantita", 30),
                        text("Unita", 30), mdb::columnSchema("Anno", ColumnType::Integer),
                        mdb::columnSchema("Rata", ColumnType::Byte),
                        mdb::columnSchema("Importo", ColumnType::Currency),
                        mdb::columnSchema("Aliquota", ColumnType::Double),
                        mdb::columnSchema("Inizio", ColumnType::DateTime),
                        mdb::columnSchema("Pagato", ColumnType::Boolean)},
            .indexes = {mdb::indexSchema("PrimaryKey", {"ID"}, mdb::IndexSchema::Kind::PrimaryKey),
                        mdb::indexSchema("Documento", {"Documento"})}};
}

bool parse(int argc, char** argv, Options& o) {
    if (const char* shared = std::getenv("BRELVANO_SHARED_DIR"))
        o.fixtures = std::filesystem::path(shared) / "fixtures" / "mdb";
    else
        o.fixtures = "../shared/fixtures/mdb";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--rows")
            o.rows = std::atol(next().c_str());
        else if (a == "--table")
            o.table = next();
        else if (a == "--fixtures")
            o.fixtures = next();
        else if (a == "--dir")
            o.dir = next();
        else if (a == "--verify")
            o.verify = true;
        else
            return false;
    }
    return o.rows > 0 &&
           (o.table == "created" || o.table == "msp" || o.table == "table1" || o.table == "jobs");
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::cerr << "usage: append_delete_bench [--rows N] [--table created|msp|table1|jobs] "
                     "[--fixtures DIR] [--dir DIR] [--verify]\n";
        return 2;
    }
    const bool created = o.table == "created", msp = o.table == "msp", jobs = o.table == "jobs";
    const std::string fixture = msp    ? "test2V2003.mdb"
                                : jobs ? "testPromotionV2003.mdb"
                                       : "testV2003.mdb";
    const std::string tableName = created ? "Voci"
                                  : msp   ? "MSP_PROJECTS"
                                  : jobs  ? "jobDB1"
                                          : "Table1";
    const std::filesystem::path path = o.dir / ("append_delete_bench_" + o.table + ".mdb");
    try {
        if (created) {
            std::filesystem::remove(path);
            mdb::createDatabase(path.string(), {createdTable(tableName)});
        } else {
            std::filesystem::copy_file(o.fixtures / fixture, path,
                                       std::filesystem::copy_options::overwrite_existing);
            std::filesystem::permissions(
                path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        }
        auto db = mdb::Database::open(path.string(), mdb::OpenMode::ReadWrite);
        mdb::Table& table = db->table(tableName);
        // The fixture's own rows would collide with ours; the delete is not what is measured.
        mdb::executeStatement(*db, "delete from " + tableName);
        RowFiller filler(table, o.table);
        std::printf("table %s (%s): %zu columns, %zu indexes; appending %ld rows to %s\n",
                    tableName.c_str(), created ? "new database" : fixture.c_str(),
                    table.columns().size(), table.physicalIndexes().size(), o.rows, path.c_str());
        const long startKiB = residentKiB();

        db->beginBatch();
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = cpuSeconds();
        for (long i = 0; i < o.rows; ++i) {
            table.insert(filler.make(i));
            if ((i + 1) % (o.rows / 4 > 0 ? o.rows / 4 : 1) == 0)
                std::printf("  %9ld rows  %7.2f s  %8.0f rows/s  RSS %ld KiB\n", i + 1,
                            seconds(start), static_cast<double>(i + 1) / seconds(start),
                            residentKiB());
        }
        const double appendSeconds = seconds(start);
        const double appendCpu = cpuSeconds() - startCpu;
        db->endBatch();  // the one sync
        const double withSync = seconds(start);
        std::printf(
            "appended %ld rows in %.2f s: %.0f rows/s (%.0f rows/s with the final sync); "
            "CPU %.2f s: %.0f rows per CPU second, %.2f us per row\n",
            o.rows, appendSeconds, static_cast<double>(o.rows) / appendSeconds,
            static_cast<double>(o.rows) / withSync, appendCpu,
            static_cast<double>(o.rows) / appendCpu, appendCpu * 1e6 / static_cast<double>(o.rows));
        std::printf("file %.1f MiB, row count %u, RSS %ld KiB (started at %ld KiB)\n",
                    static_cast<double>(std::filesystem::file_size(path)) / 1048576.0,
                    table.rowCount(), residentKiB(), startKiB);

        const long beforeDeleteKiB = residentKiB();
        db->beginBatch();
        const auto deleteStart = std::chrono::steady_clock::now();
        const double deleteStartCpu = cpuSeconds();
        const std::uint32_t deleted = mdb::executeStatement(*db, "delete from " + tableName);
        const double deleteSeconds = seconds(deleteStart);
        const double deleteCpu = cpuSeconds() - deleteStartCpu;
        db->endBatch();
        std::printf(
            "deleted %u rows in %.3f s (%.3f s with the sync, CPU %.3f s); RSS %ld KiB "
            "before, %ld KiB after\n",
            deleted, deleteSeconds, seconds(deleteStart), deleteCpu, beforeDeleteKiB,
            residentKiB());
        struct rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("peak RSS %ld KiB\n", usage.ru_maxrss);

        if (o.verify) {
            const std::vector<std::string> problems = mdb::verifyFile(path.string());
            std::printf("verify: %zu problems\n", problems.size());
            for (std::size_t i = 0; i < problems.size() && i < 10; ++i)
                std::printf("  %s\n", problems[i].c_str());
        }
    } catch (const mdb::Error& e) {
        std::cerr << "append_delete_bench: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

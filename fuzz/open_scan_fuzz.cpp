// open_scan_fuzz: opens a database from the input bytes, then reads everything a user could
// ask for: the catalogue, every local table's definition and properties, and every value of
// every row, by scan and by position. Any mdb::Error is an acceptable answer to a damaged file;
// anything else (a crash, a sanitizer report, another exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mdb/database.h"
#include "mdb/error.h"

namespace {

void readTable(mdb::Table& table) {
    std::size_t rows = 0;
    mdb::Table::Cursor cursor = table.scan();
    while (cursor.next()) {
        const std::vector<mdb::Value> values = cursor.values();
        if (values.size() != table.columns().size()) __builtin_trap();
        if (++rows <= 4) (void)table.readRow(cursor.position());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<mdb::Database> db;
    try {
        db = mdb::Database::open(std::vector<std::uint8_t>(data, data + size), "fuzz.mdb",
                                 mdb::OpenMode::ReadOnly);
    } catch (const mdb::Error&) {
        return 0;
    }
    (void)db->tableNames();
    for (const std::string& name : db->localTableNames()) {
        try {
            readTable(db->table(name));
        } catch (const mdb::Error&) {
        }
    }
    return 0;
}

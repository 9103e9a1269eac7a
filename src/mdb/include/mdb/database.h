// database.h: an open Access database (.mdb, Jet 4 or Access 97's Jet 3): its tables, and
// batches of writes.
//
// This folder (mdb/) is the engine's whole public interface: the database and its tables
// (table.h), values (value.h), schemas (schema.h), new files and tables (create.h), the
// consistency check (verify.h), statements sent as text (delete_statement.h) and errors (error.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mdb/row_position.h"
#include "mdb/table.h"
#include "mdb/value.h"

namespace mdb {

// The engine's own types, which this interface only names.
class DatabaseRules;
class PageFile;
class Pager;
class RuleTables;
class TableWriter;
struct CatalogEntry;
struct DatabaseHeader;
struct JetFormat;

enum class OpenMode { ReadOnly, ReadWrite };

// What the file's header says about it.
struct DatabaseInfo {
    std::string formatName;  // "Jet 3 (Access 97)" or "Jet 4 (Access 2000-2003)"
    std::uint16_t codePage = 0;
    std::uint16_t sortOrder = 0;  // locale id of the text sort order
    std::uint8_t sortVersion = 0;
    std::string sortOrderName;  // e.g. "General (legacy)"
    bool encoded = false;       // its pages are stored encoded (a database key is set)
    DateTime created{};
    PageNumber pageCount = 0;
};

class Database {
public:
    // Opens the file and reads its header and catalogue. Throws Error: Io when the file cannot be
    // opened, Unsupported for other Access formats, Refused for a database with a password (the
    // connection gives none), Corrupt for anything else that is not a sound Jet 4 database.
    // Opening takes no lock, in either mode: writers lock while they write. A write that a dying
    // process or a power cut interrupted is undone first. A file that may only
    // be read (the file, its folder or its file system read-only) opens ReadWrite all the same,
    // as the database engine opens it read-only; its writes are refused, saying why.
    static std::unique_ptr<Database> open(const std::string& path, OpenMode mode);
    // The same over a file's bytes held in memory, named `name` in messages (tests, fuzzing).
    static std::unique_ptr<Database> open(std::vector<std::uint8_t> bytes, const std::string& name,
                                          OpenMode mode);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return path_; }
    OpenMode mode() const { return mode_; }
    // Whether opening undid an interrupted write (the tools say so once).
    bool undidInterruptedWrite() const { return recovered_; }
    DatabaseInfo info() const;

    // The user's tables (local, not system; hidden ones included), in catalogue order.
    std::vector<std::string> tableNames() const;
    // Every local table, system tables included, in catalogue order.
    std::vector<std::string> localTableNames() const;
    // Any local table, system tables included, by name ignoring case. Throws Error (NotFound)
    // when there is none, or (Corrupt) when its definition is damaged.
    Table& table(std::string_view name);
    bool hasTable(std::string_view name) const;

    // A batch keeps the database locked against other writers from beginBatch() to endBatch(),
    // writes its operations' pages in groups rather than one by one (a write failure can then
    // surface on a later write or on endBatch()) and syncs the file at its end; outside a batch
    // each write locks around itself and is in the file when it returns. Throws Error (Locked)
    // at once when another program holds the lock.
    void beginBatch();
    void endBatch();
    // Makes every write so far durable (closing the database does this too).
    void sync();

    // The engine's own view of the database.
    static std::unique_ptr<Database> open(std::unique_ptr<PageFile> file, OpenMode mode);
    const DatabaseHeader& header() const { return *header_; }
    // The file's layout: Jet 3 or Jet 4 (format/jet_format.h).
    const JetFormat& format() const { return *format_; }
    PageNumber pageCount() const;
    // Every catalogue row, in storage order.
    const std::vector<CatalogEntry>& catalog() const { return catalog_; }
    // Every page goes through this pager.
    Pager& pager() { return *pager_; }
    // The writer of a table (as table() finds it), which obeys the database's rules.
    TableWriter& writer(std::string_view table);
    // Those rules: defaults, Required, validation rules, relationships.
    DatabaseRules& rules();

private:
    Database(std::unique_ptr<Pager> pager, OpenMode mode);
    void load();
    const CatalogEntry* findTable(std::string_view name) const;

    std::string path_;
    OpenMode mode_;
    bool recovered_ = false;
    std::unique_ptr<Pager> pager_;
    std::unique_ptr<DatabaseHeader> header_;
    const JetFormat* format_ = nullptr;
    std::vector<CatalogEntry> catalog_;
    std::map<std::string, std::unique_ptr<Table>> tables_;  // by folded name
    std::unique_ptr<RuleTables> ruleTables_;                // the rules' view of this database
    std::unique_ptr<DatabaseRules> rules_;                  // made by the first writer
    std::map<std::string, std::unique_ptr<TableWriter>> writers_;  // by folded name
};

}  // namespace mdb

// database.h: the engine's entry point, an open Jet 4 (.mdb) database file.
//
// Layers, bottom up: PageFile (bytes of whole pages) -> Pager (cache, page coding, the single
// write path) -> pages (header, data, usage map, table definition) -> rows and values ->
// catalogue and tables (this file and table.h).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mdb/catalog.h"
#include "mdb/header_page.h"
#include "mdb/page_file.h"
#include "mdb/pager.h"
#include "mdb/table.h"
#include "mdb/table_writer.h"

namespace mdb {

class DatabaseRules;

enum class OpenMode { ReadOnly, ReadWrite };

class Database {
public:
    // Opens the file and reads its header and catalogue. Throws Error: Io when the file cannot be
    // opened, Unsupported for other Access formats, Refused for a database with a password (the
    // connection gives none), Corrupt for anything else that is not a sound Jet 4 database.
    // Opening takes no lock, in either mode: writers lock while they write (see pager.h). A write
    // that a dying process or a power cut interrupted is undone first (recovery.h). A file
    // that may only be read (the file, its folder or its file system read-only) opens ReadWrite
    // all the same, as the database engine opens it read-only; its writes are refused, saying
    // why (page_file.h).
    static std::unique_ptr<Database> open(const std::string& path, OpenMode mode);
    // The same over any page file (tests and the fuzzer open bytes in memory).
    static std::unique_ptr<Database> open(std::unique_ptr<PageFile> file, OpenMode mode);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return path_; }
    OpenMode mode() const { return mode_; }
    // Whether opening undid an interrupted write (the tools say so once: recovery.h).
    bool undidInterruptedWrite() const { return recovered_; }
    const DatabaseHeader& header() const { return header_; }
    PageNumber pageCount() const { return pager_->pageCount(); }

    // Every catalogue row, in storage order.
    const std::vector<CatalogEntry>& catalog() const { return catalog_; }
    // The user's tables (local, not system; hidden ones included), in catalogue order.
    std::vector<std::string> tableNames() const;
    // Any local table, system tables included, by name ignoring case. Throws Error (NotFound)
    // when there is none, or (Corrupt) when its definition is damaged.
    Table& table(std::string_view name);
    bool hasTable(std::string_view name) const;

    // For the writer: every page goes through this pager.
    Pager& pager() { return *pager_; }

    // The writer of a table (as table() finds it). Each insert or delete it makes is one
    // operation, in the file when it returns (pager.h), and obeys the database's own rules
    // (database_rules.h).
    TableWriter& writer(std::string_view table);
    // Those rules: defaults, Required, validation rules, relationships.
    DatabaseRules& rules();
    // A batch keeps the database locked against other writers from beginBatch() to endBatch(),
    // writes its operations' pages in groups rather than one by one (a write failure can then
    // surface on a later write or on endBatch(), see pager.h) and syncs the file at its end;
    // outside a batch each write locks around itself and is in the file when it returns. Throws
    // Error (Locked) at once when another program holds the lock.
    void beginBatch() { pager_->beginBatch(); }
    void endBatch() { pager_->endBatch(); }
    // Makes every write so far durable (closing the database does this too).
    void sync() { pager_->sync(); }

private:
    Database(std::unique_ptr<Pager> pager, OpenMode mode);
    void load();
    const CatalogEntry* findTable(std::string_view name) const;

    std::string path_;
    OpenMode mode_;
    bool recovered_ = false;
    std::unique_ptr<Pager> pager_;
    DatabaseHeader header_;
    std::vector<CatalogEntry> catalog_;
    std::map<std::string, std::unique_ptr<Table>> tables_;         // by folded name
    std::unique_ptr<DatabaseRules> rules_;                         // made by the first writer
    std::map<std::string, std::unique_ptr<TableWriter>> writers_;  // by folded name
};

}  // namespace mdb

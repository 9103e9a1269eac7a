// database.h: the engine's entry point, an open Jet 4 (.mdb) database file.
#pragma once

#include <memory>
#include <string>

#include "mdb/header_page.h"
#include "mdb/page_file.h"
#include "mdb/pager.h"

namespace mdb {

enum class OpenMode { ReadOnly, ReadWrite };

class Database {
public:
    // Opens the file and reads its header. Throws Error: Io when the file cannot be opened,
    // Unsupported for other Access formats, Refused for a database with a password (the
    // connection gives none), Corrupt for anything else.
    static std::unique_ptr<Database> open(const std::string& path, OpenMode mode);
    static std::unique_ptr<Database> open(std::unique_ptr<PageFile> file, OpenMode mode);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return path_; }
    OpenMode mode() const { return mode_; }
    const DatabaseHeader& header() const { return header_; }
    PageNumber pageCount() const { return pager_->pageCount(); }
    Pager& pager() { return *pager_; }

private:
    Database(std::unique_ptr<Pager> pager, OpenMode mode);
    void load();

    std::string path_;
    OpenMode mode_;
    std::unique_ptr<Pager> pager_;
    DatabaseHeader header_;
};

}  // namespace mdb

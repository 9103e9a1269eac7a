// database.h: the engine's entry point, an open Jet 4 (.mdb) database file.
#pragma once

#include <memory>
#include <string>

namespace mdb {

enum class OpenMode { ReadOnly, ReadWrite };

class Database {
public:
    // Opens the file and checks that it is a Jet 4 database. Throws Error: Io when the file
    // cannot be opened, Unsupported for other Access formats, Corrupt for anything else.
    static std::unique_ptr<Database> open(const std::string& path, OpenMode mode);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return path_; }
    OpenMode mode() const { return mode_; }

private:
    Database(std::string path, OpenMode mode);
    std::string path_;
    OpenMode mode_;
};

}  // namespace mdb

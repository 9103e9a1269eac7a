// connection.h: the data module's connection to one database file (the class of `Con`).
//
// The connection string names the provider and the database file ("Data Source"); see
// connection_string.h. Opening hands the file to the .mdb engine for reading and writing; other
// programs may keep the same file open.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "data/file_identity.h"

namespace mdb {
class Database;
}

namespace data {

class Connection {
public:
    explicit Connection(std::string connectionString);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Closing a connection that is not open does nothing.
    void close();

    // REQUIRES: the connection is closed (throws std::logic_error otherwise).
    void setConnectionString(std::string connectionString);
    const std::string& connectionString() const { return connectionString_; }

    // Connects with the stored string; no user, no password, no login dialog. Does nothing when
    // already connected. Throws UserError with the engine's message (trailing blanks and points
    // removed) or the connection layer's own; the connection then stays closed.
    void open();

    bool connected() const { return database_ != nullptr; }

    // REQUIRES: connected().
    mdb::Database& database();

    // A batch of writes (one import run): the database is held against other writers from
    // beginBatch() to endBatch(), which makes every write durable. Inside a batch the engine
    // writes its changes in groups of many rows, so a failed write (a full disk) can surface on a
    // later row, or at endBatch(), and loses the rows of its group. Throw UserError with the
    // engine's message. REQUIRES: connected().
    void beginBatch();
    void endBatch();

    // Whether `path` names the database file of this connection: the file it opened when
    // connected (even if that file has since been renamed), else the file its string names.
    bool namesDatabase(const std::string& path) const;

private:
    std::string dataSource() const;

    std::string connectionString_;
    std::unique_ptr<mdb::Database> database_;
    std::optional<FileIdentity> openedFile_;  // the file the open connection reached
};

}  // namespace data

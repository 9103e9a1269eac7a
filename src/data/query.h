// query.h: the data module's statement object `Q`, for the statements the import sends as text
// ("delete from testate", "delete from DettaglioVoci").
#pragma once

#include <string>

#include "data/connection.h"

namespace data {

class Query {
public:
    explicit Query(Connection& connection) : connection_(connection) {}
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Closing a statement that was never executed does nothing; a statement keeps no rows.
    void close() {}

    // Replaces the statement. It is sent with a line break (CR LF) after it.
    void setStatement(const std::string& text) { statement_ = text + "\r\n"; }
    const std::string& statement() const { return statement_; }

    // Connects the connection first when needed, then runs the statement on it. The count of
    // affected rows is ignored. The engine's errors keep its text, without a final point.
    void execute();

private:
    Connection& connection_;
    std::string statement_;
};

}  // namespace data

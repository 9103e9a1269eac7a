#include "data/connection.h"

#include <stdexcept>

#include "data/connection_string.h"
#include "data/error_text.h"
#include "data/messages.h"
#include "data/user_error.h"
#include "mdb/database.h"
#include "mdb/error.h"

namespace data {
namespace {

bool isJetProvider(const std::string& provider) {
    if (provider.size() != kJetProvider.size()) return false;
    for (std::size_t i = 0; i < provider.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(provider[i]) != lower(kJetProvider[i])) return false;
    }
    return true;
}

}  // namespace

Connection::Connection(std::string connectionString)
    : connectionString_(std::move(connectionString)) {}

Connection::~Connection() = default;

void Connection::close() {
    database_.reset();
    openedFile_.reset();
}

void Connection::setConnectionString(std::string connectionString) {
    if (connected()) throw std::logic_error("connection string set on an open connection");
    connectionString_ = std::move(connectionString);
}

void Connection::open() {
    if (connected()) return;
    const auto parsed = ConnectionString::parse(connectionString_);
    if (!isJetProvider(parsed.value("Provider").value_or("")))
        throw UserError(msg::kProviderNotFound);
    const std::string path = parsed.value("Data Source").value_or("");
    try {
        database_ = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
    } catch (const mdb::Error& e) {
        throw UserError(providerMessage(e.what()));
    }
    openedFile_ = fileIdentityOf(path);
}

void Connection::beginBatch() {
    try {
        database().beginBatch();
    } catch (const mdb::Error& e) {
        throw UserError(providerMessage(e.what()));
    }
}

void Connection::endBatch() {
    try {
        database().endBatch();
    } catch (const mdb::Error& e) {
        passOnEngineError(e);
    }
}

std::string Connection::dataSource() const {
    try {
        return ConnectionString::parse(connectionString_).value("Data Source").value_or("");
    } catch (const UserError&) {
        return {};  // a string that cannot be parsed names no file
    }
}

bool Connection::namesDatabase(const std::string& path) const {
    const std::optional<FileIdentity> named = fileIdentityOf(path);
    if (connected()) return named && named == openedFile_;
    return path == dataSource() || (named && named == fileIdentityOf(dataSource()));
}

mdb::Database& Connection::database() {
    if (!database_) throw std::logic_error("database used on a closed connection");
    return *database_;
}

}  // namespace data

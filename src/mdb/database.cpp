#include "mdb/database.h"

#include "mdb/error.h"

namespace mdb {

Database::Database(std::unique_ptr<Pager> pager, OpenMode mode)
    : path_(pager->fileName()), mode_(mode), pager_(std::move(pager)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::open(const std::string& path, OpenMode mode) {
    return open(openDiskPageFile(path, mode == OpenMode::ReadWrite), mode);
}

std::unique_ptr<Database> Database::open(std::unique_ptr<PageFile> file, OpenMode mode) {
    auto pager = std::make_unique<Pager>(std::move(file));
    std::unique_ptr<Database> db(new Database(std::move(pager), mode));
    db->load();
    return db;
}

void Database::load() {
    // A file shorter than one page cannot be a Jet 4 database; say so as for any other file.
    if (pager_->pageCount() == 0)
        throw Error(Error::Kind::Corrupt, "Unrecognized database format '" + path_ + "'");
    PageRef first = pager_->page(0);
    checkJet4Format(*first, path_);
    header_ = readDatabaseHeader(*first);
    if (header_.hasPassword)
        throw Error(Error::Kind::Refused,
                    "Not a valid password: '" + path_ +
                        "' is protected by a database password and the connection gives none");
    pager_->setDatabaseKey(header_.databaseKey);
}

}  // namespace mdb

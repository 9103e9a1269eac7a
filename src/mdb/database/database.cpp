#include "mdb/database.h"

#include "database/catalog.h"
#include "database/damage.h"
#include "database/table_writer.h"
#include "file/page_file.h"
#include "file/pager.h"
#include "file/recovery.h"
#include "format/header_page.h"
#include "format/name_compare.h"
#include "format/write_order.h"
#include "mdb/error.h"
#include "rules/database_rules.h"
#include "rules/rule_tables.h"

namespace mdb {

Database::Database(std::unique_ptr<Pager> pager, OpenMode mode)
    : path_(pager->fileName()),
      mode_(mode),
      pager_(std::move(pager)),
      header_(std::make_unique<DatabaseHeader>()) {}

Database::~Database() {
    // Writers go before the tables they refer to.
    writers_.clear();
}

std::unique_ptr<Database> Database::open(const std::string& path, OpenMode mode) {
    // A database the user may only read opens all the same; its writes are refused saying why.
    if (mode == OpenMode::ReadWrite) return open(openDiskPageFileForUpdate(path), mode);
    // Reading needs no write access, but undoing an interrupted write does.
    bool recovered = false;
    if (mayNeedRecovery(path)) recovered = recoverAtOpen(*openDiskPageFileForUpdate(path));
    std::unique_ptr<Database> db = open(openDiskPageFile(path, false), mode);
    db->recovered_ = db->recovered_ || recovered;
    return db;
}

std::unique_ptr<Database> Database::open(std::vector<std::uint8_t> bytes, const std::string& name,
                                         OpenMode mode) {
    return open(
        std::make_unique<MemoryPageFile>(std::move(bytes), name, mode == OpenMode::ReadWrite),
        mode);
}

namespace {

// Reads the format from page 0 and gives the file that format's page size. A file shorter than
// one page cannot be a database; it is refused as any other file that is not one.
const JetFormat& detectFormat(PageFile& file) {
    if (file.pageCount() == 0)
        throw Error(Error::Kind::Corrupt, "Unrecognized database format '" + file.name() + "'");
    PageBytes first;
    file.read(0, first);
    const JetFormat& format = checkDatabaseFormat(first, file.name());
    if (format.pageSize != file.pageSize()) file.setPageSize(format.pageSize);
    if (file.pageCount() == 0)
        throw Error(Error::Kind::Corrupt, "Unrecognized database format '" + file.name() + "'");
    return format;
}

}  // namespace

std::unique_ptr<Database> Database::open(std::unique_ptr<PageFile> file, OpenMode mode) {
    const bool recovered = recoverAtOpen(*file);
    const JetFormat& format = detectFormat(*file);
    auto pager = std::make_unique<Pager>(std::move(file));
    pager->setPageOrdering(orderForWriting);
    std::unique_ptr<Database> db(new Database(std::move(pager), mode));
    db->recovered_ = recovered;
    db->format_ = &format;
    db->load();
    return db;
}

void Database::load() {
    PageRef first = pager_->page(0);
    *header_ = readDatabaseHeader(*first, *format_);
    if (header_->hasPassword)
        throw Error(Error::Kind::Refused,
                    "Not a valid password: '" + path_ +
                        "' is protected by a database password and the connection gives none");
    pager_->setDatabaseKey(header_->databaseKey);
    pager_->setCodePage(header_->codePage);
    catalog_ = withDamageContext(path_, "MSysObjects", [this] { return readCatalog(*pager_); });
}

DatabaseInfo Database::info() const {
    DatabaseInfo info;
    info.formatName = format_->name;
    info.codePage = header_->codePage;
    info.sortOrder = header_->sortOrder;
    info.sortVersion = header_->sortVersion;
    info.sortOrderName =
        sortOrderName(header_->sortOrder, header_->sortVersion, format_->sortOrderLabel);
    info.encoded = header_->databaseKey != 0;
    info.created = DateTime{header_->creationDate};
    info.pageCount = pageCount();
    return info;
}

PageNumber Database::pageCount() const { return pager_->pageCount(); }
void Database::beginBatch() { pager_->beginBatch(); }
void Database::endBatch() { pager_->endBatch(); }
void Database::sync() { pager_->sync(); }

std::vector<std::string> Database::localTableNames() const {
    std::vector<std::string> names;
    for (const CatalogEntry& e : catalog_)
        if (e.isLocalTable()) names.push_back(e.name);
    return names;
}

std::vector<std::string> Database::tableNames() const {
    std::vector<std::string> names;
    for (const CatalogEntry& e : catalog_)
        if (e.isUserTable()) names.push_back(e.name);
    return names;
}

const CatalogEntry* Database::findTable(std::string_view name) const {
    for (const CatalogEntry& e : catalog_)
        if (e.isLocalTable() && sameName(e.name, name)) return &e;
    return nullptr;
}

bool Database::hasTable(std::string_view name) const { return findTable(name) != nullptr; }

Table& Database::table(std::string_view name) {
    const std::string key = foldCase(name);
    if (auto it = tables_.find(key); it != tables_.end()) return *it->second;
    const CatalogEntry* entry = findTable(name);
    if (entry == nullptr)
        throw Error(Error::Kind::NotFound,
                    "The Microsoft Jet database engine cannot find the input table or query '" +
                        std::string(name) +
                        "'.  Make sure it exists and that its name is spelled correctly");
    auto table = std::make_unique<Table>(*pager_, *entry);
    table->database_ = this;
    return *tables_.emplace(key, std::move(table)).first->second;
}

}  // namespace mdb

namespace mdb {

TableWriter& Database::writer(std::string_view name) {
    Table& t = table(name);
    const std::string key = foldCase(t.name());
    if (auto it = writers_.find(key); it != writers_.end()) return *it->second;
    auto writer = std::make_unique<TableWriter>(*pager_, t);
    writer->setGuard(&rules());
    return *writers_.emplace(key, std::move(writer)).first->second;
}

namespace {

// What the rules see of the database.
class DatabaseRuleTables final : public RuleTables {
public:
    explicit DatabaseRuleTables(Database& database) : db_(database) {}

    Pager& pager() override { return db_.pager(); }
    std::vector<std::string> tableNames() const override { return db_.tableNames(); }
    bool hasTable(std::string_view name) const override { return db_.hasTable(name); }
    Table& table(std::string_view name) override { return db_.table(name); }
    std::optional<std::string> tableNameAt(PageNumber definitionPage) const override {
        std::optional<std::string> found;
        for (const CatalogEntry& e : db_.catalog())
            if (e.isLocalTable() && e.tablePage() == definitionPage) found = e.name;
        return found;
    }
    void removeWithin(std::string_view table, RowPosition position) override {
        db_.writer(table).removeWithin(position);
    }

private:
    Database& db_;
};

}  // namespace

DatabaseRules& Database::rules() {
    if (!rules_) {
        ruleTables_ = std::make_unique<DatabaseRuleTables>(*this);
        rules_ = std::make_unique<DatabaseRules>(*ruleTables_);
    }
    return *rules_;
}

}  // namespace mdb

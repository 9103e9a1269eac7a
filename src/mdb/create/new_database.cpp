#include "create/new_database.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "create/catalog_template.h"
#include "create/new_table_pages.h"
#include "create/table_creator.h"
#include "database/catalog.h"
#include "database/table_writer.h"
#include "file/page_file.h"
#include "file/pager.h"
#include "format/data_page_writer.h"
#include "format/header_page.h"
#include "format/page_allocator.h"
#include "format/table_definition.h"
#include "format/write_order.h"
#include "mdb/error.h"
#include "mdb/table.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace mdb {
namespace {

constexpr std::uint16_t kWesternCodePage = 1252;
constexpr std::uint16_t kGeneralSortOrder = 1033;  // "General", version 0: General (legacy)
// Page 1 names itself as its owner, in every Jet 4 fixture.
constexpr std::uint32_t kGlobalMapPageOwner = 1;
constexpr PageNumber kFirstFreePage = 2;  // pages 0 and 1 exist before anything is allocated

// Pages 0 and 1: the header and the global map, every page from 2 on marked free.
std::vector<std::uint8_t> firstPages() {
    DatabaseHeader header;
    header.codePage = kWesternCodePage;
    header.sortOrder = kGeneralSortOrder;
    header.sortVersion = 0;
    header.creationDate = adoxCreationDate();
    const PageBytes page0 = encodeHeaderPage(header);

    PageBytes page1{};
    DataPageWriter::initialize(page1, kGlobalMapPageOwner);
    std::vector<std::uint8_t> map(kNewMapRowSize, 0);  // inline, start 0: a set bit is free
    for (std::size_t page = kFirstFreePage; page < (kNewMapRowSize - 5) * 8; ++page)
        map[5 + page / 8] |= static_cast<std::uint8_t>(1u << (page % 8));
    DataPageWriter writer(page1, 1);
    (void)writer.insert(map);
    // A second row, all zeros, of unknown purpose: every Jet 4 fixture has it.
    (void)writer.insert(std::vector<std::uint8_t>(kNewMapRowSize, 0));

    std::vector<std::uint8_t> bytes(2 * kPageSize);
    std::copy(page0.begin(), page0.end(), bytes.begin());
    std::copy(page1.begin(), page1.end(), bytes.begin() + kPageSize);
    return bytes;
}

CatalogEntry entryFor(const TableDefinition& t, const char* name) {
    CatalogEntry e;
    e.id = static_cast<std::int32_t>(t.page);
    e.parentId = object_id::kTables;
    e.name = name;
    e.type = CatalogEntry::kTable;
    e.flags = static_cast<std::uint32_t>(kSystemObjectFlags);
    return e;
}

void writeSystemCatalog(Pager& pager, DateTime created) {
    pager.beginWrite();
    std::vector<TableDefinition> system;
    try {
        PageAllocator allocator(pager);
        system = writeNewTables(pager, allocator, systemTableDefinitions());
        pager.commit();
    } catch (...) {
        pager.rollback();
        throw;
    }
    std::vector<PageNumber> pages;
    for (const TableDefinition& t : system) pages.push_back(t.page);

    Table objects(pager, entryFor(system[0], "MSysObjects"));
    TableWriter objectWriter(pager, objects);
    for (const CatalogRow& row : systemCatalogRows(pages))
        objectWriter.insert(catalogRowValues(objects.definition(), row, created));
    Table aces(pager, entryFor(system[1], "MSysACEs"));
    TableWriter aceWriter(pager, aces);
    for (const AceRow& row : systemAceRows(pages))
        aceWriter.insert(aceRowValues(aces.definition(), row));
}

[[noreturn]] void ioError(const std::string& path, const char* what, int error) {
    throw Error(Error::Kind::Io,
                "Cannot " + std::string(what) + " '" + path + "': " + std::strerror(error));
}

// Creates `path` (refusing an existing one, even one made meanwhile) and writes `bytes`.
void writeNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    platform::File file =
        platform::File::open(path, platform::Access::ReadWrite, platform::Creation::CreateNew);
    if (!file.isOpen()) {
        if (errno == EEXIST)
            throw Error(Error::Kind::Refused, "Cannot create '" + path + "': it already exists");
        ioError(path, "create", errno);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::int64_t n = file.writeAt(bytes.data() + done, bytes.size() - done, done);
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            file.close();
            platform::removeFile(path);
            ioError(path, "write", error);
        }
        done += static_cast<std::size_t>(n);
    }
    if (!file.sync() || !file.close()) {
        const int error = errno;
        file.close();
        platform::removeFile(path);
        ioError(path, "write", error);
    }
}

}  // namespace

std::vector<std::uint8_t> newDatabase(DateTime created, const std::vector<TableSchema>& tables) {
    for (const TableSchema& schema : tables) (void)tableDefinitionFor(schema);  // refuse early
    auto file = std::make_unique<MemoryPageFile>(firstPages(), "new database");
    const MemoryPageFile& bytes = *file;
    Pager pager(std::move(file));
    pager.setPageOrdering(orderForWriting);
    pager.beginBatch();
    writeSystemCatalog(pager, created);
    pager.endBatch();
    for (const TableSchema& schema : tables) createTable(pager, schema, created);
    return bytes.bytes();
}

void createDatabase(const std::string& path, const std::vector<TableSchema>& tables) {
    std::error_code error;
    if (std::filesystem::symlink_status(platform::fromUtf8(path), error).type() !=
        std::filesystem::file_type::not_found)
        throw Error(Error::Kind::Refused, "Cannot create '" + path + "': it already exists");
    writeNewFile(path, newDatabase(currentDateTime(), tables));
}

}  // namespace mdb

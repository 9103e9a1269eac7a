#include "format/table_definition_writer.h"

#include <gtest/gtest.h>

#include "database/catalog.h"
#include "definition_compare.h"
#include "file/page_file.h"
#include "file/pager.h"
#include "fixture_paths.h"
#include "format/table_definition.h"
#include "mdb/database.h"

namespace {

struct Chain {
    std::vector<std::uint8_t> joined;
    std::vector<mdb::PageBytes> pages;
};

Chain readChain(mdb::Pager& pager, const mdb::TableDefinition& t) {
    Chain chain;
    for (std::size_t i = 0; i < t.pages.size(); ++i) {
        const mdb::PageRef page = pager.page(t.pages[i]);
        chain.pages.push_back(*page);
        chain.joined.insert(chain.joined.end(), page->begin() + (i == 0 ? 0 : 8), page->end());
    }
    return chain;
}

bool asciiNames(const mdb::TableDefinition& t) {
    for (const mdb::Column& c : t.columns)
        for (char ch : c.name)
            if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

std::vector<std::string> jet4Fixtures() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(fixtures::mdbDir())) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".mdb" || name.find("V1997") != std::string::npos) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every table definition of every Jet 4 fixture, system tables included: parse, encode, parse
// again gives the same definition; the encoded bytes equal the stored ones wherever the reader
// keeps what is there; and the pages of multi-page definitions come out as Access chained them.
TEST(TableDefinitionWriter, RoundTripsEveryFixtureDefinition) {
    REQUIRE_MDB_FIXTURES();
    int definitions = 0, multiPage = 0;
    for (const std::string& name : jet4Fixtures()) {
        mdb::Pager pager(mdb::openDiskPageFile(fixtures::mdb(name.c_str()), false));
        for (const mdb::CatalogEntry& entry : mdb::readCatalog(pager)) {
            if (!entry.isLocalTable()) continue;
            SCOPED_TRACE(name + ": " + entry.name);
            const mdb::TableDefinition original =
                mdb::readTableDefinition(pager, entry.tablePage());
            const Chain stored = readChain(pager, original);
            const std::vector<std::uint8_t> encoded = mdb::encodeTableDefinition(original);
            testing_support::expectSameDefinition(
                original, mdb::parseTableDefinition(encoded, entry.tablePage()));
            ++definitions;

            ASSERT_EQ(encoded.size(), original.length);
            ASSERT_LE(encoded.size(), stored.joined.size());
            if (asciiNames(original)) {
                const std::set<std::size_t> unkept = testing_support::unkeptOffsets(original);
                std::vector<std::size_t> differing;
                for (std::size_t i = 0; i < encoded.size(); ++i)
                    if (encoded[i] != stored.joined[i] && !unkept.contains(i))
                        differing.push_back(i);
                EXPECT_TRUE(differing.empty())
                    << differing.size() << " bytes differ, first at " << differing.front();
            }

            const std::vector<mdb::PageBytes> pages =
                mdb::tableDefinitionPages(encoded, original.pages);
            ASSERT_EQ(pages.size(), stored.pages.size());
            for (std::size_t i = 0; i < pages.size(); ++i) {
                EXPECT_EQ(mdb::get16le(pages[i], 2), mdb::get16le(stored.pages[i], 2))
                    << "free space of page " << original.pages[i];
                EXPECT_EQ(mdb::get32le(pages[i], 4), mdb::get32le(stored.pages[i], 4));
            }
            if (pages.size() > 1) ++multiPage;
        }
    }
    EXPECT_GT(definitions, 80);
    EXPECT_GE(multiPage, 2);  // testV2003 Table2, test2V2003 MSP_PROJECTS
}

// Offsets of an Access 97 definition the reader does not keep: the next-page field, the first
// field of each index header, bytes 5-8 of each column block, and the garbage Access 97 leaves in
// the order byte of unused index slots.
std::set<std::size_t> unkeptJet3Offsets(const mdb::TableDefinition& t) {
    std::set<std::size_t> unkept;
    auto add = [&](std::size_t from, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) unkept.insert(from + i);
    };
    add(4, 4);
    std::size_t at = 43;
    for (std::size_t i = 0; i < t.physicalIndexes.size(); ++i, at += 8) add(at, 4);
    for (std::size_t i = 0; i < t.columns.size(); ++i, at += 18)
        add(at + 5, 4);  // unknown: 0, the column number or its position from 1; then 1 or 0
    for (const mdb::Column& c : t.columns) at += 1 + c.name.size();  // ASCII names
    for (const mdb::PhysicalIndex& index : t.physicalIndexes) {
        for (std::size_t k = index.columns.size(); k < 10; ++k) add(at + 3 * k + 2, 1);
        at += 39;
    }
    // Access 97 lists the long-value maps of some tables (its system tables) by column name,
    // though their column blocks are in number order: the test compares them as a set.
    at += 20 * t.indexes.size();
    for (const mdb::Index& index : t.indexes) at += 1 + index.name.size();
    add(at, 10 * t.columns.size());
    return unkept;
}

// Every table definition of the seven Access 97 fixtures: parse, encode, parse again gives the
// same definition, and the encoded bytes are Access 97's wherever the reader keeps what is there
// (2 KB pages carrying "VC" where Jet 4 keeps the free space).
TEST(TableDefinitionWriter, RoundTripsEveryAccess97Definition) {
    REQUIRE_MDB_FIXTURES();
    int definitions = 0, multiPage = 0;
    for (const char* name :
         {"testV1997.mdb", "indexTestV1997.mdb", "compIndexTestV1997.mdb", "delTestV1997.mdb",
          "overflowTestV1997.mdb", "test2V1997.mdb", "testIndexCodesV1997.mdb"}) {
        auto db = mdb::Database::open(fixtures::mdb(name), mdb::OpenMode::ReadOnly);
        mdb::Pager& pager = db->pager();
        const mdb::JetFormat& format = db->format();
        for (const mdb::CatalogEntry& entry : mdb::readCatalog(pager)) {
            if (!entry.isLocalTable()) continue;
            SCOPED_TRACE(std::string(name) + ": " + entry.name);
            const mdb::TableDefinition original =
                mdb::readTableDefinition(pager, entry.tablePage());
            std::vector<std::uint8_t> stored;
            for (std::size_t i = 0; i < original.pages.size(); ++i) {
                const mdb::PageRef page = pager.page(original.pages[i]);
                stored.insert(stored.end(), page->begin() + (i == 0 ? 0 : 8),
                              page->begin() + static_cast<std::ptrdiff_t>(format.pageSize));
            }
            const std::vector<std::uint8_t> encoded =
                mdb::encodeTableDefinition(original, pager.codePage());
            testing_support::expectSameDefinition(
                original,
                mdb::parseTableDefinition(encoded, entry.tablePage(), format, pager.codePage()));
            ++definitions;
            ASSERT_EQ(encoded.size(), original.length);
            const std::set<std::size_t> unkept = unkeptJet3Offsets(original);
            std::vector<std::size_t> differing;
            for (std::size_t i = 0; i < encoded.size(); ++i)
                if (encoded[i] != stored[i] && !unkept.contains(i)) differing.push_back(i);
            EXPECT_TRUE(differing.empty())
                << differing.size() << " bytes differ, first at " << differing.front();
            const auto maps = [&](const std::vector<std::uint8_t>& bytes) {
                const std::size_t count = std::count_if(
                    original.columns.begin(), original.columns.end(),
                    [](const mdb::Column& c) { return c.longValueOwnedMap.has_value(); });
                const std::size_t at = encoded.size() - 2 - 10 * count;
                std::multiset<std::vector<std::uint8_t>> records;
                for (std::size_t i = 0; i < count; ++i)
                    records.insert({bytes.begin() + static_cast<std::ptrdiff_t>(at + 10 * i),
                                    bytes.begin() + static_cast<std::ptrdiff_t>(at + 10 * i + 10)});
                return records;
            };
            EXPECT_EQ(maps(encoded), maps(stored)) << "long-value maps";

            const std::vector<mdb::PageBytes> pages =
                mdb::tableDefinitionPages(encoded, original.pages, format);
            ASSERT_EQ(pages.size(), original.pages.size());
            for (std::size_t i = 0; i < pages.size(); ++i) {
                const mdb::PageRef page = pager.page(original.pages[i]);
                EXPECT_TRUE(std::equal(pages[i].begin(), pages[i].begin() + 8, page->begin()))
                    << "header of page " << original.pages[i];
            }
            if (pages.size() > 1) ++multiPage;
        }
    }
    EXPECT_GT(definitions, 60);
    EXPECT_GE(multiPage, 1);  // test2V1997 MSP_PROJECTS
}

mdb::Column textColumn(std::string name, std::uint16_t number) {
    mdb::Column c;
    c.name = std::move(name);
    c.type = mdb::ColumnType::Text;
    c.number = number;
    c.varIndex = number;
    c.length = 510;
    c.flags = 0x02;
    c.sortOrder = 1033;
    return c;
}

// A definition of exactly one page, one byte more, and one that needs three pages.
TEST(TableDefinitionWriter, SplitsAtThePageBoundary) {
    EXPECT_EQ(mdb::tableDefinitionPageCount(4096), 1u);
    EXPECT_EQ(mdb::tableDefinitionPageCount(4097), 2u);
    EXPECT_EQ(mdb::tableDefinitionPageCount(4096 + 4088), 2u);
    EXPECT_EQ(mdb::tableDefinitionPageCount(4096 + 4088 + 1), 3u);

    mdb::TableDefinition t;
    t.tableType = 'N';
    for (std::uint16_t i = 0; i < 300; ++i)
        t.columns.push_back(textColumn("c" + std::to_string(i), i));
    t.maxColumns = t.variableColumns = 300;
    const std::vector<std::uint8_t> joined = mdb::encodeTableDefinition(t);
    ASSERT_EQ(mdb::tableDefinitionPageCount(joined.size()), 3u);
    const std::vector<mdb::PageNumber> chain = {7, 3, 9};
    const std::vector<mdb::PageBytes> pages = mdb::tableDefinitionPages(joined, chain);

    // Read back through a pager, the chain in its page order.
    std::vector<std::uint8_t> file(10 * mdb::kPageSize);
    for (std::size_t i = 0; i < 3; ++i)
        std::copy(pages[i].begin(), pages[i].end(), file.begin() + chain[i] * mdb::kPageSize);
    mdb::Pager pager(std::make_unique<mdb::MemoryPageFile>(file));
    const mdb::TableDefinition back = mdb::readTableDefinition(pager, 7);
    EXPECT_EQ(back.pages, chain);
    EXPECT_EQ(back.length, joined.size());
    testing_support::expectSameDefinition(t, back);
    EXPECT_EQ(mdb::get16le(pages[0], 2), 0);
    EXPECT_EQ(mdb::get16le(pages[1], 2), 0);
    EXPECT_EQ(mdb::get16le(pages[2], 2), 4096 - 8 - (8 + joined.size() - 4096 - 4088));
}

TEST(TableDefinitionWriter, BlockOrderDecidesColumnOrderAndRepeatedNumber) {
    mdb::TableDefinition t;
    t.columns = {textColumn("b", 0), textColumn("A", 1)};
    t.maxColumns = t.variableColumns = 2;
    const auto firstBlock = [&](mdb::TableDefinition::BlockOrder order) {
        t.blockOrder = order;
        const std::vector<std::uint8_t> bytes = mdb::encodeTableDefinition(t);
        // number of the first block, and bytes 9-10 of the second
        return std::vector<int>{mdb::get16le(bytes, 63 + 5), mdb::get16le(bytes, 63 + 25 + 9)};
    };
    EXPECT_EQ(firstBlock(mdb::TableDefinition::BlockOrder::ByNumber), (std::vector<int>{0, 1}));
    // "A" before "b", ignoring case; no repeated number
    EXPECT_EQ(firstBlock(mdb::TableDefinition::BlockOrder::ByName), (std::vector<int>{1, 0}));
}

}  // namespace

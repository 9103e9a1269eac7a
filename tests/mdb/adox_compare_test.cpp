// A new database against adox_jet4.mdb, which the database engine made: page by page, byte by
// byte. Every difference must fall in a named, expected kind; the test prints how many bytes of
// each kind differ on each page:
//   - "uninitialised": bytes the engine leaves as it found them in memory and no reader looks at
//     (the fixed-offset word of a variable column, the order byte of an unused index column
//     slot, bytes 42-45 of a physical index block; anatomy section 5.6). We write zeros.
//   - "index prefix": our index writer stores the prefix the entries of a leaf share once, as
//     the format allows (index_page.h); the engine stored these small leaves whole. The entries
//     themselves must be the same.
//   - "dates": the catalogue rows' creation and update dates (not when the new database is
//     dated like adox_jet4.mdb's catalogue, then they must match too).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <set>

#include "create/new_database.h"
#include "database/catalog.h"
#include "definition_compare.h"
#include "file/page_file.h"
#include "fixture_paths.h"
#include "format/table_definition.h"
#include "index/index_page.h"
#include "mdb/database.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Kinds = std::map<std::string, int>;  // kind of difference -> bytes

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::span<const std::uint8_t> page(const Bytes& file, std::size_t n) {
    return std::span(file).subspan(n * mdb::kPageSize, mdb::kPageSize);
}

// The uninitialised bytes of a one-page definition (see the file comment).
std::set<std::size_t> uninitialisedOffsets(const mdb::TableDefinition& t) {
    std::set<std::size_t> offsets;
    std::size_t at = 63 + 12 * t.physicalIndexes.size();
    // The engine stores the blocks sorted by name.
    std::vector<const mdb::Column*> stored;
    for (const mdb::Column& c : t.columns) stored.push_back(&c);
    std::sort(stored.begin(), stored.end(), [](const mdb::Column* a, const mdb::Column* b) {
        std::string x = a->name, y = b->name;
        for (char& ch : x) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        for (char& ch : y) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return x < y;
    });
    for (const mdb::Column* c : stored) {
        if (!c->isFixed()) offsets.insert({at + 21, at + 22});
        at += 25;
    }
    for (const mdb::Column* c : stored) at += 2 + 2 * c->name.size();
    for (const mdb::PhysicalIndex& index : t.physicalIndexes) {
        for (std::size_t k = index.columns.size(); k < 10; ++k) offsets.insert(at + 4 + 3 * k + 2);
        for (std::size_t i = 42; i < 46; ++i) offsets.insert(at + i);
        at += 52;
    }
    return offsets;
}

Kinds compareDefinitionPage(std::span<const std::uint8_t> ours,
                            std::span<const std::uint8_t> theirs, mdb::PageNumber n) {
    mdb::TableDefinition a = mdb::parseTableDefinition(ours, n);
    mdb::TableDefinition b = mdb::parseTableDefinition(theirs, n);
    const std::set<std::size_t> uninitialised = uninitialisedOffsets(b);
    for (mdb::TableDefinition* t : {&a, &b})  // uninitialised in variable columns
        for (mdb::Column& c : t->columns)
            if (!c.isFixed()) c.fixedOffset = 0;
    testing_support::expectSameDefinition(a, b);
    Kinds kinds;
    for (std::size_t i = 0; i < mdb::kPageSize; ++i)
        if (ours[i] != theirs[i]) ++kinds[uninitialised.contains(i) ? "uninitialised" : "other"];
    return kinds;
}

Kinds compareIndexPage(std::span<const std::uint8_t> ours, std::span<const std::uint8_t> theirs,
                       mdb::PageNumber n) {
    const mdb::IndexPage a = mdb::IndexPage::decode(ours, n);
    mdb::IndexPage b = mdb::IndexPage::decode(theirs, n);
    EXPECT_TRUE(a.entries == b.entries) << "index page " << n << " holds other entries";
    // The engine's entries, stored with their shared prefix, must give our page exactly.
    b.prefixLength.reset();
    mdb::PageBytes reencoded{};
    EXPECT_TRUE(b.encode(reencoded));
    Kinds kinds;
    for (std::size_t i = 0; i < mdb::kPageSize; ++i) {
        if (ours[i] == theirs[i]) continue;
        ++kinds[ours[i] == reencoded[i] ? "index prefix" : "other"];
    }
    return kinds;
}

// Bytes of the DateCreate and DateUpdate fields of the catalogue rows on a data page of
// MSysObjects (`objects`), from the page's row slots.
std::set<std::size_t> dateOffsets(const mdb::TableDefinition& objects,
                                  std::span<const std::uint8_t> bytes) {
    std::set<std::size_t> offsets;
    const std::size_t rows = mdb::get16le(bytes, 12);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t start = mdb::get16le(bytes, 14 + 2 * r) & 0x1FFF;
        for (const mdb::Column& c : objects.columns)
            if (c.type == mdb::ColumnType::DateTime)
                for (std::size_t i = 0; i < 8; ++i) offsets.insert(start + 2 + c.fixedOffset + i);
    }
    return offsets;
}

struct Comparison {
    std::map<mdb::PageNumber, Kinds> pages;  // only pages that differ
    int other() const {
        int n = 0;
        for (const auto& [page, kinds] : pages)
            if (kinds.contains("other")) n += kinds.at("other");
        return n;
    }
};

Comparison compareWithAdox(const Bytes& ours) {
    const Bytes adox = readFile(fixtures::mdb("adox_jet4.mdb"));
    auto adoxDb = mdb::Database::open(fixtures::mdb("adox_jet4.mdb"), mdb::OpenMode::ReadOnly);
    Comparison result;
    EXPECT_EQ(ours.size(), adox.size());
    const std::size_t pages = std::min(ours.size(), adox.size()) / mdb::kPageSize;
    for (mdb::PageNumber n = 0; n < pages; ++n) {
        const auto a = page(ours, n), b = page(adox, n);
        if (std::equal(a.begin(), a.end(), b.begin())) continue;
        Kinds kinds;
        if (b[0] == mdb::kTableDefinitionPageType) {
            kinds = compareDefinitionPage(a, b, n);
        } else if (b[0] == 0x03 || b[0] == 0x04) {
            kinds = compareIndexPage(a, b, n);
        } else {
            const mdb::TableDefinition& objects = adoxDb->table("MSysObjects").definition();
            const bool catalogueRows = b[0] == 0x01 && mdb::get32le(b, 4) == objects.page;
            const std::set<std::size_t> dates =
                catalogueRows ? dateOffsets(objects, b) : std::set<std::size_t>{};
            for (std::size_t i = 0; i < mdb::kPageSize; ++i)
                if (a[i] != b[i]) ++kinds[dates.contains(i) ? "dates" : "other"];
        }
        result.pages[n] = kinds;
    }
    for (const auto& [n, kinds] : result.pages) {
        std::cout << "page " << n << ":";
        for (const auto& [kind, bytes] : kinds)
            std::cout << " " << bytes << " bytes " << kind << ";";
        std::cout << "\n";
    }
    return result;
}

mdb::DateTime adoxCatalogueDate() {
    auto db = mdb::Database::open(fixtures::mdb("adox_jet4.mdb"), mdb::OpenMode::ReadOnly);
    return db->catalog().front().created;
}

// Dated as adox_jet4.mdb's catalogue, a new database differs from it only in uninitialised bytes
// of the system tables' definitions and in how the index leaves store their shared prefix.
TEST(AdoxComparison, DatedAsAdoxOnlyUninitialisedBytesAndIndexPrefixesDiffer) {
    REQUIRE_MDB_FIXTURES();
    const Comparison c = compareWithAdox(mdb::newDatabase(adoxCatalogueDate()));
    EXPECT_EQ(c.other(), 0);
    // Header, global map, MSysRelationships' definition, the usage maps, the empty leaves and
    // both data pages are identical.
    for (mdb::PageNumber same : {0u, 1u, 5u, 6u, 10u, 11u, 12u, 13u, 14u, 15u})
        EXPECT_FALSE(c.pages.contains(same)) << "page " << same;
    for (mdb::PageNumber n : {2u, 3u, 4u}) {
        ASSERT_TRUE(c.pages.contains(n));
        EXPECT_EQ(c.pages.at(n).size(), 1u) << "page " << n << ": only uninitialised bytes";
    }
}

// Dated now, the catalogue rows' dates differ too, and nothing else does.
TEST(AdoxComparison, DatedNowTheCatalogueDatesDifferToo) {
    REQUIRE_MDB_FIXTURES();
    const Comparison c = compareWithAdox(mdb::newDatabase(mdb::DateTime{46000.25}));
    EXPECT_EQ(c.other(), 0);
    ASSERT_TRUE(c.pages.contains(14));
    EXPECT_EQ(c.pages.at(14).at("dates"), 8 * 2 * 7);  // 8 rows, 2 dates, 7 of 8 bytes differ
}

}  // namespace

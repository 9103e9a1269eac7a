#include "mdb/verify.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "file/pager.h"
#include "fixture_copy.h"
#include "format/byte_order.h"
#include "format/table_definition.h"
#include "format/usage_map.h"
#include "format/usage_map_row.h"
#include "format/usage_map_writer.h"
#include "index/index_tree.h"
#include "index/index_walk.h"
#include "mdb/error.h"

namespace {

using testing::HasSubstr;

TEST(Verify, EveryAccessFixtureIsClean) {
    REQUIRE_FIXTURES();
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(testing_mdb::fixturePath(""))) {
        if (e.path().extension() != ".mdb") continue;
        SCOPED_TRACE(e.path().filename().string());
        std::vector<std::string> problems;
        try {
            problems = mdb::verifyFile(e.path().string());
        } catch (const mdb::Error& error) {
            // Password-protected files are refused by design.
            EXPECT_TRUE(error.kind == mdb::Error::Kind::Unsupported ||
                        error.kind == mdb::Error::Kind::Refused)
                << error.what();
            continue;
        }
        ++files;
        EXPECT_EQ(problems, std::vector<std::string>{});
    }
    EXPECT_GE(files, 24u);  // the seven Access 97 files, their text indexes included
}

// A copy of the fixture, damaged by `damage` inside an update, then verified.
std::vector<std::string> damaged(const std::string& fixture,
                                 const std::function<void(testing_mdb::MemoryDatabase&)>& damage) {
    auto m = testing_mdb::openCopy(fixture);
    m.pager().beginWrite();
    damage(m);
    auto problems = mdb::verifyDatabase(*m.db);
    m.pager().rollback();
    return problems;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

TEST(Verify, FindsEachKindOfDamage) {
    REQUIRE_FIXTURES();
    using M = testing_mdb::MemoryDatabase;
    auto table = [](M& m) -> const mdb::TableDefinition& {
        return m.db->table("Table1").definition();
    };
    auto indexWriter = [](M& m, mdb::PageAllocator& a, const mdb::TableDefinition& d) {
        return mdb::IndexTree(m.pager(), a, d, 0);
    };
    struct Case {
        const char* what;
        const char* fixture;
        std::function<void(M&)> damage;
        const char* expected;
    };
    const Case cases[] = {
        {"row count", "V2000_no-password.mdb",
         [&](M& m) { mdb::put32le(m.pager().modify(table(m).page), 16, 4); },
         "table 'Table1': the definition counts 4 rows, the data pages hold 3"},
        {"autonumber below a row's value", "V2000_no-password.mdb",
         [&](M& m) { mdb::put32le(m.pager().modify(table(m).page), 20, 2); },
         "the last autonumber is 2 but a row holds 3"},
        {"unique count below the distinct keys", "V2000_no-password.mdb",
         [&](M& m) { mdb::put32le(m.pager().modify(table(m).page), 63 + 4, 1); },
         "index 0: the definition counts 1 distinct keys, the index holds 3"},
        {"an entry missing", "compIndexTestV2003.mdb",
         [&](M& m) {
             mdb::PageAllocator a(m.pager());
             const auto& d = table(m);
             const auto e = mdb::walkIndex(m.pager(), d.physicalIndexes[0].rootPage).entries[7];
             indexWriter(m, a, d).remove({e.key, 0, false}, e.row);
         },
         "index 0: no entry for the row at page"},
        {"more entries missing than are listed", "compIndexTestV2003.mdb",
         [&](M& m) {
             mdb::PageAllocator a(m.pager());
             const auto& d = table(m);
             const auto entries = mdb::walkIndex(m.pager(), d.physicalIndexes[0].rootPage).entries;
             for (std::size_t i = 1; i <= 7; ++i)
                 indexWriter(m, a, d).remove({entries[i].key, 0, false}, entries[i].row);
         },
         "index 0: and 2 more problems"},
        {"an entry too many", "compIndexTestV2003.mdb",
         [&](M& m) {
             mdb::PageAllocator a(m.pager());
             const auto& d = table(m);
             auto e = mdb::walkIndex(m.pager(), d.physicalIndexes[0].rootPage).entries[7];
             indexWriter(m, a, d).insert({e.key, 0, false}, {e.row.page, 250});
         },
         "row 250 (key 80"},
        {"a used page marked free", "V2000_no-password.mdb",
         [&](M& m) {
             const auto root = table(m).physicalIndexes[0].rootPage;
             auto row = mdb::changeMapRow(m.pager(), {1, 0});
             mdb::setBit(row.subspan(mdb::kInlineBitmapAt), root, true);
         },
         "is marked free in the global usage map but is used as a page of table 'Table1' index 0"},
        {"a data page left out of the owned map", "V2000_no-password.mdb",
         [&](M& m) {
             mdb::PageAllocator a(m.pager());
             const auto& d = table(m);
             const auto pages = mdb::UsageMap::read(m.pager(), d.ownedPagesMap).pages(m.pager());
             mdb::UsageMapWriter(m.pager(), a).remove(d.ownedPagesMap, pages.front());
         },
         "is not in its owned-pages map"},
        {"an index page in the owned map too", "V2000_no-password.mdb",
         [&](M& m) {
             mdb::PageAllocator a(m.pager());
             const auto& d = table(m);
             mdb::UsageMapWriter(m.pager(), a).add(d.ownedPagesMap, d.physicalIndexes[0].rootPage);
         },
         "is used as a data page of table 'Table1' and as a page of table 'Table1' index 0"},
        {"an index page missing from its map", "compIndexTestV2003.mdb",
         [&](M& m) {
             mdb::PageAllocator a(m.pager());
             const auto& d = table(m);
             const auto leaf =
                 mdb::walkIndex(m.pager(), d.physicalIndexes[0].rootPage).leafPages[0];
             mdb::UsageMapWriter(m.pager(), a).remove(d.physicalIndexes[0].usageMap, leaf);
         },
         "of its tree is not in its usage map"},
        {"a damaged index page", "compIndexTestV2003.mdb",
         [&](M& m) {
             const auto& d = table(m);
             const auto leaf =
                 mdb::walkIndex(m.pager(), d.physicalIndexes[0].rootPage).leafPages[0];
             m.pager().modify(leaf)[0] = 0x01;
         },
         "index 0: index page"},
        {"a leaf naming itself its child-tail page", "compIndexTestV2003.mdb",
         [&](M& m) {
             const auto leaf =
                 mdb::walkIndex(m.pager(), table(m).physicalIndexes[0].rootPage).leafPages[0];
             mdb::put32le(m.pager().modify(leaf), mdb::IndexPage::kChildTailAt, leaf);
         },
         "names child-tail page"},
        {"the catalogue's data page naming another owner", "V2000_no-password.mdb",
         [&](M& m) {
             const auto catalog = mdb::readTableDefinition(m.pager(), 2);
             const auto pages =
                 mdb::UsageMap::read(m.pager(), catalog.ownedPagesMap).pages(m.pager());
             mdb::put32le(m.pager().modify(pages.front()), 4, 3);
         },
         "catalogue: MSysObjects does not list itself"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto problems = damaged(c.fixture, c.damage);
        EXPECT_THAT(joined(problems), HasSubstr(c.expected));
    }
}

}  // namespace

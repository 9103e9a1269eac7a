// The index tree on copies of Access-made indexes: thousands of random inserts and removals,
// after each phase the whole tree walked and compared with the entries it should hold.
#include "index/index_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "create/new_database.h"
#include "create/table_schema.h"
#include "database/table_writer.h"
#include "file/pager.h"
#include "fixture_copy.h"
#include "format/byte_order.h"
#include "format/table_definition.h"
#include "format/usage_map.h"
#include "index/index_lookup.h"
#include "index/index_walk.h"
#include "mdb/error.h"

namespace {

using Entries = std::vector<mdb::IndexEntry>;

// Node pages are chained to their previous and next pages only among children of one parent
// (leaves, from first to last, walkIndex checks). Checks that for every node below `page`.
void expectNodeChains(mdb::Pager& pager, mdb::PageNumber page) {
    const mdb::IndexPage node = mdb::IndexPage::decode(*pager.page(page), page);
    if (node.isLeaf()) return;
    std::vector<mdb::PageNumber> children;
    for (const mdb::IndexEntry& e : node.entries) children.push_back(e.child);
    if (node.childTailPage != 0) children.push_back(node.childTailPage);
    // A node with several children names the last as its child tail, one child as an entry.
    EXPECT_EQ(node.childTailPage != 0, children.size() >= 2) << "node page " << page;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const mdb::IndexPage child = mdb::IndexPage::decode(*pager.page(children[i]), children[i]);
        if (child.isLeaf()) return;
        EXPECT_EQ(child.prevPage, i == 0 ? 0 : children[i - 1]) << "node page " << children[i];
        EXPECT_EQ(child.nextPage, i + 1 == children.size() ? 0 : children[i + 1])
            << "node page " << children[i];
        expectNodeChains(pager, children[i]);
    }
}
using Row = std::vector<mdb::Value>;
using RowMaker = std::function<Row(std::mt19937&)>;

// One index of a table in a database copy, its writer and the entries it should hold.
class Subject {
public:
    Subject(testing_mdb::MemoryDatabase& m, const std::string& table, std::size_t physical)
        : m_(m),
          definition_(m.db->table(table).definition()),
          physical_(physical),
          allocator_(m.pager()) {
        m_.pager().beginWrite();
        writer_.emplace(m_.pager(), allocator_, definition_, physical_);
        expected_ = mdb::walkIndex(m_.pager(), root()).entries;
    }

    mdb::IndexTree& writer() { return *writer_; }
    mdb::PageNumber root() const { return definition_.physicalIndexes[physical_].rootPage; }
    const Entries& expected() const { return expected_; }
    const mdb::TableDefinition& definition() const { return definition_; }

    // Adds the row's entry (if the index has one) at a made-up position; checks what insert
    // says about the key being new.
    void insert(const Row& row) {
        const auto key = writer_->keyFor(row);
        if (!key) return;
        const mdb::RowPosition at{0x10000 + next_ / 200, static_cast<std::uint8_t>(next_ % 200)};
        ++next_;
        mdb::IndexEntry entry{key->bytes, at, 0};
        const auto first = std::lower_bound(expected_.begin(), expected_.end(),
                                            mdb::IndexEntry{key->bytes, {}, 0}, mdb::entryBefore);
        const bool known = first != expected_.end() && first->key == key->bytes;
        ASSERT_EQ(writer_->contains(*key), known);
        // The read-only lookup finds the same in the pages written so far.
        ASSERT_EQ(mdb::IndexLookup(m_.pager(), definition_, physical_).contains(*key), known);
        ASSERT_EQ(writer_->insert(*key, at), !known);
        expected_.insert(
            std::upper_bound(expected_.begin(), expected_.end(), entry, mdb::entryBefore), entry);
    }

    void removeAt(std::size_t i) {
        const mdb::IndexEntry e = expected_[i];
        writer_->remove(mdb::IndexKey{e.key, 0, false}, e.row);
        expected_.erase(expected_.begin() + static_cast<std::ptrdiff_t>(i));
    }

    // Undoes everything since the last check.
    void rollback() {
        m_.pager().rollback();
        expected_ = mdb::walkIndex(m_.pager(), root()).entries;
        m_.pager().beginWrite();
    }

    void clear() {
        writer_->clear();
        expected_.clear();
    }

    // Commits, then walks the tree from the root: entries, order, the leaf chain (walkIndex
    // checks those), every page owned by the table, and the usage map naming exactly its pages.
    mdb::IndexContents check(const std::string& phase) {
        SCOPED_TRACE(phase);
        m_.pager().commit();
        const mdb::IndexContents walked = mdb::walkIndex(m_.pager(), root());
        EXPECT_EQ(walked.entries.size(), expected_.size());
        for (std::size_t i = 0; i < std::min(walked.entries.size(), expected_.size()); ++i) {
            if (walked.entries[i].key != expected_[i].key ||
                walked.entries[i].row != expected_[i].row) {
                ADD_FAILURE() << "entry " << i << " differs";
                break;
            }
        }
        std::vector<mdb::PageNumber> pages = walked.leafPages;
        pages.insert(pages.end(), walked.nodePages.begin(), walked.nodePages.end());
        std::sort(pages.begin(), pages.end());
        for (mdb::PageNumber p : pages)
            EXPECT_EQ(mdb::IndexPage::decode(*m_.pager().page(p), p).tdefPage, definition_.page);
        expectNodeChains(m_.pager(), root());
        const mdb::UsageMap map =
            mdb::UsageMap::read(m_.pager(), definition_.physicalIndexes[physical_].usageMap);
        EXPECT_EQ(map.pages(m_.pager()), pages);
        m_.pager().beginWrite();
        return walked;
    }

private:
    testing_mdb::MemoryDatabase& m_;
    mdb::TableDefinition definition_;
    std::size_t physical_;
    mdb::PageAllocator allocator_;
    std::optional<mdb::IndexTree> writer_;
    Entries expected_;
    std::uint32_t next_ = 0;
};

// Insert, remove at random, insert again, remove everything; then fill, clear() and fill again,
// which must not grow the file. Returns the deepest tree seen.
int randomPhases(testing_mdb::MemoryDatabase& m, const std::string& table, std::size_t physical,
                 const RowMaker& make, int inserts) {
    std::mt19937 random(20240517);
    Subject s(m, table, physical);
    int depth = s.check("as Access left it").depth;
    for (int i = 0; i < inserts; ++i) s.insert(make(random));
    depth = std::max(depth, s.check("after inserts").depth);
    for (int i = 0; i < inserts / 2 && !s.expected().empty(); ++i)
        s.removeAt(std::uniform_int_distribution<std::size_t>(0, s.expected().size() - 1)(random));
    s.check("after random removals");
    for (int i = 0; i < inserts / 2; ++i) s.insert(make(random));
    depth = std::max(depth, s.check("after more inserts").depth);
    while (!s.expected().empty())
        s.removeAt(std::uniform_int_distribution<std::size_t>(0, s.expected().size() - 1)(random));
    const mdb::IndexContents empty = s.check("after removing everything");
    EXPECT_EQ(empty.leafPages, std::vector<mdb::PageNumber>{s.root()});

    for (int i = 0; i < inserts; ++i) s.insert(make(random));
    s.check("filled again");
    const mdb::PageNumber size = m.pager().pageCount();
    s.clear();
    EXPECT_EQ(s.check("cleared").leafPages, std::vector<mdb::PageNumber>{s.root()});
    for (int i = 0; i < inserts; ++i) s.insert(make(random));
    s.check("filled after clear");
    EXPECT_EQ(m.pager().pageCount(), size) << "clear() gave back every page for reuse";
    m.pager().commit();

    // What reached the file reads back the same from a fresh start.
    auto fresh = testing_mdb::reopen(m);
    EXPECT_EQ(mdb::walkIndex(fresh.pager(), s.root()).entries.size(), s.expected().size());
    return depth;
}

std::u16string randomText(std::mt19937& random) {
    static const std::u16string pieces[] = {
        u"perché", u"CITTÀ",  u"città", u"Ærø",    u"straße",  u"naïve", u"-1",   u"a-b", u"über",
        u"Ελλάδα", u"Россия", u"東京",  u"o'neil", u" spazio", u"Zeta",  u"zeta", u"0",   u"9z",
    };
    std::u16string text;
    const int parts = std::uniform_int_distribution<int>(0, 6)(random);
    for (int i = 0; i < parts; ++i)
        text +=
            pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
    // Now and then a long one, past the 255 characters an index looks at.
    if (std::uniform_int_distribution<int>(0, 9)(random) == 0)
        text += std::u16string(std::uniform_int_distribution<std::size_t>(100, 300)(random), u'x');
    return text;
}

std::string utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

TEST(IndexTree, KeepsADescendingLongIndexOfTwoLevelsTrue) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("compIndexTestV2003.mdb");
    const RowMaker make = [](std::mt19937& random) {
        Row row(3);
        row[0] = std::uniform_int_distribution<std::int32_t>(-3000, 3000)(random);
        return row;
    };
    EXPECT_GE(randomPhases(m, "Table1", 0, make, 6000), 2);
}

TEST(IndexTree, GrowsATextIndexToThreeLevels) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("bigIndexTestV2003.mdb");
    const RowMaker make = [](std::mt19937& random) {
        Row row(2);
        if (std::uniform_int_distribution<int>(0, 30)(random) != 0)
            row[0] = utf8(randomText(random));
        return row;
    };
    EXPECT_GE(randomPhases(m, "Table1", 0, make, 4000), 3);
}

TEST(IndexTree, KeepsACompoundIgnoreNullsIndexTrue) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("testIndexPropertiesV2003.mdb");
    const mdb::TableDefinition& d = m.db->table("TableIgnoreNulls2").definition();
    const auto data = std::find_if(d.physicalIndexes.begin(), d.physicalIndexes.end(),
                                   [](const auto& i) { return i.ignoresNulls(); });
    ASSERT_NE(data, d.physicalIndexes.end());
    const RowMaker make = [](std::mt19937& random) {
        Row row(3);
        if (std::uniform_int_distribution<int>(0, 3)(random) != 0)
            row[1] = utf8(randomText(random));
        if (std::uniform_int_distribution<int>(0, 3)(random) != 0)
            row[2] = std::uniform_int_distribution<std::int32_t>(-50, 50)(random);
        return row;
    };
    randomPhases(m, "TableIgnoreNulls2", static_cast<std::size_t>(data - d.physicalIndexes.begin()),
                 make, 3000);
}

TEST(IndexTree, ReadsPagesAgainAfterARollback) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("compIndexTestV2003.mdb");
    Subject s(m, "Table1", 0);
    std::mt19937 random(7);
    auto row = [&] {
        Row r(3);
        r[0] = std::uniform_int_distribution<std::int32_t>(-100, 100)(random);
        return r;
    };
    for (int i = 0; i < 100; ++i) s.insert(row());
    s.check("committed");
    const std::size_t committed = s.expected().size();
    for (int i = 0; i < 900; ++i) s.insert(row());  // splits pages the rollback takes back
    s.rollback();
    EXPECT_EQ(s.expected().size(), committed);
    for (int i = 0; i < 50; ++i) s.insert(row());
    s.check("after the rollback");
}

// Keys in order (autonumbers) fill every leaf but the last one to the brim; keys arriving in
// any other order still split pages in half.
TEST(IndexTree, KeysInOrderFillTheirLeaves) {
    const mdb::TableSchema schema{
        .name = "T",
        .columns = {mdb::columnSchema("N", mdb::ColumnType::Long)},
        .indexes = {mdb::indexSchema("N", {"N"}, mdb::IndexSchema::Kind::PrimaryKey)}};
    for (const bool inOrder : {true, false}) {
        SCOPED_TRACE(inOrder ? "in order" : "shuffled");
        auto m = testing_mdb::openBytes(mdb::newDatabase(mdb::DateTime{46000.5}, {schema}), "new");
        Subject s(m, "T", 0);
        std::vector<std::int32_t> keys(20000);
        for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<std::int32_t>(i);
        if (!inOrder) std::shuffle(keys.begin(), keys.end(), std::mt19937(5));
        for (std::int32_t k : keys) s.insert(Row{k});
        const mdb::IndexContents walked = s.check("filled");
        std::size_t fewest = keys.size(), most = 0;
        for (std::size_t i = 0; i + 1 < walked.leafPages.size(); ++i) {
            const mdb::PageNumber p = walked.leafPages[i];
            const std::size_t n = mdb::IndexPage::decode(*m.pager().page(p), p).entries.size();
            fewest = std::min(fewest, n);
            most = std::max(most, n);
        }
        ASSERT_GT(walked.leafPages.size(), 10u);
        if (inOrder)
            EXPECT_EQ(fewest, most) << walked.leafPages.size() << " leaves";
        else
            EXPECT_LT(fewest, most * 6 / 10) << walked.leafPages.size() << " leaves";
    }
}

TEST(IndexTree, ClearRefusesATreeThatReachesAPageTwice) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("compIndexTestV2003.mdb");
    Subject s(m, "Table1", 0);
    std::mt19937 random(11);
    for (int i = 0; i < 3000; ++i) {
        Row r(3);
        r[0] = std::uniform_int_distribution<std::int32_t>(-3000, 3000)(random);
        s.insert(r);
    }
    ASSERT_GE(s.check("filled").depth, 2);
    // Damage the root: its child tail names its first child again.
    const mdb::IndexPage root = mdb::IndexPage::decode(*m.pager().page(s.root()), s.root());
    ASSERT_FALSE(root.entries.empty());
    mdb::put32le(m.pager().modify(s.root()), mdb::IndexPage::kChildTailAt,
                 root.entries.front().child);
    try {
        s.writer().clear();
        ADD_FAILURE() << "clear() released the pages of a damaged tree";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Corrupt);
        EXPECT_NE(std::string(e.what()).find("reaches it twice"), std::string::npos) << e.what();
    }
}

TEST(IndexTree, AppliesTheUniqueRequiredAndIgnoreNullsRules) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("testIndexPropertiesV2003.mdb");
    mdb::Table& table = m.db->table("TableUnique2_temp");
    const mdb::TableDefinition& d = table.definition();
    mdb::PageAllocator allocator(m.pager());
    m.pager().beginWrite();
    std::vector<mdb::IndexTree> writers;
    for (std::size_t i = 0; i < d.physicalIndexes.size(); ++i)
        writers.emplace_back(m.pager(), allocator, d, i);
    auto& primary =
        *std::find_if(writers.begin(), writers.end(), [](auto& w) { return w.backsPrimaryKey(); });
    auto& unique =
        *std::find_if(writers.begin(), writers.end(), [](auto& w) { return !w.backsPrimaryKey(); });
    ASSERT_TRUE(unique.index().isUnique());

    mdb::Table::Cursor cursor = table.scan();
    ASSERT_TRUE(cursor.next());
    Row existing = cursor.values();
    EXPECT_EQ(primary.check(*primary.keyFor(existing)), mdb::KeyCheck::Duplicate);
    EXPECT_EQ(unique.check(*unique.keyFor(existing)), mdb::KeyCheck::Duplicate);

    Row fresh = existing;
    fresh[0] = std::string("a row key nobody has");
    fresh[1] = std::string("a data value nobody has");
    EXPECT_EQ(primary.check(*primary.keyFor(fresh)), mdb::KeyCheck::Ok);
    EXPECT_EQ(unique.check(*unique.keyFor(fresh)), mdb::KeyCheck::Ok);

    // Text keys fold case: Access refuses "ROW" next to "row" in a unique index.
    Row upper = existing;
    auto& text = std::get<std::string>(upper[0]);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    EXPECT_EQ(primary.check(*primary.keyFor(upper)), mdb::KeyCheck::Duplicate);

    // A unique index takes any number of all-null keys; a primary key takes no null at all.
    Row nulls(d.columns.size());
    const mdb::IndexKey nullKey = *unique.keyFor(nulls);
    EXPECT_TRUE(nullKey.allNull);
    unique.insert(nullKey, {0x9000, 1});
    EXPECT_TRUE(unique.contains(nullKey));
    EXPECT_EQ(unique.check(nullKey), mdb::KeyCheck::Ok);
    EXPECT_EQ(primary.check(*primary.keyFor(nulls)), mdb::KeyCheck::NullInRequired);

    // An ignore-nulls index has no entry for an all-null key, but one for a half-null key.
    const mdb::TableDefinition& ignoring = m.db->table("TableIgnoreNulls2").definition();
    for (std::size_t i = 0; i < ignoring.physicalIndexes.size(); ++i) {
        mdb::IndexTree w(m.pager(), allocator, ignoring, i);
        if (!w.index().ignoresNulls()) continue;
        Row half(ignoring.columns.size());
        EXPECT_EQ(w.keyFor(half), std::nullopt);
        half[2] = std::int32_t{5};
        ASSERT_TRUE(w.keyFor(half));
        EXPECT_EQ(w.keyFor(half)->nullColumns, 1);
    }
    m.pager().rollback();
}

TEST(IndexTree, RefusesAnIndexItCannotKeep) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("bigIndexTestV2003.mdb");
    mdb::TableDefinition d = m.db->table("Table1").definition();
    for (mdb::Column& c : d.columns) c.sortOrder = 1040;  // a sort order other than General
    EXPECT_NE(mdb::IndexTree::whyCannotMaintain(d, d.physicalIndexes[0]), std::nullopt);
    mdb::PageAllocator allocator(m.pager());
    try {
        mdb::IndexTree w(m.pager(), allocator, d, 0);
        ADD_FAILURE() << "made a writer";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Unsupported);
        EXPECT_NE(std::string(e.what()).find("1040"), std::string::npos) << e.what();
    }
}

}  // namespace

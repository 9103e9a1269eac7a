// index_tree.h: the B-tree of one physical index, kept true as rows come and go.
//
// The index is a B-tree of index pages (index_page.h): leaves hold every entry in index order
// and are chained previous/next; a node holds, per child but its last, the child's last entry
// plus the child's page, and names its last child in the child-tail field. The root page never
// moves (the table definition names it): when the root fills, its entries move to new children
// and it becomes a node. Pages the index takes or frees go through the PageAllocator and are
// recorded in the index's own usage map.
//
// The table writer, per row and per physical index:
//   insert: key = keyFor(row); if key: check(*key) must be KeyCheck::Ok for EVERY index before
//           anything changes, then insert(*key, position) (true = a new distinct key: add one
//           to the index's unique entry count in the table definition);
//   delete: key = keyFor(row); if key: remove(*key, position) (the unique count stays, as
//           Access leaves it);
//   delete all rows: clear().
// Every call must be inside Pager::beginWrite()...commit(). The tree keeps the pages it read
// between calls and uses them again while the pager holds the same copy in the same generation
// (pager.h); so within one generation only one IndexTree may change a given index (a table
// writer holds one per index), and pages changed behind its back any other way are read again.
// Looking a key up without changing anything is index_lookup.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file/pager.h"
#include "format/page_allocator.h"
#include "format/table_definition.h"
#include "index/row_key.h"
#include "mdb/row_position.h"
#include "mdb/value.h"

namespace mdb {

enum class KeyCheck {
    Ok,
    NullInRequired,  // a null key column in a primary key or an index marked required
    Duplicate,       // a unique index already holds this key (several all-null keys are fine)
};

class IndexTree {
public:
    // Why this engine cannot keep the physical index `index` of `definition` true (a column kind
    // or text sort order the key builder cannot encode, a column that is not there), or nullopt.
    // Every write to a table with such an index must be refused before anything changes.
    static std::optional<std::string> whyCannotMaintain(const TableDefinition& definition,
                                                        const PhysicalIndex& index);

    // The tree of definition.physicalIndexes[physicalIndex]. Throws Error (Unsupported) with
    // whyCannotMaintain's message when the index cannot be kept.
    IndexTree(Pager& pager, PageAllocator& allocator, const TableDefinition& definition,
              std::size_t physicalIndex);
    ~IndexTree();
    IndexTree(IndexTree&&) noexcept;
    IndexTree& operator=(IndexTree&&) = delete;

    const PhysicalIndex& index() const;
    // Whether a primary key (a logical index of kind PrimaryKey) uses this physical index.
    bool backsPrimaryKey() const;

    // The key of a row whose values are given in the definition's column order (as
    // Table::Cursor::values() returns them); nullopt when the index holds no entry for the row
    // (it ignores nulls and every key column is null). Throws Error (Refused) when a value does
    // not fit its column (a text where a Long belongs).
    std::optional<IndexKey> keyFor(std::span<const Value> row) const;

    // Whether an entry with exactly these key bytes is in the index (any row).
    bool contains(const IndexKey& key);
    // The unique and required rules of this index for a new entry with this key.
    KeyCheck check(const IndexKey& key);

    // Adds the entry (key, row) in its place. Returns whether no other entry had this key
    // before. Throws Error (Corrupt) when the index pages are damaged, (Refused) when a page is
    // needed and the file is full.
    bool insert(const IndexKey& key, RowPosition row);
    // Removes the entry (key, row). Throws Error (Corrupt) when the index holds no such entry.
    void remove(const IndexKey& key, RowPosition row);
    // Leaves the root as an empty leaf and releases every other page of the index.
    void clear();

    // While held, the pages an insert changes stay in the tree rather than going to the pager
    // at the end of each call, so that many inserts in one operation write each page once;
    // writeHeld() gives them to the pager (call it before the operation commits), and so does
    // holdWrites(false). A failed call still forgets every page, held ones included: the
    // operation must then be rolled back.
    void holdWrites(bool hold);
    void writeHeld();

private:
    class Impl;
    std::unique_ptr<Impl> tree_;
};

}  // namespace mdb

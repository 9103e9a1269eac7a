#include "format/write_order.h"

#include <algorithm>
#include <cstring>

#include "format/byte_order.h"
#include "format/data_page.h"
#include "format/format_constants.h"

namespace mdb {
namespace {

enum class Group { Fresh, Rows, Other, Definition };

bool allZero(const PageBytes& b) {
    static const PageBytes kZero{};
    return std::memcmp(b.data(), kZero.data(), kPageSize) == 0;
}

// Whether the bytes decide which rows a scan finds: a table's data page or a usage map.
bool decidesRows(PageNumber n, const PageBytes& b) {
    if (n == kGlobalMapPage || b[0] == kUsageMapPageType) return true;
    return b[0] == kDataPageType && get32le(b, 4) != kLongValueOwner;
}

Group groupOf(PageNumber n, const PageBytes& now, const PageBytes* before, bool fresh) {
    if (fresh || (before != nullptr && allZero(*before))) return Group::Fresh;
    if (now[0] == kTableDefinitionPageType) return Group::Definition;
    // A page freed by a delete is zero now: what it was decides.
    if (decidesRows(n, now) || (before != nullptr && decidesRows(n, *before))) return Group::Rows;
    return Group::Other;
}

int rank(Group g, WriteOrder order) {
    switch (g) {
        case Group::Fresh:
            return 0;
        case Group::Rows:
            return order == WriteOrder::RowsAppear ? 3 : 1;
        case Group::Other:
            return order == WriteOrder::RowsAppear ? 1 : 2;
        case Group::Definition:
            return order == WriteOrder::RowsAppear ? 2 : 3;
    }
    return 0;
}

}  // namespace

std::vector<PageNumber> orderForWriting(std::span<const PageChange> changes, PageNumber pagesBefore,
                                        WriteOrder order) {
    std::vector<std::pair<int, PageNumber>> ranked;
    ranked.reserve(changes.size());
    for (const PageChange& change : changes) {
        const PageBytes* was = change.before.get();
        const bool appended = was == nullptr && change.number >= pagesBefore;
        ranked.emplace_back(
            rank(groupOf(change.number, *change.bytes, was, appended || change.wasFree), order),
            change.number);
    }
    std::sort(ranked.begin(), ranked.end());
    std::vector<PageNumber> out;
    out.reserve(ranked.size());
    for (const auto& [r, n] : ranked) out.push_back(n);
    return out;
}

}  // namespace mdb

#include "file/page_change.h"

#include <algorithm>

namespace mdb {

std::vector<PageNumber> inPageNumberOrder(std::span<const PageChange> changes, PageNumber,
                                          WriteOrder) {
    std::vector<PageNumber> out;
    out.reserve(changes.size());
    for (const PageChange& change : changes) out.push_back(change.number);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace mdb

#include "reports/string_pool.h"

namespace reports {

StringPool::Id StringPool::intern(std::string_view text) {
    if (const auto found = ids_.find(text); found != ids_.end()) return found->second;
    const Id id = static_cast<Id>(strings_.size());
    const std::string& stored = strings_.emplace_back(text);
    ids_.emplace(stored, id);
    return id;
}

}  // namespace reports

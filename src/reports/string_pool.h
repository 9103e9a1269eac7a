// string_pool.h: texts stored once and named by a small number.
//
// A roll's detail lines repeat a few categories, item types, units and descriptions hundreds of
// thousands of times; keeping each distinct text once makes a line a handful of integers.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace reports {

class StringPool {
public:
    using Id = std::uint32_t;

    // The id of `text`, adding it on first sight. Id 0 is always the empty text.
    Id intern(std::string_view text);
    std::string_view text(Id id) const { return strings_[id]; }
    std::size_t size() const { return strings_.size(); }

private:
    // A deque never moves its elements, so the views used as keys stay valid.
    std::deque<std::string> strings_{std::string()};
    std::unordered_map<std::string_view, Id> ids_{{std::string_view(), 0}};
};

}  // namespace reports

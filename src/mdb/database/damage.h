// damage.h: naming the file (and table) in front of a corruption found deep in the pages.
//
// Page-level code knows only the page and row it was looking at; the public API knows the file
// and the table. Each public entry point runs its work through withDamageContext, so that the
// message a user reads says where: "Database 'x.mdb' is damaged: table 'T': data page 9: ...".
#pragma once

#include <string>
#include <utility>

#include "mdb/error.h"

namespace mdb {

inline std::string damagePrefix(const std::string& file, const std::string& table) {
    std::string prefix = "Database '" + file + "' is damaged: ";
    if (!table.empty()) prefix += "table '" + table + "': ";
    return prefix;
}

template <class Work>
decltype(auto) withDamageContext(const std::string& file, const std::string& table, Work&& work) {
    try {
        return std::forward<Work>(work)();
    } catch (const Error& e) {
        if (e.kind != Error::Kind::Corrupt) throw;
        throw Error(Error::Kind::Corrupt, damagePrefix(file, table) + e.what());
    }
}

}  // namespace mdb

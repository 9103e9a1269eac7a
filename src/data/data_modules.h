// data_modules.h: the application's data modules, their names and the global `DM`.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "data/dataModule.h"

namespace data {

// `base` if no name in `taken` equals it without regard to case, else "<base>_<n>" with the
// smallest n >= 1 that is free in the same sense.
std::string uniqueName(const std::string& base, const std::vector<std::string>& taken);

// Owns every data module created, until the owner ends (the program's end, in the window
// program). Earlier modules stay alive when a new one is created, each with its own connection.
class DataModules {
public:
    DataModules() = default;
    // Clears DM when it designates one of these modules.
    ~DataModules();
    DataModules(const DataModules&) = delete;
    DataModules& operator=(const DataModules&) = delete;

    // Creates a module named uniquely ("DM", "DM_1", ...), keeps it and makes it DM.
    TDM& create();

    std::size_t size() const { return modules_.size(); }
    TDM& operator[](std::size_t i) { return *modules_.at(i); }

private:
    std::vector<std::unique_ptr<TDM>> modules_;
};

}  // namespace data

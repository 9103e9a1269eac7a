#include "data/data_modules.h"

#include <algorithm>
#include <cctype>

namespace data {
namespace {

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool isTaken(const std::string& name, const std::vector<std::string>& taken) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& t) { return sameName(t, name); });
}

// The name every data module starts from: the module's component name.
const std::string kModuleName = "DM";

}  // namespace

std::string uniqueName(const std::string& base, const std::vector<std::string>& taken) {
    if (!isTaken(base, taken)) return base;
    for (std::size_t n = 1;; ++n) {
        std::string candidate = base + "_" + std::to_string(n);
        if (!isTaken(candidate, taken)) return candidate;
    }
}

DataModules::~DataModules() {
    for (const auto& module : modules_) {
        if (DM == module.get()) DM = nullptr;
    }
}

TDM& DataModules::create() {
    std::vector<std::string> taken;
    for (const auto& module : modules_) taken.push_back(module->name());
    modules_.push_back(std::make_unique<TDM>(uniqueName(kModuleName, taken)));
    DM = modules_.back().get();
    return *DM;
}

}  // namespace data

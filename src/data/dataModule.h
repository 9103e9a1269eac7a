// dataModule.h: the data module `TDM`, everything the program knows about the database.
//
// One instance per Connetti that finds the database file (see data_modules.h): its own connection
// `Con`, and later the two table datasets and the statement object on that connection. Creating
// an instance connects to nothing.
#pragma once

#include <string>

#include "data/connection.h"

namespace data {

class TDM {  // fixed name, keep
public:
    explicit TDM(std::string name);
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // "DM", "DM_1", ...: unique among the application's data modules.
    const std::string& name() const { return name_; }

    // Not connected when created. Its initial string names a default database file that is never
    // used: Connetti always replaces the string before opening.
    Connection Con;  // fixed name, keep

    // The datasets TTestate and TDettaglioVoci and the statement object Q, all on Con, join here
    // with the import.

private:
    std::string name_;
};

}  // namespace data

// The newest data module, or null until a Connetti first finds the database file. Set by
// data::DataModules::create; the only global of the program.
extern data::TDM* DM;  // fixed name, keep

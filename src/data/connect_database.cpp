#include "data/connect_database.h"

#include "data/connection_string.h"
#include "data/file_exists.h"

namespace data {

TDM* connectDatabase(DataModules& modules, const std::string& databasePath) {
    if (!namesExistingFile(databasePath)) return nullptr;
    TDM& dm = modules.create();
    dm.Con.close();
    dm.Con.setConnectionString(connectionStringFor(databasePath));
    dm.Con.open();
    return &dm;
}

}  // namespace data

#include <ostream>

#include "commands.h"
#include "mdb/verify.h"

namespace tool {

int verifyDatabaseFile(const std::string& file, std::ostream& out) {
    const std::vector<std::string> problems = mdb::verifyFile(file);
    for (const std::string& line : problems) out << line << '\n';
    return problems.empty() ? 0 : 1;
}

}  // namespace tool

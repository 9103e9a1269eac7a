// commands.h: the inspector's commands, each printing to `out`. They throw mdb::Error.
#pragma once

#include <ostream>
#include <string>

namespace tool {

enum class BinaryStyle { Raw, Hex };

struct ExportOptions {
    std::string dateFormat = "%Y-%m-%d %H:%M:%S";  // strftime conversions
    BinaryStyle binary = BinaryStyle::Raw;
};

void listTables(const std::string& file, std::ostream& out);
void printSchema(const std::string& file, const std::string& table, std::ostream& out);
void exportTable(const std::string& file, const std::string& table, const ExportOptions& options,
                 std::ostream& out);
void printInfo(const std::string& file, std::ostream& out);
// Prints one line per problem found in the file; returns the exit status (0: none).
int verifyDatabaseFile(const std::string& file, std::ostream& out);

}  // namespace tool

// commands.h: the inspector's commands, each printing to `out`. They throw mdb::Error.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "mdb/schema.h"

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
// Inserts one row from "column=value" texts and "--null" "column" pairs (other columns get their
// default values); prints where it went.
void insertRow(const std::string& file, const std::string& table,
               const std::vector<std::string>& assignments, std::ostream& out);
// Deletes every row of the table; prints how many.
void deleteAll(const std::string& file, const std::string& table, std::ostream& out);

// Creates a new database (with the roll's two tables when `roll` is set); never overwrites.
void createDatabaseFile(const std::string& file, bool roll, std::ostream& out);
// Adds the roll's two tables to an existing database of either format; refuses, changing
// nothing, one that has either table.
void addRollTablesToFile(const std::string& file, std::ostream& out);
// The schema the create-table arguments describe (see create_commands.cpp and the usage text).
// Throws mdb::Error (Refused) naming a description it cannot read.
mdb::TableSchema parseTableDescription(const std::string& table,
                                       const std::vector<std::string>& columns,
                                       const std::vector<std::string>& indexes);
void createTableFromDescription(const std::string& file, const mdb::TableSchema& schema,
                                std::ostream& out);

}  // namespace tool

// brelvano-db: looks into an Access database (97 or 2000-2003) without Access.
//   brelvano-db tables FILE
//   brelvano-db schema FILE TABLE
//   brelvano-db export [--date-format FMT] [--bin raw|hex] FILE TABLE
//   brelvano-db info FILE
//   brelvano-db verify FILE
//   brelvano-db insert FILE TABLE [COLUMN=VALUE | --null COLUMN]...
//   brelvano-db delete-all FILE TABLE
//   brelvano-db create FILE [--roll]
//   brelvano-db add-roll FILE
//   brelvano-db create-table FILE TABLE COLUMN... [--index INDEX]...
//   brelvano-db report FILE NAME --pdf OUT.pdf
//   brelvano-db --help | --version
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "commands.h"
#include "mdb/error.h"
#include "mdb/recovery.h"
#include "platform/console.h"
#include "report_command.h"

namespace {

void printUsage(std::ostream& out) {
    out << "usage: brelvano-db tables FILE\n"
           "       brelvano-db schema FILE TABLE\n"
           "       brelvano-db export [--date-format FMT] [--bin raw|hex] FILE TABLE\n"
           "       brelvano-db info FILE\n"
           "       brelvano-db verify FILE\n"
           "       brelvano-db insert FILE TABLE [COLUMN=VALUE | --null COLUMN]...\n"
           "       brelvano-db delete-all FILE TABLE\n"
           "       brelvano-db report FILE NAME --pdf OUT.pdf   (NAME: 1_Ruolo, 2_QTotaleVoci)"
        << tool::reportUsageNote()
        << "\n"
           "       brelvano-db create FILE [--roll]\n"
           "       brelvano-db add-roll FILE\n"
           "       brelvano-db create-table FILE TABLE COLUMN... [--index INDEX]...\n"
           "       brelvano-db --help | --version\n"
           "Values: numbers with a point for decimals, dates as YYYY-MM-DD [HH:MM[:SS]],\n"
           "yes/no, binary data in hexadecimal; --null stores a null; columns not named\n"
           "get their defaults.\n"
           "create makes a new, empty Jet 4 database (never over an existing file);\n"
           "--roll adds the tables Testate and DettaglioVoci.\n"
           "add-roll adds Testate and DettaglioVoci to an existing database (Access 97 or\n"
           "2000-2003); it changes nothing in one that has either table.\n"
           "create-table adds a table to a database (Access 97 or 2000-2003). Names may\n"
           "hold blanks, not ':' or ','.\n"
           "  COLUMN  NAME:TYPE[:OPTION]...\n"
           "          TYPE    text(N) memo long integer byte double single currency\n"
           "                  datetime yesno guid ole binary(N)   (N: 1 to 255)\n"
           "          OPTION  autonumber (long)  compressed (text, memo: Unicode\n"
           "                  compression)  required  zerolength (text, memo: allow \"\")\n"
           "                  default=EXPRESSION\n"
           "  INDEX   NAME:COLUMN[ desc][,COLUMN[ desc]]...[:primary|:unique][:required]\n"
           "          [:ignorenulls]\n"
           "  e.g. brelvano-db create-table db.mdb Persone 'ID:long:autonumber' \\\n"
           "         'Nome:text(50):compressed:zerolength' --index 'PrimaryKey:ID:primary'\n";
}

int usage() {
    printUsage(std::cerr);
    return 2;
}

// Takes the export options off the front of `args`; false on a bad option.
bool takeExportOptions(std::vector<std::string>& args, tool::ExportOptions& options) {
    while (!args.empty() && args.front().starts_with("--")) {
        if (args.size() < 2) return false;
        if (args[0] == "--date-format") {
            options.dateFormat = args[1];
        } else if (args[0] == "--bin" && (args[1] == "raw" || args[1] == "hex")) {
            options.binary = args[1] == "raw" ? tool::BinaryStyle::Raw : tool::BinaryStyle::Hex;
        } else {
            return false;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    platform::useUtf8Console();
    std::vector<std::string> args = platform::utf8Arguments(argc, argv);
    args.erase(args.begin());
    if (args.empty()) return usage();
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        printUsage(std::cout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "brelvano-db " BRELVANO_VERSION "\n";
        return 0;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        // Every command but create names its database first.
        if (!args.empty() && command != "create" && mdb::recoverFile(args[0]))
            std::cerr << "brelvano-db: " << mdb::interruptedWriteUndone(args[0]) << '\n';
        if (command == "tables" && args.size() == 1) {
            tool::listTables(args[0], std::cout);
        } else if (command == "schema" && args.size() == 2) {
            tool::printSchema(args[0], args[1], std::cout);
        } else if (command == "info" && args.size() == 1) {
            tool::printInfo(args[0], std::cout);
        } else if (command == "verify" && args.size() == 1) {
            return tool::verifyDatabaseFile(args[0], std::cout);
        } else if (command == "insert" && args.size() >= 2) {
            tool::insertRow(args[0], args[1], {args.begin() + 2, args.end()}, std::cout);
        } else if (command == "delete-all" && args.size() == 2) {
            tool::deleteAll(args[0], args[1], std::cout);
        } else if (command == "create" &&
                   (args.size() == 1 || (args.size() == 2 && args[1] == "--roll"))) {
            tool::createDatabaseFile(args[0], args.size() == 2, std::cout);
        } else if (command == "add-roll" && args.size() == 1) {
            tool::addRollTablesToFile(args[0], std::cout);
        } else if (command == "create-table" && args.size() >= 3) {
            std::vector<std::string> columns, indexes;
            for (std::size_t i = 2; i < args.size(); ++i) {
                if (args[i] != "--index") {
                    columns.push_back(args[i]);
                } else if (++i < args.size()) {
                    indexes.push_back(args[i]);
                } else {
                    return usage();
                }
            }
            tool::createTableFromDescription(
                args[0], tool::parseTableDescription(args[1], columns, indexes), std::cout);
        } else if (command == "report") {
            const auto request = tool::parseReportRequest(args);
            if (!request) return usage();
            return tool::renderReport(*request, argc, argv, std::cout, std::cerr);
        } else if (command == "export") {
            tool::ExportOptions options;
            if (!takeExportOptions(args, options) || args.size() != 2) return usage();
            tool::exportTable(args[0], args[1], options, std::cout);
        } else {
            return usage();
        }
    } catch (const mdb::Error& e) {
        std::cerr << "brelvano-db: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

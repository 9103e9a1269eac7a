// brelvano-import: the window's import without the window, for scheduled jobs and tests.
//
//   brelvano-import --header FILE --detail FILE --database FILE [--yes]
//   brelvano-import --help | --version
//
// Runs exactly what "Connetti !!!" then "Importa" run, with the same checks, conversions and
// messages. Amounts and dates are read with the regional settings of the locale variables
// (LC_ALL, LC_NUMERIC, LC_TIME, LANG), as the window reads them.
//
// Exit status: 0 after "Operazione terminata"; 1 after an error (printed as the error display
// shows it) or when a text file is not found; 2 for wrong usage; 3 when the tables held data
// and their deletion was not confirmed.
#include <unistd.h>

#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "data/connect_database.h"
#include "data/data_modules.h"
#include "data/error_text.h"
#include "data/file_exists.h"
#include "import/import_run.h"
#include "mdb/recovery.h"
#include "platform/console.h"
#include "regional_settings_source.h"
#include "terminal_host.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotConfirmed = 3;

const char* const kUsageText =
    "usage: brelvano-import --header FILE --detail FILE --database FILE [--yes]\n"
    "       brelvano-import --help | --version\n"
    "\n"
    "Empties the tables Testate and DettaglioVoci of the database and refills them from the\n"
    "header file and the detail file, as the window's Connetti and Importa do.\n"
    "  --yes   confirm the deletion of existing data without asking (otherwise the question\n"
    "          is asked when standard input is a terminal, and answered No when it is not)\n"
    "%s\n"
    "Exit status: 0 done, 1 error, 2 wrong usage, 3 deletion not confirmed.\n";

void printUsage(std::ostream& out) {
    std::string text = kUsageText;
    text.replace(text.find("%s"), 2, tool::regionalSettingsHelp());
    out << text;
}

struct Options {
    std::optional<std::string> header, detail, database;
    bool yes = false;
};

// nullopt on wrong usage.
std::optional<Options> parse(const std::vector<std::string>& args) {
    const std::size_t count = args.size();
    Options options;
    for (std::size_t i = 1; i < count; ++i) {
        const std::string arg = args[i];
        std::optional<std::string>* target = arg == "--header"     ? &options.header
                                             : arg == "--detail"   ? &options.detail
                                             : arg == "--database" ? &options.database
                                                                   : nullptr;
        if (target != nullptr) {
            if (i + 1 >= count || target->has_value()) return std::nullopt;
            *target = args[++i];
        } else if (arg == "--yes" && !options.yes) {
            options.yes = true;
        } else {
            return std::nullopt;
        }
    }
    if (!options.header || !options.detail || !options.database) return std::nullopt;
    return options;
}

// The error display's text for what ended the run.
std::string shownMessage(const std::exception_ptr& error) {
    return data::withFinalPoint(data::errorText(error));
}

int run(const Options& options) {
    TerminalHost host(options.yes ? std::optional<bool>(true) : std::nullopt, isatty(0) == 1,
                      isatty(2) == 1);
    try {
        // Connetti: the text files' status, then the data module and its connection.
        if (!data::namesExistingFile(*options.header) ||
            !data::namesExistingFile(*options.detail)) {
            host.filesNotFound();  // the window would leave "Importa" disabled
            return kFailed;
        }
        if (mdb::recoverFile(*options.database))
            std::cerr << mdb::interruptedWriteUndone(*options.database) << '\n';
        data::DataModules modules;
        data::connectDatabase(modules, *options.database);
        // Importa.
        switch (
            importer::runImport({*options.header, *options.detail, *options.database}, DM, host)) {
            case importer::ImportOutcome::Completed:
                return kDone;
            case importer::ImportOutcome::FilesNotFound:
                return kFailed;
            case importer::ImportOutcome::NotConfirmed:
                return kNotConfirmed;
        }
        return kFailed;
    } catch (...) {
        host.endProgress();
        std::cerr << shownMessage(std::current_exception()) << '\n';
        return kFailed;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    platform::useUtf8Console();
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(std::cout);
        return kDone;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "brelvano-import " BRELVANO_VERSION "\n";
        return kDone;
    }
    const std::optional<Options> options = parse(platform::utf8Arguments(argc, argv));
    if (!options) {
        printUsage(std::cerr);
        return kUsage;
    }
    tool::loadRegionalSettings();
    return run(*options);
}

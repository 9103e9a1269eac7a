// roll_generator: writes a realistic tax roll (a header file and a detail file) for the demo,
// the end-to-end tests and the benchmarks.
//
//   brelvano-gen-roll --dir DIR [--documents N] [--items-per-document K] [--seed S]
//                     [--bad-header-line L]
//
// Both files are Windows-1252 text in the form spreadsheet exports use: every value written as
// ="text"; with CR LF line ends, a title row first. Amounts use Italian formatting («1.234,50»)
// and dates «dd/mm/yyyy», so the files are read under an Italian locale. About one detail line in
// twenty has no category or unit and is dropped by the import. --bad-header-line puts an
// unreadable amount on that line of the header file (1 = the title row), for error tests.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

struct Options {
    std::filesystem::path dir;
    long documents = 2000;
    int itemsPerDocument = 5;
    unsigned seed = 1;
    long badHeaderLine = 0;
};

// Names and places with the accented letters the office's data holds, as Windows-1252 bytes.
const char* const kSurnames[] = {"Rossi",
                                 "Bianchi",
                                 "Nicol\xF2",
                                 "D'Angelo",
                                 "Fabbr\xEC",
                                 "Citt\xE0",
                                 "Pere\xF1"
                                 "a",
                                 "M\xFCller",
                                 "Esposito",
                                 "Ferrari"};
const char* const kNames[] = {"Mario",    "Giulia", "Jos\xE9",     "Ren\xE9", "Lucia",
                              "Andr\xE8", "Chiara", "Fran\xE7ois", "Paola",   "Luca"};
const char* const kTowns[] = {"Forl\xEC", "Cant\xF9", "Roma",   "Milano",
                              "Bologna",  "Pal\xF9",  "Napoli", "Torino"};
const char* const kProvinces[] = {"FC", "CO", "RM", "MI", "BO", "TN", "NA", "TO"};
const char* const kCategories[] = {"Abitazioni private",           "Negozi e botteghe",
                                   "Uffici e studi professionali", "Ristoranti, trattorie",
                                   "Alberghi con ristorante",      "Attivit\xE0 artigianali"};
const char* const kItemTypes[] = {"Quota fissa", "Quota variabile", "Tributo provinciale"};

class RollWriter {
public:
    explicit RollWriter(const Options& options) : options_(options), random_(options.seed) {}

    void writeHeader(std::ostream& out) {
        writeLine(out, titleRow(60));
        for (long doc = 1; doc <= options_.documents; ++doc) {
            std::vector<std::string> columns = headerColumns(doc);
            if (doc + 1 == options_.badHeaderLine) columns[43] = "12,3,4";
            writeLine(out, columns);
        }
    }

    void writeDetail(std::ostream& out) {
        writeLine(out, titleRow(17));
        for (long doc = 1; doc <= options_.documents; ++doc) {
            const int items = 1 + pick(2 * options_.itemsPerDocument - 1);
            for (int item = 1; item <= items; ++item) writeLine(out, detailColumns(doc, item));
        }
    }

private:
    static std::vector<std::string> titleRow(int count) {
        std::vector<std::string> columns;
        for (int i = 1; i <= count; ++i) columns.push_back("COLONNA " + std::to_string(i));
        return columns;
    }

    // A value as the exporting system writes it: ="text"; after every column, the last one
    // without the semicolon.
    static void writeLine(std::ostream& out, const std::vector<std::string>& columns) {
        std::string line;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            line += "=\"" + columns[i] + "\"";
            if (i + 1 < columns.size()) line += ';';
        }
        line += "\r\n";
        out << line;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    template <std::size_t N>
    const char* pickFrom(const char* const (&list)[N]) {
        return list[pick(static_cast<int>(N))];
    }

    // «1.234,50»: points between thousands, a comma before the cents.
    static std::string italianAmount(long cents) {
        std::string sign = cents < 0 ? "-" : "";
        cents = std::labs(cents);
        std::string whole = std::to_string(cents / 100);
        for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3) whole.insert(i, ".");
        char frac[24];
        std::snprintf(frac, sizeof frac, "%02ld", cents % 100);
        return sign + whole + "," + frac;
    }

    std::string date(int fromYear, int toYear) {
        char text[40];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", 1 + pick(28), 1 + pick(12),
                      fromYear + pick(toYear - fromYear + 1));
        return text;
    }

    std::string taxCode() {
        std::string code;
        for (int i = 0; i < 6; ++i) code += static_cast<char>('A' + pick(26));
        for (int i = 0; i < 2; ++i) code += static_cast<char>('0' + pick(10));
        code += static_cast<char>('A' + pick(26));
        for (int i = 0; i < 2; ++i) code += static_cast<char>('0' + pick(10));
        code += static_cast<char>('A' + pick(26));
        for (int i = 0; i < 3; ++i) code += static_cast<char>('0' + pick(10));
        code += static_cast<char>('A' + pick(26));
        return code;
    }

    std::vector<std::string> headerColumns(long doc) {
        std::vector<std::string> c(60);
        c[0] = std::to_string(doc);
        c[1] = std::to_string(100000 + doc);
        c[2] = date(2020, 2025);
        for (int i = 3; i < 16; ++i) c[i] = "CAMPO NON USATO " + std::to_string(pick(100000));
        c[16] = std::string(pickFrom(kSurnames)) + " " + pickFrom(kNames);
        c[17] = "Via " + std::string(pickFrom(kNames)) + " " + std::to_string(1 + pick(200)) +
                " - " + pickFrom(kTowns);
        c[18] = "";
        c[19] = "00" + std::to_string(pick(1000));
        c[20] = date(1930, 2000);
        const int town = pick(8);
        c[21] = kTowns[town];
        c[22] = kProvinces[town];
        c[23] = taxCode();
        c[24] = pick(4) == 0 ? std::to_string(10000000000L + pick(1000000000)) : "";
        for (int i = 25; i < 43; ++i) c[i] = pick(3) == 0 ? "" : "DATO " + std::to_string(i);
        long total = 0;
        for (int i = 43; i < 53; ++i) {
            const long cents = pick(5) == 0 ? 0 : pick(250000);
            c[i] = italianAmount(cents);
            total += cents;
        }
        c[53] = italianAmount(total);
        c[54] = italianAmount(pick(99) - 49);
        c[55] = italianAmount(total + pick(99) - 49);
        for (int i = 56; i < 60; ++i) c[i] = "FINE " + std::to_string(i);
        return c;
    }

    std::vector<std::string> detailColumns(long doc, int item) {
        std::vector<std::string> c(17);
        c[0] =
            doc >= 1000 ? std::to_string(doc / 1000) + "." + pad3(doc % 1000) : std::to_string(doc);
        c[1] = std::to_string(item);
        c[2] = "U." + std::to_string(doc * 10 + item);
        c[3] = "P" + std::to_string(pick(10000));
        c[4] = "ACC." + std::to_string(pick(1000));
        const bool dropped = pick(20) == 0;
        c[5] = dropped ? "   " : pickFrom(kCategories);
        c[6] = std::string("Tariffa ") + pickFrom(kItemTypes) + " anno 2025";
        c[7] = pickFrom(kItemTypes);
        c[8] = italianAmount(100 + pick(40000));
        c[9] = dropped ? "" : "mq";
        c[10] = italianAmount(1 + pick(500));
        c[11] = "01.01.2025";
        c[12] = "31.12.2025";
        c[13] = std::to_string(365 - pick(200));
        c[14] = "giorni";
        c[15] = italianAmount(pick(300000));
        c[16] = "";
        return c;
    }

    static std::string pad3(long n) {
        char text[24];
        std::snprintf(text, sizeof text, "%03ld", n);
        return text;
    }

    const Options& options_;
    std::mt19937 random_;
};

[[noreturn]] void usage() {
    std::cerr << "usage: brelvano-gen-roll --dir DIR [--documents N] [--items-per-document K]"
                 " [--seed S] [--bad-header-line L]\n";
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) usage();
        const char* value = argv[++i];
        if (arg == "--dir")
            options.dir = value;
        else if (arg == "--documents")
            options.documents = std::atol(value);
        else if (arg == "--items-per-document")
            options.itemsPerDocument = std::max(1, std::atoi(value));
        else if (arg == "--seed")
            options.seed = static_cast<unsigned>(std::atol(value));
        else if (arg == "--bad-header-line")
            options.badHeaderLine = std::atol(value);
        else
            usage();
    }
    if (options.dir.empty() || options.documents < 0) usage();
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    std::filesystem::create_directories(options.dir);
    RollWriter writer(options);
    std::ofstream header(options.dir / "testate.csv", std::ios::binary);
    writer.writeHeader(header);
    std::ofstream detail(options.dir / "dettagli.csv", std::ios::binary);
    writer.writeDetail(detail);
    header.close();
    detail.close();
    if (!header || !detail) {
        std::cerr << "brelvano-gen-roll: cannot write into " << options.dir << "\n";
        return 1;
    }
    std::cout << (options.dir / "testate.csv").string() << "\n"
              << (options.dir / "dettagli.csv").string() << "\n";
    return 0;
}

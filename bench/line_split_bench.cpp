// line_split_bench.cpp: reads, normalises and splits a large generated detail file, the text
// work of the detail pass without the database. Target: at least 400 MB/s on one core.
//
//   line_split_bench [file] [megabytes]
//
// The file (default /tmp/brelvano-detail-bench.txt, 500 MB) is generated first if it is absent,
// in the detail file's form: a title line, then lines of 16 «="value";» columns with CR LF.
// Each data line's 16 columns are cut out (ColumnCutter: as normalising and EstraiCampo would
// take them), the columns marked for point removal losing their points, as the detail pass does
// before assigning them.
#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "import/line_syntax.h"
#include "import/text_file_reader.h"

namespace {

// CPU time of this process: on a shared machine the wall clock also counts other programs' turns.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The detail columns that lose their points (1, 3, 4, 5, 9 to 13, 16).
constexpr bool kRemovePoints[17] = {false, true, false, true, true, true,  false, false, false,
                                    true,  true, true,  true, true, false, false, true};

struct Random {
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    std::uint32_t next(std::uint32_t bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>((state >> 33) % bound);
    }
};

std::string amount(Random& r) {
    std::uint32_t whole = r.next(100000);
    std::string s = std::to_string(whole);
    if (s.size() > 3) s.insert(s.size() - 3, ".");
    std::string cents = std::to_string(100 + r.next(100)).substr(1);
    return s + "," + cents;
}

void generate(const std::string& path, std::uint64_t bytes) {
    static const char* const kCategories[] = {"CAT 01 - ABITAZIONI CIVILI", "CAT 02 - NEGOZI",
                                              "CAT 11 - UFFICI E STUDI PROFESSIONALI", " "};
    static const char* const kItems[] = {"Tassa rifiuti quota fissa", "Quota variabile",
                                         "Tributo provinciale", "Maggiorazione servizi"};
    std::ofstream out(path, std::ios::binary);
    std::string chunk =
        "id doc;anno;cod utenza;cod posizione;accesso;categoria;des;tipo;"
        "quantita;um;prezzo;inizio;fine;tempo;um tempo;imponibile\r\n";
    Random r;
    std::uint64_t written = 0;
    while (written < bytes) {
        std::string line;
        auto col = [&](const std::string& v) { line += "=\"" + v + "\";"; };
        col(std::to_string(1 + r.next(2000000)));
        col("2024");
        col("U" + std::to_string(1000000 + r.next(9000000)));
        col("P" + std::to_string(r.next(100000)));
        col(std::to_string(r.next(10)) + "." + std::to_string(r.next(1000)));
        col(kCategories[r.next(4)]);
        col(kItems[r.next(4)]);
        col(r.next(2) ? "F" : "V");
        col(amount(r));
        col(r.next(5) ? "MQ" : "");
        col(amount(r));
        col("01.01.2024");
        col("31.12.2024");
        col(std::to_string(r.next(366)));
        col("GG");
        col(amount(r));
        line += "\r\n";
        chunk += line;
        if (chunk.size() >= (1 << 20)) {
            out << chunk;
            written += chunk.size();
            chunk.clear();
        }
    }
    out << chunk;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/brelvano-detail-bench.txt";
    const std::uint64_t generateMegabytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 500;
    if (!std::filesystem::exists(path)) {
        std::printf("generating %s (%llu MB)...\n", path.c_str(),
                    static_cast<unsigned long long>(generateMegabytes));
        generate(path, generateMegabytes * 1000 * 1000);
    }

    for (int pass = 1; pass <= 3; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuSeconds();
        importer::TextFileReader reader;
        reader.bind(path);
        reader.open();
        const std::int64_t size = reader.size();
        std::string line;
        reader.readLine(line);  // the title line
        std::uint64_t lines = 0;
        std::uint64_t checksum = 0;
        std::string pointless;
        do {
            reader.readLine(line);
            importer::ColumnCutter columns(line);
            for (int column = 1; column <= 16; ++column) {
                std::string_view field = columns.next();
                if (kRemovePoints[column]) {
                    pointless = importer::removePoints(field);
                    field = pointless;
                }
                checksum += field.size();
            }
            ++lines;
        } while (!reader.atEnd());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = cpuSeconds() - cpuStart;
        const double megabytes = static_cast<double>(size) / 1e6;
        std::printf(
            "pass %d: %.0f MB, %llu lines: %.3f s CPU = %.0f MB/s on one core "
            "(%.3f s wall = %.0f MB/s; checksum %llu)\n",
            pass, megabytes, static_cast<unsigned long long>(lines), cpu, megabytes / cpu, seconds,
            megabytes / seconds, static_cast<unsigned long long>(checksum));
    }
    return 0;
}

#include "report_command.h"

#include <unistd.h>

#include <QFile>
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "reports/report.h"

namespace tool {

std::string reportUsageNote() { return ""; }

std::optional<ReportRequest> parseReportRequest(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::optional<std::string> pdf;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--pdf" && i + 1 < args.size() && !pdf) {
            pdf = args[++i];
        } else if (args[i].starts_with("--")) {
            return std::nullopt;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (!pdf || positional.size() != 2) return std::nullopt;
    return ReportRequest{positional[0], positional[1], *pdf};
}

namespace {

// "page 120 of 4500, documents 540 of 20000, about 25 s left", rewritten in place on the
// terminal a few times a second while a long report is written.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err) {}
    void operator()(const reports::PrintProgress& p) {
        const auto now = std::chrono::steady_clock::now();
        const bool last = p.pagesDone == p.pageCount;
        if (!last && now - shown_ < std::chrono::milliseconds(200)) return;
        shown_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        const double left = elapsed * (p.pageCount - p.pagesDone) / p.pagesDone;
        err_ << "\rpage " << p.pagesDone << " of " << p.pageCount;
        if (p.documentCount > 0)
            err_ << ", documents " << p.documentsDone << " of " << p.documentCount;
        err_ << ", about " << static_cast<long>(left + 0.5) << " s left  ";
        if (last) err_ << '\n';
        err_.flush();
    }

private:
    std::ostream& err_;
    // The first line waits a moment too: one page is too few to tell the time left by.
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(),
                                          shown_ = start_;
};

}  // namespace

int renderReport(const ReportRequest& request, int& argc, char** argv, std::ostream& out,
                 std::ostream& err) {
    const std::optional<reports::ReportKind> kind = reports::reportNamed(request.name);
    if (!kind) {
        err << "brelvano-db: no report named " << request.name << " (there are "
            << reports::reportName(reports::ReportKind::Roll) << " and "
            << reports::reportName(reports::ReportKind::ItemTotals) << ")\n";
        return 1;
    }
    // Fonts and painting need a GUI application, but never a window.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    try {
        const auto report = reports::buildReport(*kind, request.file);
        // The progress line is for a person watching, not for a log.
        reports::ProgressListener progress;
        if (isatty(STDERR_FILENO)) progress = ProgressLine(err);
        const int pages =
            reports::writePdf(*report, QFile::decodeName(request.pdf.c_str()), progress);
        out << request.pdf << ": " << pages << (pages == 1 ? " page\n" : " pages\n");
    } catch (const std::exception& e) {
        err << "brelvano-db: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tool

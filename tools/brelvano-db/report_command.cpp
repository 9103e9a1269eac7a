#include "report_command.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdlib>
#include <exception>

#include "reports/report.h"

namespace tool {

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
        const int pages = reports::writePdf(*report, QFile::decodeName(request.pdf.c_str()));
        out << request.pdf << ": " << pages << (pages == 1 ? " page\n" : " pages\n");
    } catch (const std::exception& e) {
        err << "brelvano-db: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tool

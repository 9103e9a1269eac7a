// The reports are painted with Qt, which Debian does not build for Windows: the Windows build
// says so instead of rendering.
#include "report_command.h"

namespace tool {

std::string reportUsageNote() { return "\n       (report: Linux build only, the reports need Qt)"; }

std::optional<ReportRequest> parseReportRequest(const std::vector<std::string>&) {
    return ReportRequest{};
}

int renderReport(const ReportRequest&, int&, char**, std::ostream&, std::ostream& err) {
    err << "brelvano-db: report is only in the Linux build of brelvano-db: the reports need Qt\n";
    return 1;
}

}  // namespace tool

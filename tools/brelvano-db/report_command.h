// report_command.h: brelvano-db report FILE NAME --pdf OUT.pdf
//
// Renders one of the program's two reports ("1_Ruolo", "2_QTotaleVoci") from a database into a
// PDF file, headless: without a display it uses Qt's offscreen platform.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tool {

struct ReportRequest {
    std::string file;
    std::string name;
    std::string pdf;
};

// What the usage text adds after the report line: nothing where reports can be made.
std::string reportUsageNote();

// The arguments after "report": FILE NAME and "--pdf OUT" (before or after them); nullopt when
// they are not exactly that.
std::optional<ReportRequest> parseReportRequest(const std::vector<std::string>& args);

// Writes the PDF and says on `out` how many pages it has; on a terminal, a line on `err` shows
// the pages written, the documents done and the time left meanwhile. Returns the exit status: 0, or
// 1 after saying on `err` what went wrong.
int renderReport(const ReportRequest& request, int& argc, char** argv, std::ostream& out,
                 std::ostream& err);

}  // namespace tool

// terminal_host.h: the import run's host on a terminal.
//
// The question is asked on the terminal when standard input is one; otherwise (or with --yes)
// it is answered without asking. When standard error is a terminal a progress line is drawn
// there: the activity, a bar of the file read so far, lines per second and the time left.
// Messages go to standard output.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "import/capped_progress.h"
#include "import/import_host.h"

class TerminalHost : public importer::ImportHost {
public:
    // `answer`: the answer to give without asking (--yes), or nullopt to ask when possible.
    TerminalHost(std::optional<bool> answer, bool interactive, bool drawProgress);
    ~TerminalHost() override;

    void filesNotFound() override;
    void activity(const std::string& text) override;
    void setProgressMaximum(int maximum) override { bar_.setMaximum(maximum); }
    void setProgressPosition(int position) override { bar_.setPosition(position); }
    int progressPosition() const override { return bar_.position(); }
    bool ask(const std::string& question) override;
    void tell(const std::string& message) override;
    void linesRead(importer::Pass pass, std::int64_t lines, std::int64_t bytes,
                   std::int64_t size) override;

    // Clears the progress line so that the next output starts on a clean line.
    void endProgress();

private:
    using Clock = std::chrono::steady_clock;
    void draw(std::int64_t lines, std::int64_t bytes, std::int64_t size);

    std::optional<bool> answer_;
    bool interactive_;
    bool drawProgress_;
    importer::CappedProgress bar_;
    std::string activity_;
    std::optional<importer::Pass> pass_;
    Clock::time_point passStart_;
    Clock::time_point lastDraw_;
    bool lineShown_ = false;
};

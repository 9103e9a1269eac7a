// window_import_host.h: the import run's host in the window: the status display, the activity
// line `LAttivita`, the progress bar `PB` and the message boxes.
//
// The run keeps the window's thread until it ends. So that the window stays drawn (a box or
// another window passing over it leaves no trace, the bar and the activity line move, and the
// desktop does not take it for hung), the host lets Qt handle paint and window-system events,
// never the user's input, every few hundredths of a second as the run reports its lines, and at
// once when the activity line changes. The window takes no input meanwhile (busy_window.h).
//
// While the run checks the two files, before anything is written, the activity line reads
// "Controllo dei file" and the bar fills, its first half for the header file and its second for
// the detail file.
#pragma once

#include <QElapsedTimer>
#include <functional>

#include "import/import_host.h"
#include "ui/label.h"
#include "ui/message_boxes.h"
#include "ui/progress_bar.h"

namespace ui {

class WindowImportHost : public importer::ImportHost {
public:
    WindowImportHost(Label& activityLine, ProgressBar& bar, MessageBoxes& boxes,
                     std::function<void()> notFound);

    void filesNotFound() override;
    void activity(const std::string& text) override;
    void setProgressMaximum(int maximum) override;
    void setProgressPosition(int position) override;
    int progressPosition() const override;
    bool ask(const std::string& question) override;
    void tell(const std::string& message) override;
    void linesRead(importer::Pass pass, std::int64_t lines, std::int64_t bytes,
                   std::int64_t size) override;

    // Seam for tests: called after each line the run reports, on the run's thread.
    void setAfterEachLine(std::function<void()> hook) { afterEachLine_ = std::move(hook); }

private:
    void showActivity(const QString& text);
    void showCheck(importer::Pass pass, std::int64_t bytes, std::int64_t size);
    void endCheck();
    void keepWindowDrawn();
    void drawWindowNow();

    Label& activityLine_;
    ProgressBar& bar_;
    MessageBoxes& boxes_;
    std::function<void()> notFound_;
    std::function<void()> afterEachLine_;
    bool checking_ = false;
    int linesSinceClockRead_ = 0;
    QElapsedTimer sinceDrawn_;
};

}  // namespace ui

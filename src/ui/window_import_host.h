// window_import_host.h: the import run's host in the window: the status display, the activity
// line `LAttivita`, the progress bar `PB` and the message boxes.
//
// The run blocks the window's thread and no events are processed while it works, so the
// activity line is repainted explicitly each time it changes; the bar redraws itself.
#pragma once

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

private:
    Label& activityLine_;
    ProgressBar& bar_;
    MessageBoxes& boxes_;
    std::function<void()> notFound_;
};

}  // namespace ui

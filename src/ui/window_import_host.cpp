#include "ui/window_import_host.h"

namespace ui {

WindowImportHost::WindowImportHost(Label& activityLine, ProgressBar& bar, MessageBoxes& boxes,
                                   std::function<void()> notFound)
    : activityLine_(activityLine), bar_(bar), boxes_(boxes), notFound_(std::move(notFound)) {}

void WindowImportHost::filesNotFound() { notFound_(); }

void WindowImportHost::activity(const std::string& text) {
    activityLine_.setText(QString::fromStdString(text));
    activityLine_.repaint();
}

void WindowImportHost::setProgressMaximum(int maximum) { bar_.setMaximum(maximum); }

void WindowImportHost::setProgressPosition(int position) { bar_.setPosition(position); }

int WindowImportHost::progressPosition() const { return bar_.position(); }

bool WindowImportHost::ask(const std::string& question) {
    return boxes_.confirm(QString::fromStdString(question));
}

void WindowImportHost::tell(const std::string& message) {
    boxes_.information(QString::fromStdString(message));
}

}  // namespace ui

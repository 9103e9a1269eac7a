#include "ui/window_import_host.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

namespace ui {
namespace {

// Often enough for the bar and the activity line to move smoothly and for the desktop to see a
// live window; rarely enough to cost the run well under 1% of its time.
constexpr qint64 kDrawIntervalMs = 40;

// Lines reported between two looks at the clock: a fraction of a millisecond of work.
constexpr int kLinesPerClockRead = 16;

// The bar's scale while the files are checked: half for each file.
constexpr int kCheckScale = 1000;

const QString kCheckingFiles = QStringLiteral("Controllo dei file");

}  // namespace

WindowImportHost::WindowImportHost(Label& activityLine, ProgressBar& bar, MessageBoxes& boxes,
                                   std::function<void()> notFound)
    : activityLine_(activityLine), bar_(bar), boxes_(boxes), notFound_(std::move(notFound)) {
    sinceDrawn_.start();
}

void WindowImportHost::filesNotFound() { notFound_(); }

void WindowImportHost::activity(const std::string& text) {
    checking_ = false;
    showActivity(QString::fromStdString(text));
}

void WindowImportHost::showActivity(const QString& text) {
    activityLine_.setText(text);
    activityLine_.repaint();
    drawWindowNow();
}

void WindowImportHost::setProgressMaximum(int maximum) { bar_.setMaximum(maximum); }

void WindowImportHost::setProgressPosition(int position) { bar_.setPosition(position); }

int WindowImportHost::progressPosition() const { return bar_.position(); }

bool WindowImportHost::ask(const std::string& question) {
    endCheck();
    return boxes_.confirm(QString::fromStdString(question));
}

void WindowImportHost::tell(const std::string& message) {
    boxes_.information(QString::fromStdString(message));
}

void WindowImportHost::linesRead(importer::Pass pass, std::int64_t lines, std::int64_t bytes,
                                 std::int64_t size) {
    (void)lines;
    if (pass == importer::Pass::CheckHeader || pass == importer::Pass::CheckDetail) {
        showCheck(pass, bytes, size);
    }
    if (afterEachLine_) afterEachLine_();
    // Reading the clock for every line would cost about 1% of a run where the clock is slow
    // (90 ns a read on a virtual machine, against some 10 us a line), so it is read once every
    // few lines. The detail file's check reports only every few hundredths of a second: each of
    // its reports counts.
    if (pass == importer::Pass::CheckDetail || ++linesSinceClockRead_ == kLinesPerClockRead) {
        linesSinceClockRead_ = 0;
        keepWindowDrawn();
    }
}

void WindowImportHost::showCheck(importer::Pass pass, std::int64_t bytes, std::int64_t size) {
    if (!checking_) {
        checking_ = true;
        bar_.setMaximum(kCheckScale);
        showActivity(kCheckingFiles);
    }
    constexpr int half = kCheckScale / 2;
    const int start = pass == importer::Pass::CheckHeader ? 0 : half;
    const int done = size > 0 ? static_cast<int>(half * std::min(bytes, size) / size) : half;
    if (start + done != bar_.position()) bar_.setPosition(start + done);
}

// The check is over and the question comes next: it is asked over a window that shows no work.
void WindowImportHost::endCheck() {
    if (!checking_) return;
    checking_ = false;
    bar_.setPosition(0);
    showActivity({});
}

void WindowImportHost::keepWindowDrawn() {
    if (sinceDrawn_.elapsed() >= kDrawIntervalMs) drawWindowNow();
}

void WindowImportHost::drawWindowNow() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceDrawn_.restart();
}

}  // namespace ui

// report_preview.h: where the report commands show a report.
//
// The window talks to ReportPreview only, so tests can record what would be shown instead of
// running a modal preview. PrintPreview shows the report's pages on A4, from which the user
// prints it (or saves it as a PDF file through the print dialog).
#pragma once

#include <QDialog>
#include <QImage>
#include <QPrinter>
#include <QWidget>
#include <memory>

#include "reports/report.h"
#include "ui/message_boxes.h"

class QLabel;

namespace ui {

class ReportPreview {
public:
    virtual ~ReportPreview() = default;
    // Shows `report` until the user closes the preview. A failure while painting it (a printer
    // or file that refuses) goes to `boxes`' error display.
    virtual void show(const reports::Report& report, MessageBoxes& boxes) = 0;
};

class PrintPreview : public ReportPreview {
public:
    explicit PrintPreview(QWidget* parent) : parent_(parent) {}
    void show(const reports::Report& report, MessageBoxes& boxes) override;

private:
    QWidget* parent_;
};

// The preview's window. It opens as soon as the report's first pages are laid out for the
// printer; the rest are laid out (and read, for a report opened in steps) in the background
// while the event loop runs, the page count growing as they are found. An error there goes to
// the error display and closes the window. Each page is painted only when it scrolls into view, so
// the first page shows at once however many follow.
class PreviewDialog : public QDialog {
public:
    // `printer` (set to A4 here) and `report` must outlive the dialog.
    PreviewDialog(const reports::Report& report, QPrinter& printer, MessageBoxes& boxes,
                  QWidget* parent);
    ~PreviewDialog() override;
    // The pages laid out so far; all of them once layoutComplete().
    int pageCount() const;
    bool layoutComplete() const;
    // Page `page` (from 0), the whole sheet `width` pixels wide.
    QImage pageImage(int page, int width) const;
    // Prints the report on `target`, as the print button does after its dialog; a failure goes
    // to the error display.
    void print(QPrinter& target);

private:
    class PageView;
    void layOutMore();
    const reports::Report& report_;
    QPrinter& printer_;
    MessageBoxes& boxes_;
    std::unique_ptr<reports::LaidOutReport> pages_;
    PageView* view_ = nullptr;
    QLabel* count_ = nullptr;
};

// The dialog PrintPreview runs, built but not shown, so its set-up can be checked.
std::unique_ptr<PreviewDialog> makePreviewDialog(const reports::Report& report, QPrinter& printer,
                                                 MessageBoxes& boxes, QWidget* parent);

}  // namespace ui

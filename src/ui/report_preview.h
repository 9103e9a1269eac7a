// report_preview.h: where the report commands show a report.
//
// The window talks to ReportPreview only, so tests can record what would be shown instead of
// running a modal print preview. PrintPreview shows Qt's print preview dialog on A4, from which
// the user prints the report or saves it as a PDF file.
#pragma once

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>
#include <memory>

#include "reports/report.h"
#include "ui/message_boxes.h"

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

// The dialog PrintPreview runs, built but not shown, so its set-up can be checked. It paints
// on `printer` (set to A4 here), which must outlive it.
std::unique_ptr<QPrintPreviewDialog> makePreviewDialog(const reports::Report& report,
                                                       QPrinter& printer, MessageBoxes& boxes,
                                                       QWidget* parent);

}  // namespace ui

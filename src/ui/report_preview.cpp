#include "ui/report_preview.h"

#include "ui/handler_guard.h"

namespace ui {

std::unique_ptr<QPrintPreviewDialog> makePreviewDialog(const reports::Report& report,
                                                       QPrinter& printer, MessageBoxes& boxes,
                                                       QWidget* parent) {
    reports::setPageLayout(printer);
    auto dialog = std::make_unique<QPrintPreviewDialog>(&printer, parent);
    dialog->setWindowTitle(report.heading().reportName);
    // The preview repaints whenever it needs to and printing paints once more: each time from
    // the rows the report holds, never from the database. Exceptions must not leave the slot.
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [&report, &boxes](QPrinter* target) {
                         runGuarded(boxes, [&] {
                             const QString name = target->outputFileName().isEmpty()
                                                      ? target->printerName()
                                                      : target->outputFileName();
                             report.print(*target, name);
                         });
                     });
    return dialog;
}

void PrintPreview::show(const reports::Report& report, MessageBoxes& boxes) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.heading().reportName);
    const auto dialog = makePreviewDialog(report, printer, boxes, parent_);
    dialog->exec();
}

}  // namespace ui

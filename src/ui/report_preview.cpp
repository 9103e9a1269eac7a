#include "ui/report_preview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <map>

#include "ui/handler_guard.h"

namespace ui {
namespace {

constexpr int kPageWidth = 794;  // pixels: A4 at 96 dots per inch
constexpr int kPageGap = 12;
constexpr std::size_t kKeptImages = 12;

QString pagesText(int n, bool complete) {
    const QString text = n == 1 ? QStringLiteral("1 pagina") : QStringLiteral("%1 pagine").arg(n);
    return complete ? text : text + QStringLiteral("...");
}

}  // namespace

// The pages one under the other; only those in view are painted, and the last few painted are
// kept for scrolling back.
class PreviewDialog::PageView : public QWidget {
public:
    explicit PageView(const PreviewDialog& dialog) : dialog_(dialog) {
        const QSizeF paper = dialog.printer_.pageLayout().fullRectPoints().size();
        pageHeight_ = static_cast<int>(kPageWidth * paper.height() / paper.width());
        fitPages();
    }
    int pageHeight() const { return pageHeight_; }
    // Tall enough for the pages laid out so far.
    void fitPages() {
        setFixedSize(kPageWidth + 2 * kPageGap,
                     dialog_.pageCount() * (pageHeight_ + kPageGap) + kPageGap);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().color(QPalette::Dark));
        const int stride = pageHeight_ + kPageGap;
        const int first = std::max(0, (event->rect().top() - kPageGap) / stride);
        const int last = std::min(dialog_.pageCount() - 1, event->rect().bottom() / stride);
        for (int page = first; page <= last; ++page)
            painter.drawImage(QPoint(kPageGap, kPageGap + page * stride), image(page));
    }

private:
    const QImage& image(int page) {
        if (const auto found = images_.find(page); found != images_.end()) return found->second;
        if (images_.size() >= kKeptImages) images_.erase(images_.begin());
        return images_.emplace(page, dialog_.pageImage(page, kPageWidth)).first->second;
    }

    const PreviewDialog& dialog_;
    int pageHeight_;
    std::map<int, QImage> images_;
};

PreviewDialog::PreviewDialog(const reports::Report& report, QPrinter& printer, MessageBoxes& boxes,
                             QWidget* parent)
    : QDialog(parent), report_(report), printer_(printer), boxes_(boxes) {
    reports::setPageLayout(printer_);
    setWindowTitle(report.heading().reportName);
    pages_ = report.layOut(printer_);

    auto* printButton = new QPushButton(QStringLiteral("Stampa..."));
    count_ = new QLabel(pagesText(pageCount(), layoutComplete()));
    auto* bar = new QHBoxLayout;
    bar->addWidget(printButton);
    bar->addStretch();
    bar->addWidget(count_);
    auto* scroll = new QScrollArea;
    scroll->setBackgroundRole(QPalette::Dark);
    view_ = new PageView(*this);
    scroll->setWidget(view_);
    scroll->verticalScrollBar()->setSingleStep(view_->pageHeight() / 20);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(scroll);
    resize(kPageWidth + 4 * kPageGap + scroll->verticalScrollBar()->sizeHint().width(),
           view_->pageHeight() + 6 * kPageGap);

    QObject::connect(printButton, &QPushButton::clicked, this, [this] {
        QPrintDialog choose(&printer_, this);
        if (choose.exec() == QDialog::Accepted) print(printer_);
    });
    if (!layoutComplete()) QTimer::singleShot(0, this, [this] { layOutMore(); });
}

PreviewDialog::~PreviewDialog() = default;

// One step at a time from the event loop, which stays free to paint and scroll in between. A
// step that cannot read the roll (a damaged page) shows why and closes the preview: the report
// is not shown in part.
void PreviewDialog::layOutMore() {
    bool complete = false, failed = true;
    runGuarded(boxes_, [&] {
        complete = pages_->layOutMore();
        failed = false;
    });
    if (failed) {
        reject();
        return;
    }
    view_->fitPages();
    count_->setText(pagesText(pageCount(), complete));
    if (!complete) QTimer::singleShot(0, this, [this] { layOutMore(); });
}

int PreviewDialog::pageCount() const { return pages_->pageCount(); }

bool PreviewDialog::layoutComplete() const { return pages_->complete(); }

QImage PreviewDialog::pageImage(int page, int width) const {
    const QPageLayout layout = printer_.pageLayout();
    const int resolution = printer_.resolution();
    const QRect paper = layout.fullRectPixels(resolution);
    const QRect body = layout.paintRectPixels(resolution);
    const double scale = static_cast<double>(width) / paper.width();
    QImage image(width, static_cast<int>(paper.height() * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    // Fonts in points take the printer's size in pixels, then shrink with the painter.
    const int dotsPerMetre = static_cast<int>(printer_.logicalDpiY() / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.translate(body.topLeft());
    pages_->paintPage(painter, page);
    return image;
}

void PreviewDialog::print(QPrinter& target) {
    runGuarded(boxes_, [&] {
        const QString name =
            target.outputFileName().isEmpty() ? target.printerName() : target.outputFileName();
        report_.print(target, name);
    });
}

std::unique_ptr<PreviewDialog> makePreviewDialog(const reports::Report& report, QPrinter& printer,
                                                 MessageBoxes& boxes, QWidget* parent) {
    return std::make_unique<PreviewDialog>(report, printer, boxes, parent);
}

void PrintPreview::show(const reports::Report& report, MessageBoxes& boxes) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.heading().reportName);
    const auto dialog = makePreviewDialog(report, printer, boxes, parent_);
    dialog->exec();
}

}  // namespace ui

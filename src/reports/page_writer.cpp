#include "reports/page_writer.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPen>

#include "data/messages.h"
#include "data/user_error.h"

namespace reports {
namespace {

constexpr double kHeaderMm = 9;  // header line, rule and the gap under it
constexpr double kReportPointSize = 8;

}  // namespace

QFont reportFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kReportPointSize);
    // Shaping would join "fi" and "ff" into ligatures, which a PDF reader then copies and searches
    // as single odd characters. The reports hold only Latin text, which needs no shaping.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

PageWriter::PageWriter(QPagedPaintDevice& device, PageHeading heading, const QString& deviceName)
    : device_(device), heading_(std::move(heading)) {
    if (!painter_.begin(&device_))
        throw data::UserError(msg::cannotPrintTo(deviceName.toStdString()));
}

PageWriter::~PageWriter() { painter_.end(); }

double PageWriter::millimetres(double mm) const { return mm * device_.logicalDpiY() / 25.4; }

QSizeF PageWriter::bodySize() const {
    return QSizeF(device_.width(), device_.height() - millimetres(kHeaderMm));
}

QSizeF PageWriter::bodySizeMm() const { return bodySize() * 25.4 / device_.logicalDpiY(); }

void PageWriter::prepare(QTextDocument& body) const {
    body.setDefaultFont(reportFont());
    body.setDocumentMargin(0);
    // Font sizes in points become the device's pixels only when the layout measures on it.
    body.documentLayout()->setPaintDevice(&device_);
    body.setPageSize(bodySize());
}

void PageWriter::print(QTextDocument& body) {
    const QSizeF page = body.pageSize();
    const int count = body.pageCount();
    for (int i = 0; i < count; ++i) {
        startPage();
        // The document is one long strip of pages; show the i-th slice of it under the header.
        const QRectF view(0, i * page.height(), page.width(), page.height());
        painter_.save();
        painter_.translate(0, millimetres(kHeaderMm) - view.top());
        painter_.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        body.documentLayout()->draw(&painter_, context);
        painter_.restore();
    }
}

void PageWriter::startPage() {
    if (pages_ > 0) device_.newPage();
    ++pages_;
    paintHeader();
}

void PageWriter::paintHeader() {
    painter_.save();
    painter_.setFont(reportFont());
    painter_.setPen(Qt::black);
    const double lineHeight = QFontMetricsF(painter_.font(), &device_).height();
    const QRectF line(0, 0, device_.width(), lineHeight);
    const QString left = heading_.databaseName + QStringLiteral("  -  ") + heading_.reportName;
    const QString right = heading_.date.toString(QStringLiteral("dd/MM/yyyy")) +
                          QStringLiteral("    ") + QString::fromStdString(msg::kPageNumber) +
                          QString::number(pages_);
    painter_.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, left);
    painter_.drawText(line, Qt::AlignRight | Qt::AlignVCenter, right);
    const double ruleY = lineHeight + millimetres(1);
    painter_.setPen(QPen(Qt::black, millimetres(0.2)));
    painter_.drawLine(QPointF(0, ruleY), QPointF(device_.width(), ruleY));
    painter_.restore();
}

}  // namespace reports

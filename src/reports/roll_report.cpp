#include "reports/roll_report.h"

#include <QFontMetricsF>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <array>
#include <unordered_map>

#include "data/messages.h"
#include "reports/italian_format.h"

namespace reports {
namespace {

// A roll can hold a million detail lines. The lines are written as tab-separated paragraphs
// rather than table cells: Qt lays out and paints a table cell several times slower than a
// paragraph, and a tab stop lines the columns up just as well. Texts too wide for their column
// are cut short with "...".
//
// The document is laid out and painted a part at a time, each part starting on a new page, so
// the memory a laid-out document takes stays small. A part ends after this many documents or as
// soon as it holds this many lines.
constexpr std::size_t kDocumentsPerPart = 200;
constexpr std::size_t kLinesPerPart = 2000;

constexpr double kLinePointSize = 7;
constexpr double kTitlePointSize = 12;
constexpr double kDocumentTitlePointSize = 9;
constexpr double kColumnGapMm = 1.5;

// The detail columns on a 180 mm wide body (A4 less its margins); other widths scale them.
// A column spans [left, right]; its text starts at `left`, or ends at `right` when aligned right.
struct ColumnSpec {
    const std::string* heading;
    double left, right;  // mm
    bool alignRight;
};
constexpr double kDesignWidthMm = 180;
const ColumnSpec kLineColumns[] = {
    {&msg::kCategory, 0, 36, false},     {&msg::kDescription, 36, 70, false},
    {&msg::kItemType, 70, 98, false},    {&msg::kQuantity, 98, 114, true},
    {&msg::kPrice, 114, 128, true},      {&msg::kPeriodStart, 130, 146, false},
    {&msg::kPeriodEnd, 146, 162, false}, {&msg::kTaxable, 162, 180, true}};
constexpr std::size_t kLineColumnCount = std::size(kLineColumns);

// Amounts: three label-and-value pairs to a line.
const double kAmountLabelMm[] = {0, 62, 124};
const double kAmountValueEndMm[] = {54, 116, 178};

const std::string* const kAmountLabels[kAmountCount] = {&msg::kAmountProvincialSurcharge,
                                                        &msg::kAmountTariff,
                                                        &msg::kAmountTreasurySurcharge,
                                                        &msg::kAmountExEcaSurcharge,
                                                        &msg::kAmountInterest,
                                                        &msg::kAmountPenalties,
                                                        &msg::kAmountDebitsCredits,
                                                        &msg::kAmountIndivisibleServices,
                                                        &msg::kAmountPostage,
                                                        &msg::kAmountOther,
                                                        &msg::kAmountRounding,
                                                        &msg::kAmountTotal,
                                                        &msg::kAmountVatTaxable,
                                                        &msg::kAmountVat};

QFont lineFont() {
    QFont font = reportFont();
    font.setPointSizeF(kLinePointSize);
    return font;
}

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Writes the roll into text documents, one part at a time.
class RollWriter {
public:
    RollWriter(const Roll& roll, const PageWriter& pages);

    void title(QTextDocument& document);
    void document(QTextDocument& document, std::size_t i);
    // Forgets the cut-short texts of the last part (they are kept per distinct text).
    void forget();

private:
    // Block margins and tab stops are in the layout's units, pixels of 96 per inch, which the
    // layout scales to the device; text widths are measured in the device's own pixels. Widths
    // across the page scale with the body's width.
    static double layoutMm(double v) { return v * 96 / 25.4; }
    double column(double v) const { return layoutMm(v) * widthScale_; }
    double deviceColumn(double v) const { return v * deviceScale_; }
    QString fitted(std::size_t column, StringPool::Id id, const QString& text);
    QString fittedText(std::size_t column, const QString& text) const;
    void documentTitle(QTextCursor& c, const DocumentRow& d);
    void identity(QTextCursor& c, const DocumentRow& d);
    void amounts(QTextCursor& c, const DocumentRow& d);
    void lines(QTextCursor& c, std::size_t i);
    void labelled(QTextCursor& c, const std::string& label, const QString& value);

    const Roll& roll_;
    double widthScale_;   // body width / kDesignWidthMm
    double deviceScale_;  // device pixels per design millimetre
    QFont lineFont_;
    QFontMetricsF lineMetrics_;
    QTextCharFormat plain_, bold_, lineText_, lineHeading_, title_, documentTitle_;
    QTextBlockFormat block_, rule_, amountBlock_, lineBlock_, lineHeadingBlock_;
    std::array<std::unordered_map<StringPool::Id, QString>, kLineColumnCount> fitted_;
};

RollWriter::RollWriter(const Roll& roll, const PageWriter& pages)
    : roll_(roll),
      widthScale_(pages.bodySizeMm().width() / kDesignWidthMm),
      deviceScale_(pages.bodySize().width() / kDesignWidthMm),
      lineFont_(lineFont()),
      lineMetrics_(lineFont_, &pages.device()) {
    bold_.setFontWeight(QFont::Bold);
    lineText_.setFont(lineFont_);
    lineHeading_.setFont(lineFont_);
    lineHeading_.setFontWeight(QFont::Bold);
    title_.setFontWeight(QFont::Bold);
    title_.setFontPointSize(kTitlePointSize);
    documentTitle_.setFontWeight(QFont::Bold);
    documentTitle_.setFontPointSize(kDocumentTitlePointSize);

    // A thin rule between documents, as <hr> draws it.
    rule_.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                      QTextLength(QTextLength::PercentageLength, 100));
    rule_.setTopMargin(layoutMm(3));
    rule_.setBottomMargin(layoutMm(1));

    QList<QTextOption::Tab> lineTabs;
    for (std::size_t k = 1; k < kLineColumnCount; ++k) {
        const ColumnSpec& col = kLineColumns[k];
        lineTabs << (col.alignRight ? QTextOption::Tab(column(col.right), QTextOption::RightTab)
                                    : QTextOption::Tab(column(col.left), QTextOption::LeftTab));
    }
    lineBlock_.setTabPositions(lineTabs);
    lineHeadingBlock_ = lineBlock_;
    lineHeadingBlock_.setBackground(QColor(232, 232, 232));
    lineHeadingBlock_.setTopMargin(layoutMm(1));

    QList<QTextOption::Tab> amountTabs;
    for (std::size_t k = 0; k < 3; ++k) {
        if (k > 0) amountTabs << QTextOption::Tab(column(kAmountLabelMm[k]), QTextOption::LeftTab);
        amountTabs << QTextOption::Tab(column(kAmountValueEndMm[k]), QTextOption::RightTab);
    }
    amountBlock_.setTabPositions(amountTabs);
}

void RollWriter::forget() {
    for (auto& cache : fitted_) cache.clear();
}

QString RollWriter::fittedText(std::size_t k, const QString& text) const {
    const ColumnSpec& col = kLineColumns[k];
    return lineMetrics_.elidedText(text, Qt::ElideRight,
                                   deviceColumn(col.right - col.left - kColumnGapMm));
}

// The same distinct text in the same column is measured once.
QString RollWriter::fitted(std::size_t column, StringPool::Id id, const QString& text) {
    auto& cache = fitted_[column];
    if (const auto found = cache.find(id); found != cache.end()) return found->second;
    return cache.emplace(id, fittedText(column, text)).first->second;
}

void RollWriter::title(QTextDocument& document) {
    QTextCursor c(&document);
    c.setBlockFormat(block_);
    c.insertText(q(msg::kRollTitle), title_);
    c.insertBlock(block_);
    if (roll_.documentCount() == 0) {
        c.insertText(q(msg::kRollEmpty), plain_);
        return;
    }
    c.insertText(
        q(msg::kDocumentCount) + q(formatCount(static_cast<std::int64_t>(roll_.documentCount()))),
        plain_);
    c.insertBlock(block_);
    c.insertText(q(msg::kItemCount) + q(formatCount(static_cast<std::int64_t>(roll_.itemCount()))),
                 plain_);
}

void RollWriter::document(QTextDocument& document, std::size_t i) {
    const DocumentRow& d = roll_.document(i);
    QTextCursor c(&document);
    c.movePosition(QTextCursor::End);
    c.insertBlock(rule_);
    documentTitle(c, d);
    identity(c, d);
    amounts(c, d);
    c.insertBlock(block_);
    c.insertText(q(msg::kTotalDue) + QStringLiteral(": ") +
                     (d.totalDue ? q(formatAmount(*d.totalDue)) : QStringLiteral("-")),
                 bold_);
    lines(c, i);
}

// "Documento n. 12 del 05/03/2024 (id doc 7)", leaving out what is null.
void RollWriter::documentTitle(QTextCursor& c, const DocumentRow& d) {
    QString title = q(msg::kDocument);
    if (d.number) title += QLatin1Char(' ') + q(msg::kDocumentNumber) + QString::number(*d.number);
    if (d.date) title += QLatin1Char(' ') + q(msg::kDocumentDate) + q(formatDate(*d.date));
    if (d.idDoc)
        title += QStringLiteral(" (") + q(msg::kDocumentId) + QString::number(*d.idDoc) +
                 QLatin1Char(')');
    c.insertBlock(block_);
    c.insertText(title, documentTitle_);
}

void RollWriter::labelled(QTextCursor& c, const std::string& label, const QString& value) {
    c.insertText(q(label) + QStringLiteral(": "), bold_);
    c.insertText(value, plain_);
}

void RollWriter::identity(QTextCursor& c, const DocumentRow& d) {
    c.insertBlock(block_);
    labelled(c, msg::kTaxpayer, q(d.taxpayer));
    if (!d.residence.empty()) {
        c.insertBlock(block_);
        labelled(c, msg::kResidence, q(d.residence));
    }
    // "Roma (RM) 01/02/1960": place, province and date of birth, each only when given.
    QStringList birth;
    if (!d.birthPlace.empty()) birth << q(d.birthPlace);
    if (!d.birthProvince.empty()) birth << QLatin1Char('(') + q(d.birthProvince) + QLatin1Char(')');
    if (!d.birthDate.empty()) birth << q(d.birthDate);
    if (!birth.isEmpty()) {
        c.insertBlock(block_);
        labelled(c, msg::kBirth, birth.join(QLatin1Char(' ')));
    }
    if (!d.taxCode.empty() || !d.vatNumber.empty()) {
        c.insertBlock(block_);
        if (!d.taxCode.empty()) labelled(c, msg::kTaxCode, q(d.taxCode));
        if (!d.taxCode.empty() && !d.vatNumber.empty())
            c.insertText(QStringLiteral("    "), plain_);
        if (!d.vatNumber.empty()) labelled(c, msg::kVatNumber, q(d.vatNumber));
    }
}

// The amounts that are not null, three to a line.
void RollWriter::amounts(QTextCursor& c, const DocumentRow& d) {
    int onLine = 0;
    for (std::size_t i = 0; i < kAmountCount; ++i) {
        if (!d.amounts[i]) continue;
        if (onLine == 3) onLine = 0;
        if (onLine == 0) {
            c.insertBlock(amountBlock_);
        } else {
            c.insertText(QStringLiteral("\t"), plain_);
        }
        c.insertText(q(*kAmountLabels[i]) + QLatin1Char('\t') + q(formatAmount(*d.amounts[i])),
                     plain_);
        ++onLine;
    }
}

void RollWriter::lines(QTextCursor& c, std::size_t i) {
    const auto items = roll_.items(i);
    if (items.empty()) {
        c.insertBlock(block_);
        c.insertText(q(msg::kNoItems), plain_);
        return;
    }
    c.insertBlock(lineHeadingBlock_);
    QStringList headings;
    for (const ColumnSpec& col : kLineColumns) headings << q(*col.heading);
    c.insertText(headings.join(QLatin1Char('\t')), lineHeading_);

    for (const Roll::Item& item : items) {
        auto cell = [&](std::size_t column, StringPool::Id id) {
            return fitted(column, id, q(roll_.text(id)));
        };
        QString quantity = q(roll_.text(item.quantity));
        if (item.unit != 0) quantity += QLatin1Char(' ') + q(roll_.text(item.unit));
        const QString text = cell(0, item.category) + QLatin1Char('\t') +
                             cell(1, item.description) + QLatin1Char('\t') + cell(2, item.type) +
                             QLatin1Char('\t') + fittedText(3, quantity) + QLatin1Char('\t') +
                             cell(4, item.price) + QLatin1Char('\t') + cell(5, item.start) +
                             QLatin1Char('\t') + cell(6, item.end) + QLatin1Char('\t') +
                             (item.taxable ? q(formatAmount(*item.taxable)) : QString());
        c.insertBlock(lineBlock_);
        c.insertText(text, lineText_);
    }
}

}  // namespace

int RollReport::print(QPagedPaintDevice& device, const QString& deviceName) const {
    PageWriter pages(device, heading(), deviceName);
    RollWriter writer(roll_, pages);
    std::size_t next = 0;
    do {
        QTextDocument part;
        pages.prepare(part);
        if (next == 0) writer.title(part);
        for (std::size_t documents = 0, lines = 0;
             next < roll_.documentCount() && documents < kDocumentsPerPart && lines < kLinesPerPart;
             ++next, ++documents) {
            writer.document(part, next);
            lines += roll_.items(next).size();
        }
        pages.print(part);
        writer.forget();
    } while (next < roll_.documentCount());
    return pages.pageCount();
}

}  // namespace reports

#include "reports/roll_report.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QPen>
#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

#include "reports/italian_format.h"
#include "reports/pdf_file.h"
#include "reports/report_texts.h"
#include "reports/text_width.h"

namespace reports {
namespace {

// A roll can hold a million detail lines, tens of thousands of pages. Every line of the report
// is a single line of text whose height its font sets, so the report is laid out by adding up
// heights, without a text layout engine: one quick pass finds where each page starts (in steps,
// so the first pages are known at once), and any page can then be painted on its own, straight from
// the rows (a preview paints only the pages it shows). Texts too wide for their column are cut
// short with "..."; the few texts that run across the page (a long name or address) wrap at spaces.

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

// The layout finds where pages start this many parts (documents) at a time: a step takes a few
// milliseconds (some more when the roll is read as it goes), so a preview can show its first
// pages and go on in the background.
constexpr std::size_t kPartsPerStep = 1000;

// Cut-short texts are kept per distinct text and column; past this many they are dropped.
constexpr std::size_t kFittedCacheLimit = 5000;

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The fonts of the report; each sets the height of the lines written in it.
enum class Style { Plain, Bold, Title, DocumentTitle, Line, LineHeading };
constexpr std::size_t kStyleCount = 6;

QFont fontOf(Style style) {
    QFont font = reportFont();
    switch (style) {
        case Style::Plain:
            break;
        case Style::Bold:
            font.setBold(true);
            break;
        case Style::Title:
            font.setBold(true);
            font.setPointSizeF(kTitlePointSize);
            break;
        case Style::DocumentTitle:
            font.setBold(true);
            font.setPointSizeF(kDocumentTitlePointSize);
            break;
        case Style::Line:
            font.setPointSizeF(kLinePointSize);
            break;
        case Style::LineHeading:
            font.setBold(true);
            font.setPointSizeF(kLinePointSize);
            break;
    }
    return font;
}

// A piece of text on a line: it starts at `x`, or ends there when aligned right.
struct Span {
    Style style;
    double x;
    bool alignRight;
    QString text;
};

// One line of the body. Between two lines the larger of the first's gap below and the second's
// gap above is left free; a line that starts a page has no gap above.
struct Row {
    Style style = Style::Plain;
    double gapAbove = 0, gapBelow = 0;
    bool rule = false;    // the thin rule between documents, across the middle of the line
    bool shaded = false;  // the grey band under the detail lines' headings
    std::vector<Span> spans;
};

// Where a page starts: part 0 is the title, part i + 1 document i; `row` counts in that part.
struct Place {
    std::size_t part = 0;
    std::size_t row = 0;
};

std::array<QFont, kStyleCount> reportFonts() {
    return {fontOf(Style::Plain),         fontOf(Style::Bold), fontOf(Style::Title),
            fontOf(Style::DocumentTitle), fontOf(Style::Line), fontOf(Style::LineHeading)};
}

// What a page is painted on, in the pixels of the device the roll was laid out for, from the
// top left of the page's printable area.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void text(Style style, QPointF baseline, const QString& text) = 0;
    virtual void line(QPointF from, QPointF to, double width, QColor colour) = 0;
    virtual void fill(const QRectF& rect, QColor colour) = 0;
};

// A preview or a printer.
class PainterCanvas : public Canvas {
public:
    explicit PainterCanvas(QPainter& painter) : painter_(painter), fonts_(reportFonts()) {}
    void text(Style style, QPointF baseline, const QString& text) override {
        if (style != current_) painter_.setFont(fonts_[static_cast<std::size_t>(style)]);
        current_ = style;
        painter_.drawText(baseline, text);
    }
    void line(QPointF from, QPointF to, double width, QColor colour) override {
        painter_.setPen(QPen(colour, width));
        painter_.drawLine(from, to);
        painter_.setPen(Qt::black);
    }
    void fill(const QRectF& rect, QColor colour) override { painter_.fillRect(rect, colour); }

private:
    QPainter& painter_;
    std::array<QFont, kStyleCount> fonts_;
    std::optional<Style> current_;
};

// A PDF file written directly (see pdf_file.h).
class PdfCanvas : public Canvas {
public:
    PdfCanvas(PdfFile& pdf, const QPaintDevice& device, QPointF origin)
        : pdf_(pdf), scale_(72.0 / device.logicalDpiY()), origin_(origin) {
        const auto fonts = reportFonts();
        const int regular = pdf.addFont(fonts[static_cast<std::size_t>(Style::Plain)]);
        const int bold = pdf.addFont(fonts[static_cast<std::size_t>(Style::Bold)]);
        for (std::size_t k = 0; k < kStyleCount; ++k) {
            font_[k] = fonts[k].bold() ? bold : regular;
            size_[k] = fonts[k].pointSizeF();
        }
    }
    void text(Style style, QPointF baseline, const QString& text) override {
        const auto k = static_cast<std::size_t>(style);
        pdf_.text(font_[k], size_[k], point(baseline), text);
    }
    void line(QPointF from, QPointF to, double width, QColor colour) override {
        pdf_.line(point(from), point(to), width * scale_, colour);
    }
    void fill(const QRectF& rect, QColor colour) override {
        pdf_.fill(QRectF(point(rect.topLeft()), rect.size() * scale_), colour);
    }

private:
    QPointF point(QPointF p) const { return origin_ + p * scale_; }
    PdfFile& pdf_;
    double scale_;  // points per pixel
    QPointF origin_;
    std::array<int, kStyleCount> font_{};
    std::array<double, kStyleCount> size_{};
};

}  // namespace

// The roll laid out for one device: where each page starts, and how to paint any page.
class RollReport::Pages : public LaidOutReport {
public:
    // Throws what reading the roll throws.
    Pages(Roll& roll, const QPaintDevice& device, const PageHeading& heading);
    // While the layout goes on, the last page found may still grow: it is not counted yet.
    int pageCount() const override {
        return static_cast<int>(complete() ? starts_.size() : starts_.size() - 1);
    }
    bool complete() const override { return nextPart_ == partCount(); }
    // Reads the documents of the step first; what that throws leaves the layout where it was.
    bool layOutMore() override;
    std::size_t documentsDone(int page) const override;
    std::size_t documentCount() const override { return roll_.documentCount(); }
    void paintPage(QPainter& painter, int page) override {
        PainterCanvas canvas(painter);
        paint(canvas, page);
    }
    void paint(Canvas& canvas, int page);

private:
    std::size_t partCount() const { return roll_.documentCount() + 1; }
    double mm(double v) const { return v * device_.logicalDpiY() / 25.4; }
    // Widths across the page scale with the body's width.
    double column(double v) const { return v * columnScale_; }
    double height(Style s) const { return metrics_[static_cast<std::size_t>(s)].height(); }
    double width(Style s, const QString& text) const {
        return metrics_[static_cast<std::size_t>(s)].horizontalAdvance(text);
    }
    const QFontMetricsF& metrics(Style s) const { return metrics_[static_cast<std::size_t>(s)]; }

    // Fills rows_ with part `part`'s lines; without `text` only as far as their heights need.
    void makeRows(std::size_t part, bool text);
    void titleRows();
    void documentRows(std::size_t i, bool text);
    void identityRows(const DocumentRow& d, bool text);
    void codeRow(const DocumentRow& d, Row& row, bool text);
    void labelledRows(const std::string& label, const std::string& value, bool text);
    void amountRows(const DocumentRow& d, bool text);
    void itemRows(std::size_t i, bool text);
    Row& addRow(Style style, double gapAbove = 0, double gapBelow = 0);
    QString fitted(std::size_t column, StringPool::Id id);
    QString fittedQuantity(const Roll::Item& item);
    QString fittedText(std::size_t column, const QString& text);
    double measured(Style style, const QString& text);
    void paintHeader(Canvas& canvas, int page);
    void paintRow(Canvas& canvas, const Row& row, double top);

    Roll& roll_;
    const QPaintDevice& device_;
    PageHeading heading_;
    double bodyWidth_, bodyHeight_, columnScale_;
    std::array<QFontMetricsF, kStyleCount> metrics_;
    double widestCharacter_;  // of Style::Plain
    std::unordered_map<const std::string*, double> labelWidths_;
    std::array<std::unordered_map<StringPool::Id, QString>, kLineColumnCount> fitted_;
    struct LastFitted {
        StringPool::Id id = 0;
        QString text;  // null until a text is fitted
    };
    std::array<LastFitted, kLineColumnCount> lastFitted_;
    std::array<TextWidth, kStyleCount> widths_;
    std::vector<Row> rows_;
    std::size_t rowCount_ = 0;  // rows_ in use; the rest keep their memory for the next part
    static constexpr std::size_t kNoPart = ~std::size_t{0};
    std::size_t textRowsOf_ = kNoPart;  // the part rows_ holds with its texts, if any
    std::vector<Place> starts_;
    // Where the layout has got to: the next part to place, and the state of the page it is on.
    std::size_t nextPart_ = 0;
    double y_ = 0, gapBelow_ = 0;
    bool pageEmpty_ = true;
};

namespace {

std::array<QFontMetricsF, kStyleCount> metricsOf(const std::array<QFont, kStyleCount>& fonts,
                                                 const QPaintDevice& device) {
    auto m = [&](std::size_t k) { return QFontMetricsF(fonts[k], &device); };
    return {m(0), m(1), m(2), m(3), m(4), m(5)};
}

std::array<TextWidth, kStyleCount> widthsOf(const std::array<QFontMetricsF, kStyleCount>& m) {
    return {TextWidth(m[0]), TextWidth(m[1]), TextWidth(m[2]),
            TextWidth(m[3]), TextWidth(m[4]), TextWidth(m[5])};
}

}  // namespace

RollReport::Pages::Pages(Roll& roll, const QPaintDevice& device, const PageHeading& heading)
    : roll_(roll),
      device_(device),
      heading_(heading),
      bodyWidth_(device.width()),
      bodyHeight_(device.height() - pageBodyTop(device)),
      columnScale_(bodyWidth_ / kDesignWidthMm),
      metrics_(metricsOf(reportFonts(), device)),
      widestCharacter_(metrics_[0].maxWidth()),
      widths_(widthsOf(metrics_)) {
    starts_.push_back({});
    layOutMore();
}

bool RollReport::Pages::layOutMore() {
    const std::size_t end = std::min(partCount(), nextPart_ + kPartsPerStep);
    roll_.readUpTo(end - 1);  // part 0 is the title
    for (; nextPart_ < end; ++nextPart_) {
        makeRows(nextPart_, false);
        for (std::size_t r = 0; r < rowCount_; ++r) {
            const Row& row = rows_[r];
            const double gap = pageEmpty_ ? 0 : std::max(row.gapAbove, gapBelow_);
            const double h = height(row.style);
            if (!pageEmpty_ && y_ + gap + h > bodyHeight_) {
                starts_.push_back({nextPart_, r});
                y_ = h;
            } else {
                y_ += gap + h;
            }
            pageEmpty_ = false;
            gapBelow_ = row.gapBelow;
        }
    }
    return complete();
}

std::size_t RollReport::Pages::documentsDone(int page) const {
    const std::size_t next = static_cast<std::size_t>(page) + 1;
    if (next >= starts_.size()) return roll_.documentCount();
    // Parts before the next page's first part are done: the title and documents 0 .. part - 2.
    return starts_[next].part == 0 ? 0 : starts_[next].part - 1;
}

void RollReport::Pages::paint(Canvas& canvas, int page) {
    paintHeader(canvas, page);
    const Place from = starts_[static_cast<std::size_t>(page)];
    const std::size_t next = static_cast<std::size_t>(page) + 1;
    const Place to = next < starts_.size() ? starts_[next] : Place{partCount(), 0};
    double y = pageBodyTop(device_), gapBelow = 0;
    bool pageEmpty = true;
    for (std::size_t part = from.part; part < partCount() && part <= to.part; ++part) {
        makeRows(part, true);
        const std::size_t first = part == from.part ? from.row : 0;
        const std::size_t end = part == to.part ? std::min(to.row, rowCount_) : rowCount_;
        for (std::size_t r = first; r < end; ++r) {
            const Row& row = rows_[r];
            if (!pageEmpty) y += std::max(row.gapAbove, gapBelow);
            paintRow(canvas, row, y);
            y += height(row.style);
            pageEmpty = false;
            gapBelow = row.gapBelow;
        }
    }
}

// As paintPageHeader paints it: the names on the left, date and page number on the right, a
// rule under them.
void RollReport::Pages::paintHeader(Canvas& canvas, int page) {
    const QString left = heading_.databaseName + QStringLiteral("  -  ") + heading_.reportName;
    const QString right = heading_.date.toString(QStringLiteral("dd/MM/yyyy")) +
                          QStringLiteral("    ") + q(msg::kPageNumber) + QString::number(page + 1);
    const double baseline = metrics(Style::Plain).ascent();
    canvas.text(Style::Plain, QPointF(0, baseline), left);
    canvas.text(Style::Plain, QPointF(bodyWidth_ - measured(Style::Plain, right), baseline), right);
    const double ruleY = height(Style::Plain) + mm(1);
    canvas.line(QPointF(0, ruleY), QPointF(bodyWidth_, ruleY), mm(0.2), Qt::black);
}

void RollReport::Pages::paintRow(Canvas& canvas, const Row& row, double top) {
    const double h = height(row.style);
    if (row.shaded) canvas.fill(QRectF(0, top, bodyWidth_, h), QColor(232, 232, 232));
    // As a text document draws its horizontal rule.
    if (row.rule)
        canvas.line(QPointF(0, top + h / 2), QPointF(bodyWidth_, top + h / 2), 1,
                    QPalette().color(QPalette::Dark));
    const double baseline = top + metrics(row.style).ascent();
    for (const Span& span : row.spans) {
        if (span.text.isEmpty()) continue;
        const double x = span.alignRight ? span.x - measured(span.style, span.text) : span.x;
        canvas.text(span.style, QPointF(x, baseline), span.text);
    }
}

Row& RollReport::Pages::addRow(Style style, double gapAbove, double gapBelow) {
    if (rowCount_ == rows_.size()) rows_.emplace_back();
    Row& row = rows_[rowCount_++];
    row.style = style;
    row.gapAbove = gapAbove;
    row.gapBelow = gapBelow;
    row.rule = false;
    row.shaded = false;
    row.spans.clear();
    return row;
}

void RollReport::Pages::makeRows(std::size_t part, bool text) {
    // A document that runs over two pages ends the one and starts the next: made once for both.
    if (text && textRowsOf_ == part) return;
    textRowsOf_ = text ? part : kNoPart;
    rowCount_ = 0;
    if (part == 0)
        titleRows();
    else
        documentRows(part - 1, text);
}

void RollReport::Pages::titleRows() {
    addRow(Style::Title).spans.push_back({Style::Title, 0, false, q(msg::kRollTitle)});
    if (roll_.documentCount() == 0) {
        addRow(Style::Plain).spans.push_back({Style::Plain, 0, false, q(msg::kRollEmpty)});
        return;
    }
    const auto count = [](std::size_t n) { return q(formatCount(static_cast<std::int64_t>(n))); };
    addRow(Style::Plain)
        .spans.push_back(
            {Style::Plain, 0, false, q(msg::kDocumentCount) + count(roll_.documentCount())});
    addRow(Style::Plain)
        .spans.push_back({Style::Plain, 0, false, q(msg::kItemCount) + count(roll_.itemCount())});
}

void RollReport::Pages::documentRows(std::size_t i, bool text) {
    const DocumentRow& d = roll_.document(i);
    addRow(Style::Line, mm(3), mm(1)).rule = true;
    if (!text) {
        // Only the lines' number and heights matter here; most are one line whatever they say.
        addRow(Style::DocumentTitle);
        identityRows(d, false);
        amountRows(d, false);
        addRow(Style::Bold);
        itemRows(i, false);
        return;
    }

    // "Documento n. 12 del 05/03/2024 (id doc 7)", leaving out what is null.
    QString title = q(msg::kDocument);
    if (d.number) title += QLatin1Char(' ') + q(msg::kDocumentNumber) + QString::number(*d.number);
    if (d.date) title += QLatin1Char(' ') + q(msg::kDocumentDate) + q(formatDate(*d.date));
    if (d.idDoc)
        title += QStringLiteral(" (") + q(msg::kDocumentId) + QString::number(*d.idDoc) +
                 QLatin1Char(')');
    addRow(Style::DocumentTitle).spans.push_back({Style::DocumentTitle, 0, false, title});

    identityRows(d, true);
    amountRows(d, true);
    addRow(Style::Bold)
        .spans.push_back({Style::Bold, 0, false,
                          q(msg::kTotalDue) + QStringLiteral(": ") +
                              (d.totalDue ? q(formatAmount(*d.totalDue)) : QStringLiteral("-"))});
    itemRows(i, text);
}

void RollReport::Pages::identityRows(const DocumentRow& d, bool text) {
    labelledRows(msg::kTaxpayer, d.taxpayer, text);
    if (!d.residence.empty()) labelledRows(msg::kResidence, d.residence, text);
    // "Roma (RM) 01/02/1960": place, province and date of birth, each only when given.
    std::string birth;
    const auto add = [&](const std::string& part) {
        if (!birth.empty()) birth += ' ';
        birth += part;
    };
    if (!d.birthPlace.empty()) add(d.birthPlace);
    if (!d.birthProvince.empty()) add('(' + d.birthProvince + ')');
    if (!d.birthDate.empty()) add(d.birthDate);
    if (!birth.empty()) labelledRows(msg::kBirth, birth, text);
    if (d.taxCode.empty() && d.vatNumber.empty()) return;
    // Both codes on one line: they are short.
    codeRow(d, addRow(Style::Plain), text);
}

// The tax code and the VAT number, when there are.
void RollReport::Pages::codeRow(const DocumentRow& d, Row& row, bool text) {
    if (!text) return;
    double x = 0;
    const auto add = [&](Style style, const QString& piece) {
        row.spans.push_back({style, x, false, piece});
        x += measured(style, piece);
    };
    if (!d.taxCode.empty()) {
        add(Style::Bold, q(msg::kTaxCode) + QStringLiteral(": "));
        add(Style::Plain, q(d.taxCode));
    }
    if (!d.taxCode.empty() && !d.vatNumber.empty()) add(Style::Plain, QStringLiteral("    "));
    if (!d.vatNumber.empty()) {
        add(Style::Bold, q(msg::kVatNumber) + QStringLiteral(": "));
        add(Style::Plain, q(d.vatNumber));
    }
}

// "Label: value" on one line, or wrapped at spaces over as many as it takes.
void RollReport::Pages::labelledRows(const std::string& label, const std::string& utf8, bool text) {
    const QString labelText = q(label) + QStringLiteral(": ");
    auto known = labelWidths_.find(&label);
    if (known == labelWidths_.end())
        known = labelWidths_.emplace(&label, width(Style::Bold, labelText)).first;
    double x = known->second;
    Row* row = &addRow(Style::Plain);
    // Most values are far too short to need measuring: no character is wider than the widest,
    // and UTF-8 has at least as many bytes as the text has characters.
    if (x + static_cast<double>(utf8.size()) * widestCharacter_ <= bodyWidth_) {
        if (!text) return;
        row->spans.push_back({Style::Bold, 0, false, labelText});
        row->spans.push_back({Style::Plain, x, false, q(utf8)});
        return;
    }
    const QString value = q(utf8);
    row->spans.push_back({Style::Bold, 0, false, labelText});
    if (x + width(Style::Plain, value) <= bodyWidth_) {
        row->spans.push_back({Style::Plain, x, false, value});
        return;
    }
    QString line;
    for (const QString& word : value.split(QLatin1Char(' '))) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && x + width(Style::Plain, longer) > bodyWidth_) {
            row->spans.push_back({Style::Plain, x, false, line});
            row = &addRow(Style::Plain);
            x = 0;
            line = word;
        } else {
            line = longer;
        }
    }
    row->spans.push_back({Style::Plain, x, false, line});
}

// The amounts that are not null, three to a line: a label, and its value aligned right.
void RollReport::Pages::amountRows(const DocumentRow& d, bool text) {
    Row* row = nullptr;
    int onLine = 0;
    for (std::size_t i = 0; i < kAmountCount; ++i) {
        if (!d.amounts[i]) continue;
        if (onLine == 3) onLine = 0;
        if (onLine == 0) row = &addRow(Style::Plain);
        if (text) {
            row->spans.push_back(
                {Style::Plain, column(kAmountLabelMm[onLine]), false, q(*kAmountLabels[i])});
            row->spans.push_back({Style::Plain, column(kAmountValueEndMm[onLine]), true,
                                  q(formatAmount(*d.amounts[i]))});
        }
        ++onLine;
    }
}

void RollReport::Pages::itemRows(std::size_t i, bool text) {
    const auto items = roll_.items(i);
    if (items.empty()) {
        addRow(Style::Plain).spans.push_back({Style::Plain, 0, false, q(msg::kNoItems)});
        return;
    }
    Row& headings = addRow(Style::LineHeading, mm(1));
    headings.shaded = true;
    for (const ColumnSpec& col : kLineColumns)
        headings.spans.push_back({Style::LineHeading, column(col.alignRight ? col.right : col.left),
                                  col.alignRight, q(*col.heading)});

    for (const Roll::Item& item : items) {
        Row& row = addRow(Style::Line);
        if (!text) continue;
        const QString cells[kLineColumnCount] = {
            fitted(0, item.category),
            fitted(1, item.description),
            fitted(2, item.type),
            fittedQuantity(item),
            fitted(4, item.price),
            fitted(5, item.start),
            fitted(6, item.end),
            item.taxable() ? q(formatAmount(*item.taxable())) : QString()};
        for (std::size_t k = 0; k < kLineColumnCount; ++k) {
            const ColumnSpec& col = kLineColumns[k];
            row.spans.push_back({Style::Line, column(col.alignRight ? col.right : col.left),
                                 col.alignRight, cells[k]});
        }
    }
}

QString RollReport::Pages::fittedText(std::size_t k, const QString& text) {
    const ColumnSpec& col = kLineColumns[k];
    const double room = column(col.right - col.left - kColumnGapMm);
    if (measured(Style::Line, text) <= room) return text;
    return metrics(Style::Line).elidedText(text, Qt::ElideRight, room);
}

// The same distinct text in the same column is measured once; the text of the line above, most
// often the same, is not even looked up.
QString RollReport::Pages::fitted(std::size_t column, StringPool::Id id) {
    LastFitted& last = lastFitted_[column];
    if (last.id == id && !last.text.isNull()) return last.text;
    auto& cache = fitted_[column];
    auto found = cache.find(id);
    if (found == cache.end()) {
        if (cache.size() >= kFittedCacheLimit) cache.clear();
        found = cache.emplace(id, fittedText(column, q(roll_.text(id)))).first;
    }
    last = {id, found->second};
    return last.text;
}

// "120 mq": the quantity and its unit.
QString RollReport::Pages::fittedQuantity(const Roll::Item& item) {
    QString quantity = q(roll_.text(item.quantity));
    if (item.unit != 0) quantity += QLatin1Char(' ') + q(roll_.text(item.unit));
    return fittedText(3, quantity);
}

// As width(), faster: what a page places is measured here (see text_width.h).
double RollReport::Pages::measured(Style style, const QString& text) {
    return widths_[static_cast<std::size_t>(style)](text);
}

std::unique_ptr<LaidOutReport> RollReport::layOut(QPagedPaintDevice& device) const {
    return std::make_unique<Pages>(roll_, device, heading());
}

int RollReport::writePdf(const QString& path, const QString& creator,
                         const ProgressListener& progress) const {
    // Laid out as for Qt's PDF writer, which only measures here and writes nothing.
    QBuffer unused;
    QPdfWriter metrics(&unused);
    setPageLayout(metrics);
    const QPageLayout layout = metrics.pageLayout();
    PdfFile pdf(path, layout.fullRectPoints().size(), heading().reportName, creator);
    PdfCanvas canvas(pdf, metrics, layout.paintRectPoints().topLeft());
    Pages pages(roll_, metrics, heading());
    pages.layOutAll();
    const int count = pages.pageCount();
    for (int page = 0; page < count; ++page) {
        pages.paint(canvas, page);
        pdf.endPage();
        if (progress) progress({page + 1, count, pages.documentsDone(page), pages.documentCount()});
    }
    pdf.finish();
    return count;
}

}  // namespace reports

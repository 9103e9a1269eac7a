#include "reports/pdf_file.h"

#include <QColor>
#include <QRectF>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "data/user_error.h"
#include "reports/report_texts.h"

namespace reports {
namespace {

// A page is mostly the same few words and numbers over and over: the fastest compression
// shrinks it nearly as well as the best, at a fraction of the time.
constexpr int kCompressionLevel = 1;

// How many finished pages may wait for the writer thread before drawing waits for it.
constexpr std::size_t kWaitingPages = 4;

// Hundredths of a point as a number with up to two decimals and a blank after it: printf's
// rounding of any double costs far more than the scaled integer, and hundredths of a point are
// finer than any printer.
template <class Bytes>
void appendHundredths(Bytes& out, long long hundredths) {
    const unsigned long long magnitude = static_cast<unsigned long long>(std::llabs(hundredths));
    char buffer[32];
    char* end = buffer;
    if (hundredths < 0) *end++ = '-';
    end = std::to_chars(end, buffer + sizeof buffer, magnitude / 100).ptr;
    if (const auto cents = static_cast<int>(magnitude % 100); cents != 0) {
        *end++ = '.';
        *end++ = static_cast<char>('0' + cents / 10);
        if (cents % 10 != 0) *end++ = static_cast<char>('0' + cents % 10);
    }
    *end++ = ' ';
    out.append(buffer, end - buffer);
}

template <class Bytes>
void appendNumber(Bytes& out, double v) {
    appendHundredths(out, std::llround(v * 100));
}

void appendHex4(QByteArray& out, std::uint32_t v) {
    static const char digits[] = "0123456789ABCDEF";
    const char h[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15],
                       digits[v & 15]};
    out.append(h, 4);
}

// A glyph number as the two bytes of a character code in a literal string: half the size of
// hexadecimal, so less to compress. The bytes a literal string gives a meaning are escaped.
// Writes at most four bytes at `out`; returns where it stopped.
char* putCode(char* out, std::uint32_t glyph) {
    for (const char byte : {static_cast<char>(glyph >> 8), static_cast<char>(glyph)}) {
        switch (byte) {
            case '(':
            case ')':
            case '\\':
                *out++ = '\\';
                *out++ = byte;
                break;
            case '\r':
                *out++ = '\\';
                *out++ = 'r';
                break;
            case '\n':
                *out++ = '\\';
                *out++ = 'n';
                break;
            default:
                *out++ = byte;
        }
    }
    return out;
}

void appendColour(std::string& out, QColor c, const char* op) {
    appendNumber(out, c.redF());
    appendNumber(out, c.greenF());
    appendNumber(out, c.blueF());
    out += op;
}

// A text string of the file's own tables: UTF-16 with its byte order mark, in hexadecimal.
QByteArray textString(const QString& s) {
    QByteArray out = "<FEFF";
    for (const QChar c : s) appendHex4(out, c.unicode());
    return out + '>';
}

// The font's tables gathered into a TrueType file again, as a PDF embeds it.
QByteArray trueTypeFile(const QRawFont& raw) {
    // In the order of their tags' bytes, as the table directory lists them.
    static const char* const kTags[] = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea",
                                        "hmtx", "loca", "maxp", "name", "post", "prep"};
    std::vector<std::pair<const char*, QByteArray>> tables;
    for (const char* tag : kTags) {
        QByteArray data = raw.fontTable(tag);
        if (!data.isEmpty()) tables.emplace_back(tag, std::move(data));
    }
    const auto be16 = [](QByteArray& out, std::uint32_t v) {
        out += char(v >> 8);
        out += char(v);
    };
    const auto be32 = [&](QByteArray& out, std::uint32_t v) {
        be16(out, v >> 16);
        be16(out, v & 0xFFFF);
    };
    const auto n = static_cast<std::uint32_t>(tables.size());
    std::uint32_t power = 1, log = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++log;
    }
    QByteArray out;
    be32(out, 0x00010000);
    be16(out, n);
    be16(out, power * 16);
    be16(out, log);
    be16(out, n * 16 - power * 16);
    std::uint32_t offset = 12 + 16 * n;
    for (auto& [tag, data] : tables) {
        std::uint32_t sum = 0;
        QByteArray padded = data;
        while (padded.size() % 4) padded += '\0';
        for (qsizetype i = 0; i < padded.size(); i += 4)
            sum += (std::uint32_t(std::uint8_t(padded[i])) << 24) |
                   (std::uint32_t(std::uint8_t(padded[i + 1])) << 16) |
                   (std::uint32_t(std::uint8_t(padded[i + 2])) << 8) | std::uint8_t(padded[i + 3]);
        out.append(tag, 4);
        be32(out, sum);
        be32(out, offset);
        be32(out, static_cast<std::uint32_t>(data.size()));
        offset += static_cast<std::uint32_t>(padded.size());
        data = padded;
    }
    for (const auto& table : tables) out += table.second;
    return out;
}

std::int16_t signed16(const QByteArray& table, qsizetype at) {
    if (at + 1 >= table.size()) return 0;
    return static_cast<std::int16_t>((std::uint8_t(table[at]) << 8) | std::uint8_t(table[at + 1]));
}

}  // namespace

PdfFile::PdfFile(const QString& path, QSizeF pageSize, const QString& title, const QString& creator)
    : file_(path), path_(path), pageSize_(pageSize), title_(title), creator_(creator) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw data::UserError(msg::cannotPrintTo(path.toStdString()));
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    reserveObject();  // 1: the catalogue
    pagesObject_ = reserveObject();
    resourcesObject_ = reserveObject();
    infoObject_ = reserveObject();
}

PdfFile::~PdfFile() {
    // After a failure while drawing: the pages still waiting are of no use.
    {
        const std::lock_guard lock(mutex_);
        waiting_.clear();
    }
    stopWriter();
}

std::uint32_t PdfFile::reserveObject() {
    offsets_.push_back(-1);
    return static_cast<std::uint32_t>(offsets_.size() - 1);
}

void PdfFile::startObject(std::uint32_t number) {
    offsets_[number] = written_;
    write(QByteArray::number(number) + " 0 obj\n");
}

void PdfFile::write(const QByteArray& bytes) {
    if (file_.write(bytes) != bytes.size()) failed_ = true;
    written_ += bytes.size();
}

void PdfFile::writeStream(std::uint32_t number, const char* data, std::size_t size,
                          const QByteArray& dictionary) {
    // qCompress puts the length in four bytes before a plain zlib stream.
    const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(data),
                                        static_cast<qsizetype>(size), kCompressionLevel);
    const QByteArrayView stream = QByteArrayView(packed).sliced(4);
    startObject(number);
    write("<< /Length " + QByteArray::number(stream.size()) + " /Filter /FlateDecode " +
          dictionary + ">>\nstream\n");
    if (file_.write(stream.data(), stream.size()) != stream.size()) failed_ = true;
    written_ += stream.size();
    write("\nendstream\nendobj\n");
}

int PdfFile::addFont(const QFont& font) {
    Font f;
    f.raw = QRawFont::fromFont(font);
    f.raw.setPixelSize(f.raw.unitsPerEm());
    f.name = f.raw.familyName().remove(QLatin1Char(' '));
    if (font.bold()) f.name += QStringLiteral("-Bold");
    f.latin1Glyphs.fill(kNotLookedUp);
    fonts_.push_back(std::move(f));
    fontObjects_.push_back(reserveObject());
    return static_cast<int>(fonts_.size() - 1);
}

// Looking a character up in the font costs more than the rest of a text: the first 256 are
// kept once looked up. Returns false when the font cannot tell.
bool PdfFile::glyphsOf(Font& font, const QString& text, std::vector<quint32>& glyphs) {
    glyphs.resize(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= font.latin1Glyphs.size()) {
            int count = static_cast<int>(glyphs.size());
            const bool found = font.raw.glyphIndexesForChars(
                text.constData(), static_cast<int>(text.size()), glyphs.data(), &count);
            glyphs.resize(static_cast<std::size_t>(count));
            return found;
        }
        std::uint32_t& glyph = font.latin1Glyphs[c];
        if (glyph == kNotLookedUp) {
            const QChar character(c);
            quint32 found = 0;
            int count = 1;
            if (!font.raw.glyphIndexesForChars(&character, 1, &found, &count)) return false;
            glyph = found;
        }
        glyphs[static_cast<std::size_t>(i)] = glyph;
    }
    return true;
}

// The texts of a page go into as few text objects as the lines and fills between them allow;
// each sets its font only when it changes and is placed from where the previous text started,
// so that the same columns, row after row, make the same bytes for the compressor.
void PdfFile::text(int fontNumber, double pointSize, QPointF baseline, const QString& text) {
    Font& font = fonts_[static_cast<std::size_t>(fontNumber)];
    if (!glyphsOf(font, text, glyphs_)) return;
    if (!inText_) {
        content_ += "BT\n";
        inText_ = true;
        lastX_ = lastY_ = 0;
    }
    if (fontNumber != currentFont_ || pointSize != currentSize_) {
        content_ += "/F";
        content_ += std::to_string(fontNumber);
        content_ += ' ';
        appendNumber(content_, pointSize);
        content_ += "Tf ";
        currentFont_ = fontNumber;
        currentSize_ = pointSize;
    }
    const long long x = std::llround(baseline.x() * 100);
    const long long y = std::llround((pageSize_.height() - baseline.y()) * 100);
    appendHundredths(content_, x - lastX_);
    appendHundredths(content_, y - lastY_);
    lastX_ = x;
    lastY_ = y;
    content_ += "Td (";
    // One glyph to a character, unless a character takes two UTF-16 units (then the copied
    // text shows a replacement character there).
    const bool oneToOne = glyphs_.size() == static_cast<std::size_t>(text.size());
    const std::size_t before = content_.size();
    content_.resize(before + 4 * glyphs_.size());
    char* out = content_.data() + before;
    for (std::size_t i = 0; i < glyphs_.size(); ++i) {
        const quint32 glyph = glyphs_[i];
        out = putCode(out, glyph);
        if (glyph >= font.shows.size()) font.shows.resize(glyph + 1, 0);
        char16_t& shows = font.shows[glyph];
        if (oneToOne && (shows == 0 || shows == 0xFFFD))
            shows = text[static_cast<qsizetype>(i)].unicode();
        else if (shows == 0)
            shows = 0xFFFD;  // until a text tells which character it is
    }
    content_.resize(static_cast<std::size_t>(out - content_.data()));
    content_ += ")Tj\n";
}

// Lines and fills cannot be drawn inside a text object.
void PdfFile::endText() {
    if (!inText_) return;
    content_ += "ET\n";
    inText_ = false;
}

void PdfFile::line(QPointF from, QPointF to, double width, QColor colour) {
    endText();
    content_ += "q ";
    appendColour(content_, colour, "RG ");
    appendNumber(content_, width);
    content_ += "w ";
    appendNumber(content_, from.x());
    appendNumber(content_, pageSize_.height() - from.y());
    content_ += "m ";
    appendNumber(content_, to.x());
    appendNumber(content_, pageSize_.height() - to.y());
    content_ += "l S Q\n";
}

void PdfFile::fill(const QRectF& rect, QColor colour) {
    endText();
    content_ += "q ";
    appendColour(content_, colour, "rg ");
    appendNumber(content_, rect.left());
    appendNumber(content_, pageSize_.height() - rect.bottom());
    appendNumber(content_, rect.width());
    appendNumber(content_, rect.height());
    content_ += "re f Q\n";
}

void PdfFile::endPage() {
    endText();
    currentFont_ = -1;  // a page starts with no font set
    if (!writer_.joinable()) writer_ = std::thread([this] { writePages(); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < kWaitingPages; });
    waiting_.push_back(std::move(content_));
    lock.unlock();
    changed_.notify_all();
    content_ = std::string();
}

// The writer thread: each page as it comes, until the drawing is done and none is left.
void PdfFile::writePages() {
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !waiting_.empty() || drawingDone_; });
        if (waiting_.empty()) return;
        const std::string content = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        changed_.notify_all();
        try {
            writePage(content);
        } catch (...) {  // out of memory: reported by finish() as a failed write
            failed_ = true;
        }
    }
}

void PdfFile::writePage(const std::string& content) {
    const std::uint32_t contents = reserveObject();
    writeStream(contents, content.data(), content.size(), QByteArray());
    const std::uint32_t page = reserveObject();
    startObject(page);
    QByteArray dictionary =
        "<< /Type /Page /Parent " + QByteArray::number(pagesObject_) + " 0 R /MediaBox [0 0 ";
    appendNumber(dictionary, pageSize_.width());
    appendNumber(dictionary, pageSize_.height());
    dictionary += "] /Resources " + QByteArray::number(resourcesObject_) + " 0 R /Contents " +
                  QByteArray::number(contents) + " 0 R >>\nendobj\n";
    write(dictionary);
    pageObjects_.push_back(page);
}

void PdfFile::stopWriter() {
    if (!writer_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        drawingDone_ = true;
    }
    changed_.notify_all();
    writer_.join();
}

// The font as a composite font whose character codes are its glyph numbers, with the widths of
// the glyphs used and the characters they show.
void PdfFile::writeFont(Font& font, std::uint32_t number) {
    const double perEm = font.raw.unitsPerEm();
    const auto thousandths = [&](double v) {
        return QByteArray::number(std::lround(v * 1000 / perEm));
    };
    const QByteArray name = font.name.toLatin1();

    const std::uint32_t file = reserveObject(), descriptor = reserveObject(),
                        cidFont = reserveObject(), toUnicode = reserveObject();
    const QByteArray fontData = trueTypeFile(font.raw);
    writeStream(file, fontData.constData(), static_cast<std::size_t>(fontData.size()),
                "/Length1 " + QByteArray::number(fontData.size()) + ' ');

    const QByteArray head = font.raw.fontTable("head");
    startObject(descriptor);
    write("<< /Type /FontDescriptor /FontName /" + name + " /Flags 32 /FontBBox [" +
          thousandths(signed16(head, 36)) + ' ' + thousandths(signed16(head, 38)) + ' ' +
          thousandths(signed16(head, 40)) + ' ' + thousandths(signed16(head, 42)) +
          "] /ItalicAngle 0 /Ascent " + thousandths(font.raw.ascent()) + " /Descent -" +
          thousandths(font.raw.descent()) + " /CapHeight " + thousandths(font.raw.capHeight()) +
          " /StemV 80 /FontFile2 " + QByteArray::number(file) + " 0 R >>\nendobj\n");

    QList<quint32> glyphs;
    for (std::size_t g = 0; g < font.shows.size(); ++g)
        if (font.shows[g] != 0) glyphs << static_cast<quint32>(g);
    const QList<QPointF> advances =
        font.raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    QByteArray widths = "[";
    for (qsizetype i = 0; i < glyphs.size(); ++i)
        widths += QByteArray::number(glyphs[i]) + " [" + thousandths(advances[i].x()) + "] ";
    widths += ']';
    startObject(cidFont);
    write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
          " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
          " /FontDescriptor " +
          QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /DW 1000 /W " + widths +
          " >>\nendobj\n");

    QByteArray cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (qsizetype first = 0; first < glyphs.size(); first += 100) {
        const qsizetype n = std::min<qsizetype>(100, glyphs.size() - first);
        cmap += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype i = first; i < first + n; ++i) {
            cmap += '<';
            appendHex4(cmap, glyphs[i]);
            cmap += "> <";
            appendHex4(cmap, font.shows[glyphs[i]]);
            cmap += ">\n";
        }
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    writeStream(toUnicode, cmap.constData(), static_cast<std::size_t>(cmap.size()), QByteArray());

    startObject(number);
    write("<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
          " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(cidFont) +
          " 0 R] /ToUnicode " + QByteArray::number(toUnicode) + " 0 R >>\nendobj\n");
}

void PdfFile::finish() {
    if (!content_.empty()) endPage();
    stopWriter();
    for (std::size_t i = 0; i < fonts_.size(); ++i) writeFont(fonts_[i], fontObjects_[i]);

    startObject(resourcesObject_);
    QByteArray fonts = "<< /Font << ";
    for (std::size_t i = 0; i < fontObjects_.size(); ++i)
        fonts += "/F" + QByteArray::number(static_cast<qulonglong>(i)) + ' ' +
                 QByteArray::number(fontObjects_[i]) + " 0 R ";
    write(fonts + ">> >>\nendobj\n");

    startObject(pagesObject_);
    QByteArray kids = "<< /Type /Pages /Count " +
                      QByteArray::number(static_cast<qulonglong>(pageObjects_.size())) + " /Kids [";
    for (const std::uint32_t page : pageObjects_) kids += QByteArray::number(page) + " 0 R ";
    write(kids + "] >>\nendobj\n");

    startObject(1);
    write("<< /Type /Catalog /Pages " + QByteArray::number(pagesObject_) + " 0 R >>\nendobj\n");
    startObject(infoObject_);
    write("<< /Title " + textString(title_) + " /Creator " + textString(creator_) +
          " >>\nendobj\n");

    const std::int64_t xref = written_;
    QByteArray table = "xref\n0 " + QByteArray::number(static_cast<qulonglong>(offsets_.size())) +
                       "\n0000000000 65535 f \n";
    char line[40];
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
        std::snprintf(line, sizeof line, "%010lld 00000 n \n",
                      static_cast<long long>(std::max<std::int64_t>(offsets_[i], 0)));
        table += line;
    }
    write(table);
    write("trailer\n<< /Size " + QByteArray::number(static_cast<qulonglong>(offsets_.size())) +
          " /Root 1 0 R /Info " + QByteArray::number(infoObject_) + " 0 R >>\nstartxref\n" +
          QByteArray::number(static_cast<qlonglong>(xref)) + "\n%%EOF\n");
    if (!file_.flush()) failed_ = true;
    file_.close();
    if (failed_) throw data::UserError(msg::cannotPrintTo(path_.toStdString()));
}

}  // namespace reports

// pdf_file.h: a PDF file of text pages, written straight to disk, for reports of many pages.
//
// Qt's PDF writer places every glyph on its own and compresses hard: right for a page or a few,
// but most of the time of a report of forty thousand pages. This writer sets each run of text
// with one operator, as the font's own advances place it, and embeds each font once for the whole
// file (with the table a reader needs to copy and search the text). It draws what the reports
// use: text, lines and filled rectangles. Coordinates are points from the page's top left.
#pragma once

#include <QFile>
#include <QRawFont>
#include <QString>
#include <cstdint>
#include <vector>

namespace reports {

class PdfFile {
public:
    // Creates the file at `path` with pages of `pageSize` points. Throws data::UserError when
    // it cannot be created.
    PdfFile(const QString& path, QSizeF pageSize, const QString& title, const QString& creator);
    ~PdfFile();
    PdfFile(const PdfFile&) = delete;
    PdfFile& operator=(const PdfFile&) = delete;

    // A font to write in, by number; `font` sets the face (its size is given with each text).
    int addFont(const QFont& font);
    void text(int font, double pointSize, QPointF baseline, const QString& text);
    void line(QPointF from, QPointF to, double width, QColor colour);
    void fill(const QRectF& rect, QColor colour);
    // Ends the current page; the next drawing starts a new one.
    void endPage();
    // Writes the fonts and the file's tables and closes it. Throws data::UserError when the
    // disk refuses.
    void finish();

private:
    struct Font {
        QRawFont raw;
        QString name;
        std::vector<char16_t> shows;  // by glyph: the character it shows, 0 while unused
    };
    std::uint32_t reserveObject();
    void startObject(std::uint32_t number);
    void write(const QByteArray& bytes);
    void writeStream(std::uint32_t number, const QByteArray& data, const QByteArray& dictionary);
    void writeFont(Font& font, std::uint32_t number);

    QFile file_;
    QString path_;
    QSizeF pageSize_;
    QString title_, creator_;
    std::vector<std::int64_t> offsets_{0};  // by object number; object 0 is never used
    std::int64_t written_ = 0;
    std::uint32_t pagesObject_ = 0, resourcesObject_ = 0, infoObject_ = 0;
    std::vector<std::uint32_t> pageObjects_;
    std::vector<Font> fonts_;
    std::vector<std::uint32_t> fontObjects_;
    QByteArray content_;  // of the current page
    bool failed_ = false;
};

}  // namespace reports

// pdf_file.h: a PDF file of text pages, written straight to disk, for reports of many pages.
//
// Qt's PDF writer places every glyph on its own and compresses hard: right for a page or a few,
// but most of the time of a report of forty thousand pages. This writer sets each run of text
// with one operator, as the font's own advances place it, and embeds each font once for the whole
// file (with the table a reader needs to copy and search the text). It draws what the reports
// use: text, lines and filled rectangles. Coordinates are points from the page's top left.
//
// A finished page is compressed and written by a thread of its own while the next one is drawn:
// compression is a third of the work. At most a few pages wait, so memory stays flat.
#pragma once

#include <QFile>
#include <QRawFont>
#include <QString>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
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
    // Fonts are added before the first page is drawn.
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
    static constexpr std::uint32_t kNotLookedUp = 0xFFFFFFFF;
    struct Font {
        QRawFont raw;
        QString name;
        std::vector<char16_t> shows;  // by glyph: the character it shows, 0 while unused
        std::array<std::uint32_t, 256> latin1Glyphs;  // by character, kNotLookedUp at first
    };
    bool glyphsOf(Font& font, const QString& text, std::vector<quint32>& glyphs);
    void endText();
    std::uint32_t reserveObject();
    void startObject(std::uint32_t number);
    void write(const QByteArray& bytes);
    void writeStream(std::uint32_t number, const char* data, std::size_t size,
                     const QByteArray& dictionary);
    void writeFont(Font& font, std::uint32_t number);
    void writePage(const std::string& content);
    void writePages();
    void stopWriter();

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
    bool failed_ = false;

    // The page being drawn, and the state of its text operators: inside a text object (BT) or
    // not, the font and size set, and where the last text started (in hundredths of a point),
    // from which the next is placed.
    std::string content_;
    bool inText_ = false;
    int currentFont_ = -1;
    double currentSize_ = 0;
    long long lastX_ = 0, lastY_ = 0;
    std::vector<quint32> glyphs_;

    // Pages drawn and waiting for the writer thread, which alone touches the file and the
    // tables above until finish() stops it.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> waiting_;
    bool drawingDone_ = false;
    std::thread writer_;
};

}  // namespace reports

// page_writer.h: paints text documents page by page, under one header, with running page numbers.
//
// Each page has a header line (the database's file name and the report's name on the left, the
// date and "Pagina N" on the right) above the body. A report hands over its body as one or more
// QTextDocuments; each starts on a fresh page and the page numbers run on across them, so a long
// report can be laid out a part at a time instead of all at once.
#pragma once

#include <QDate>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QSizeF>
#include <QString>
#include <QTextDocument>

namespace reports {

struct PageHeading {
    QString databaseName;  // the file name, without its folder
    QString reportName;    // "1_Ruolo", "2_QTotaleVoci"
    QDate date;
};

class PageWriter {
public:
    // Starts painting on `device`, whose page layout is already set. Throws data::UserError when
    // the device cannot be painted on (a PDF file that cannot be created).
    PageWriter(QPagedPaintDevice& device, PageHeading heading, const QString& deviceName);
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // The space under the header, in the device's pixels.
    QSizeF bodySize() const;
    QSizeF bodySizeMm() const;
    // Sets `body` up to be laid out on this device: fonts and sizes in its units, pages of
    // bodySize(). Call after filling the document.
    void prepare(QTextDocument& body) const;
    // Paints every page of a prepared `body`, the first on a fresh page.
    void print(QTextDocument& body);
    int pageCount() const { return pages_; }
    QPagedPaintDevice& device() const { return device_; }

private:
    void startPage();
    void paintHeader();
    double millimetres(double mm) const;

    QPagedPaintDevice& device_;
    PageHeading heading_;
    QPainter painter_;
    int pages_ = 0;
};

// The font the reports are written in.
QFont reportFont();

}  // namespace reports

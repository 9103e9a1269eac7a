// page_writer.h: the pages the reports are painted on, each under one header, with running page
// numbers.
//
// Each page has a header line (the database's file name and the report's name on the left, the
// date and "Pagina N" on the right) above the body. A report may lay its body out as a
// QTextDocument, a long strip cut into pages of the body's size, or paint its body itself.
#pragma once

#include <QDate>
#include <QFont>
#include <QPaintDevice>
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

// The font the reports are written in.
QFont reportFont();

// Paints the header of page `pageNumber` (from 1) with `painter`, in the coordinates of `device`,
// the device the page is laid out for (the painter may paint elsewhere, scaled).
void paintPageHeader(QPainter& painter, const QPaintDevice& device, const PageHeading& heading,
                     int pageNumber);
// How far below the page's top the body starts, in `device`'s pixels.
double pageBodyTop(const QPaintDevice& device);
// The space under the header, in `device`'s pixels and in millimetres.
QSizeF pageBodySize(const QPaintDevice& device);
QSizeF pageBodySizeMm(const QPaintDevice& device);

// Sets `body` up to be laid out on `device`: fonts and sizes in its units, pages of the body's
// size. Call after filling the document.
void prepareBody(QTextDocument& body, QPaintDevice& device);
// Paints page `page` (from 0) of a prepared `body` under the header.
void paintBodyPage(QPainter& painter, const QPaintDevice& device, QTextDocument& body, int page);

}  // namespace reports

#pragma once

#include <QByteArray>
#include <QString>

namespace korvel {

// The rendered text of an HTML page's body, as a reader of the page sees it, parsed with gumbo.
//
// Layout of the text:
// - runs of white space collapse to one blank, as the browser shows them (a no-break space stays);
// - the texts of a table row's cells are joined without anything between them (a row "2018-01-01 |
//   2018-001 | 123" reads "2018-01-012018-001123"), white space at a cell's edges is dropped, and
//   everything inside one cell (line breaks and blocks included) stays one run of text;
// - every table row, block element (p, div, li, h1, ...) and line break outside a cell ends a line ("\n");
//   empty lines are not repeated;
// - scripts, styles, templates, comments and the head are left out.
//
// The bytes are decoded by the charset of the Content-Type header, else of the page's own meta tag, else
// as UTF-8 when they are valid UTF-8, else as GBK (the usual encoding of Chinese pages). Malformed HTML
// is read as a browser reads it; a page that is not HTML at all yields its visible text or nothing.
namespace pagetext {

QString bodyText(const QByteArray& html, const QString& contentType = {});

// The page's text as a browser would decode it (see above), before any parsing.
QString decodeHtml(const QByteArray& html, const QString& contentType = {});

} // namespace pagetext
} // namespace korvel

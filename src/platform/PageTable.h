#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace korvel::pagetext {

// The rows of every table of an HTML page's body, in document order: one list of cell texts (td and th)
// per row. A cell's text is what a reader sees in it: its pieces joined without anything between
// elements ("<span>8</span><span>7</span>" reads "87"), runs of white space as one blank, trimmed; scripts
// and styles left out. Rows without a cell are left out. The bytes are decoded as bodyText() decodes them
// (the declared charset, else UTF-8 when valid, else GBK).
QList<QStringList> tableRows(const QByteArray& html, const QString& contentType = {});

} // namespace korvel::pagetext

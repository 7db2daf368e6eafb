#pragma once

#include "history/DrawEntry.h"

#include <QObject>
#include <QString>

namespace korvel {

// What the entry line needs of the rest of the program: the issue and date texts it shows and edits, and
// the storing of a typed draw. entryChanged() comes after either text changed, whoever changed it. The
// application implements it over its session. GUI thread only.
class EntryHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QString nextIssue() const = 0;
    virtual void setNextIssue(const QString& issue) = 0;
    virtual QString entryDate() const = 0;
    virtual void setEntryDate(const QString& date) = 0;
    // Focus left the date field: "2012/5/20" becomes "2012-05-20".
    virtual void normaliseEntryDate() = 0;
    // The third digit was typed: stores the draw with the issue and date texts.
    virtual EntryResult enterDraw(const QString& box1, const QString& box2, const QString& box3) = 0;

signals:
    void entryChanged();
};

} // namespace korvel

#pragma once

// What the parts of the formula import share (internal to the formula folder).
#include "formula/FormulaKind.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace korvel {

// Position of a kind in kAllKinds, -1 for a kind without a table.
inline int kindSlot(const FormulaKind& kind)
{
    for (std::size_t i = 0; i < kAllKinds.size(); ++i) {
        if (kAllKinds[i] == kind) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Writes the file in one step: an old copy is replaced only by a complete new one.
inline bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace korvel

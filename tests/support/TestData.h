#pragma once

#include "history/HistorySnapshot.h"

#include <QString>

#include <vector>

namespace korvel::test {

struct DrawLine {
    QString issue;
    QString date;
    QString digits;
};

// The real draws shipped in tests/data ("fc3d_draws.tsv", "pl3_draws.tsv").
QString dataPath(const QString& file);
std::vector<DrawLine> loadDraws(const QString& file, int limit = -1);
// A snapshot with every parameter computed in issue order, as the store would compute them.
HistorySnapshot snapshotOf(const std::vector<DrawLine>& draws);

} // namespace korvel::test

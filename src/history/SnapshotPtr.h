#pragma once

#include <memory>

namespace korvel {

class HistorySnapshot;

// A shared, immutable history snapshot (history/HistorySnapshot.h), for the files that only hold or pass
// one on; never null where the store hands it out.
using SnapshotPtr = std::shared_ptr<const HistorySnapshot>;

} // namespace korvel

#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace korvel {

class Database;

// One row of the tally work tables `ErrarrLei` and `Errarr`: a digit (or, in the category views, category
// 0 or 1) with its three counts.
struct TallyTableRow {
    int num = 0;
    std::int16_t senseCount = 0; // ETrrcount
    std::int16_t err = 0;        // Errcount
    std::int16_t trr = 0;        // Trrcount

    friend bool operator==(const TallyTableRow&, const TallyTableRow&) = default;
};

// The work tables as the result views and the history ranking leave them in `formula.mdb`, for whoever
// reads the file. Each write is one transaction: the table then holds exactly the new rows, or stays as
// it was and the call returns false with the reason in *error. The Database must be open.
namespace tallyTables {

// `ErrarrLei`: every row deleted, then the given rows inserted in their order.
bool writeResultTable(Database& db, std::span<const TallyTableRow> rows, QString* error = nullptr);
// `ErrarrLei` in stored order.
std::vector<TallyTableRow> readResultTable(Database& db);

// `Errarr`: the ten rows `num` 0..9 updated in place (rows that are missing are added).
bool writeRankingTable(Database& db, const std::array<TallyTableRow, 10>& rows, QString* error = nullptr);
std::vector<TallyTableRow> readRankingTable(Database& db);

} // namespace tallyTables

} // namespace korvel

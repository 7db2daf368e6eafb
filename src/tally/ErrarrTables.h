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
struct ErrarrRow {
    int num = 0;
    std::int16_t eTrr = 0; // ETrrcount
    std::int16_t err = 0;  // Errcount
    std::int16_t trr = 0;  // Trrcount

    friend bool operator==(const ErrarrRow&, const ErrarrRow&) = default;
};

// The work tables as the result views and the history ranking leave them in `formula.mdb`, for whoever
// reads the file. Each write is one transaction: the table then holds exactly the new rows, or stays as
// it was and the call returns false with the reason in *error. The Database must be open.
namespace errarr {

// `ErrarrLei`: every row deleted, then the given rows inserted in their order.
bool writeErrarrLei(Database& db, std::span<const ErrarrRow> rows, QString* error = nullptr);
// `ErrarrLei` in stored order.
std::vector<ErrarrRow> readErrarrLei(Database& db);

// `Errarr`: the ten rows `num` 0..9 updated in place (rows that are missing are added).
bool writeErrarr(Database& db, const std::array<ErrarrRow, 10>& rows, QString* error = nullptr);
std::vector<ErrarrRow> readErrarr(Database& db);

} // namespace errarr

} // namespace korvel

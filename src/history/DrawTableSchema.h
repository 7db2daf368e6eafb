#pragma once

#include <string>
#include <vector>

namespace korvel {

// The draw table `Lishi`: the draw number `strQQH`, one INTEGER column per stored parameter in parameter order
// (named by its code, history/Param.h), then the tally's work columns. The database layer cannot name the
// parameter columns, so whoever opens the file hands it these statements (Database::open).
const std::vector<std::string>& drawTableSchema();

} // namespace korvel

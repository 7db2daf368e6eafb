#include "history/DrawTableSchema.h"

#include "history/Param.h"

namespace korvel {

const std::vector<std::string>& drawTableSchema()
{
    static const std::vector<std::string> statements = [] {
        std::string createTable = "CREATE TABLE IF NOT EXISTS Lishi (strQQH TEXT PRIMARY KEY NOT NULL";
        for (int i = 0; i < kParamCount; ++i) {
            createTable += ", ";
            createTable += paramCode(paramAt(i));
            createTable += " INTEGER";
        }
        createTable += ", canshu REAL, PreCanshu REAL, GSCS INTEGER, GSGL INTEGER, GSZCS REAL)";
        return std::vector<std::string>{createTable};
    }();
    return statements;
}

} // namespace korvel

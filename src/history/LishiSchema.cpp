#include "history/LishiSchema.h"

#include "history/Param.h"

namespace korvel {

const std::vector<std::string>& lishiSchema()
{
    static const std::vector<std::string> statements = [] {
        std::string lishi = "CREATE TABLE IF NOT EXISTS Lishi (strQQH TEXT PRIMARY KEY NOT NULL";
        for (int i = 0; i < kParamCount; ++i) {
            lishi += ", ";
            lishi += paramCode(paramAt(i));
            lishi += " INTEGER";
        }
        lishi += ", canshu REAL, PreCanshu REAL, GSCS INTEGER, GSGL INTEGER, GSZCS REAL)";
        return std::vector<std::string>{lishi};
    }();
    return statements;
}

} // namespace korvel

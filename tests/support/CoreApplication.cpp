#include "support/CoreApplication.h"

#include <QCoreApplication>

namespace korvel::test {

void ensureCoreApplication()
{
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static int argc = 1;
    static char name[] = "korvel_core_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

} // namespace korvel::test

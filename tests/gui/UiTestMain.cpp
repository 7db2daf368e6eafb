#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

namespace {
QtMessageHandler g_previousHandler = nullptr;

// QAbstractItemModelTester in Warning mode reports a broken model contract as a warning of category
// "qt.modeltest"; in these tests that is a failure of the test that provoked it.
void failOnModelTesterWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && context.category &&
        std::strcmp(context.category, "qt.modeltest") == 0) {
        ADD_FAILURE() << "model tester: " << message.toStdString();
    }
    if (g_previousHandler) {
        g_previousHandler(type, context, message);
    }
}
} // namespace

// Widget tests need one application object; they run on the offscreen platform. Pictures for a person
// (KORVEL_SHOTS_DIR) may be taken on a real screen of a chosen size: the platform given is then kept.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("KORVEL_SHOTS_DIR") || qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    g_previousHandler = qInstallMessageHandler(failOnModelTesterWarnings);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

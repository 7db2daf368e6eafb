#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace korvel {

// What the window program settles before it makes its application object: "--help" and "--version" are
// answered without a display, and a session without one gets one clear line instead of the toolkit's abort.

enum class EarlyAction { Run, Help, Version };

// The first of --help/-h or --version/-v among the arguments (program name excluded, nothing after "--").
EarlyAction earlyAction(const QStringList& arguments);

QString guiHelpText();                       // the usage of korvel
QString versionLine(const QString& program); // "korvel 0.2.0"

// Empty when the environment names a display the chosen platform plugin can use (or a plugin that needs
// none, such as offscreen); otherwise the line to print: no display, use korvel-cli or QT_QPA_PLATFORM.
QString missingDisplayMessage(const QProcessEnvironment& environment);
// The same line, for when the platform plugin failed although the environment named a display.
QString displayFailedMessage(const QString& reason);

} // namespace korvel

#include "cli/Cli.h"
#include "cli/Interrupt.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("3VER"));

    korvel::cli::installInterruptHandler();

    QFile stdoutFile;
    QFile stderrFile;
    stdoutFile.open(stdout, QIODevice::WriteOnly);
    stderrFile.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream out(&stdoutFile);
    QTextStream err(&stderrFile);
    return korvel::cli::runCli(QCoreApplication::arguments().mid(1), out, err);
}

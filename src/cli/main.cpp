// pkorvel-cli: every chip operation of PKorvel from a shell, with exit codes, a
// progress bar on the terminal and a result a script can read.

#include <QCommandLineParser>
#include <QCoreApplication>

#include "cli.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pkorvel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.2"));
    return pk::cli::run(QCoreApplication::arguments());
}

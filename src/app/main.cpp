// PKorvel: programs PIC16 flash chips through a parallel-port programmer.

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>

#include "ostrac.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PKorvel"));
    QApplication::setApplicationVersion(QStringLiteral("2.2"));

    // Qt's own buttons ("Abbrechen", "Öffnen", ...) in German, like the rest of the program.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    // Arguments beginning with "--" are the program's own options; the classic
    // "/f", "/p..." switches are read by the main window.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("PIC16-Programmiergerät am Druckerport"));
    parser.addHelpOption();
    parser.addVersionOption();
    QStringList own{QApplication::arguments().first()};
    for (const QString& a : QApplication::arguments().mid(1)) {
        if (a.startsWith(QStringLiteral("--"))) {
            own << a;
        }
    }
    parser.process(own);

    pk::OstracDeps deps;
    deps.arguments = QApplication::arguments();
    pk::TOstrac window(deps);
    window.show();
    window.ToolButton7Click();  // the info window, one second at start
    return QApplication::exec();
}

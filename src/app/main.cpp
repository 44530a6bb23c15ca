// PKorvel: programs PIC16 flash chips through a parallel-port programmer.

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

#include "ostrac.h"
#include "sim_setup.h"

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
    pk::SimSetup sim;
    pk::SimSetup::addOptions(parser);
    QStringList own{QApplication::arguments().first()};
    for (const QString& a : QApplication::arguments().mid(1)) {
        if (a.startsWith(QStringLiteral("--"))) {
            own << a;
        }
    }
    QString optionError;
    if (!sim.takeOptions(own, &optionError)) {
        std::fprintf(stderr, "%s\n", qPrintable(optionError));
        return 2;
    }
    parser.process(own);

    pk::OstracDeps deps;
    deps.arguments = QApplication::arguments();
    if (!sim.apply(deps, &optionError)) {
        std::fprintf(stderr, "%s\n", qPrintable(optionError));
        return 2;
    }
    pk::TOstrac window(deps);
    sim.attach(window);
    window.show();
    window.ToolButton7Click();  // the info window, one second at start
    const int rc = QApplication::exec();
    if (!sim.finish(&optionError)) {
        std::fprintf(stderr, "%s\n", qPrintable(optionError));
    }
    return rc;
}

// PKorvel: programs PIC16 flash chips through a parallel-port programmer.

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <string>

#include "backend_setup.h"
#include "options.h"
#include "ostrac.h"

int main(int argc, char* argv[]) {
    // --help and --version only print and end: they must work without a display.
    if (pk::onlyPrints(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PKorvel"));
    QApplication::setApplicationVersion(QStringLiteral("2.2"));
    // Lets the desktop match the window to pkorvel.desktop (its icon in task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("pkorvel"));

    // Qt's own buttons ("Abbrechen", "Öffnen", ...) in German, like the rest of the program.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    // "--" options are the program's own (this ends the program for --help and
    // --version); everything else is left to the main window's classic switches.
    const pk::SplitArguments split = pk::splitArguments(QApplication::arguments());
    QCommandLineParser parser;
    pk::setUpParser(parser);
    // The backend outlives the window, whose destruction switches the programmer off
    // through it.
    pk::BackendSetup backend;
    QStringList own = split.own;
    QString error;
    if (!backend.takeOptions(own, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    parser.process(own);

    std::string portError;
    const auto port =
        pk::portKindNamed(parser.value(QStringLiteral("port")).toStdString(), &portError);
    if (!port) {
        std::fprintf(stderr, "pkorvel: %s\n", portError.c_str());
        return 2;
    }
    pk::OstracDeps deps;
    deps.arguments = split.classic;
    if (!backend.apply(deps, *port, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    pk::TOstrac window(deps);
    backend.attach(window);
    window.show();
    window.ToolButton7Click();  // the info window, one second at start
    const int rc = QApplication::exec();
    if (!backend.finish(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
    }
    return rc;
}

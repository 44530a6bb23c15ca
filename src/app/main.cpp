// PKorvel: programs PIC16 flash chips through a parallel-port programmer.

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "options.h"
#include "ostrac.h"
#include "port_backend.h"
#include "sim_setup.h"

int main(int argc, char* argv[]) {
    // --help and --version only print and end: they must work without a display.
    if (pk::onlyPrints(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PKorvel"));
    QApplication::setApplicationVersion(QStringLiteral("2.2"));

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
    // The real port backend outlives the window (whose destruction switches the
    // programmer off through it) and the trace around it.
    std::unique_ptr<pk::PortIo> port;
    pk::SimSetup sim;
    QStringList own = split.own;
    QString optionError;
    if (!sim.takeOptions(own, &optionError)) {
        std::fprintf(stderr, "%s\n", qPrintable(optionError));
        return 2;
    }
    parser.process(own);

    pk::OstracDeps deps;
    deps.arguments = split.classic;
    if (!sim.simulate()) {
        // --port=ppdev (default) or direct; the simulator needs no real port.
        QString portError;
        port = pk::makePortBackend(parser.value(QStringLiteral("port")), &portError);
        if (port == nullptr) {
            std::fprintf(stderr, "pkorvel: %s\n", qPrintable(portError));
            return 2;
        }
        deps.port = port.get();
    }
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

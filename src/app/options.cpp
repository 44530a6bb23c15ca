#include "options.h"

#include "backend_setup.h"

namespace pk {

QList<QCommandLineOption> programOptions() {
    QList<QCommandLineOption> options;
    options << BackendSetup::commandLineOptions();
    options << QCommandLineOption(QStringLiteral("port"),
                                  QStringLiteral("Zugang zum Druckerport: ppdev (/dev/parportN, "
                                                 "Gruppe lp; Vorgabe) oder direct (Portbefehle, "
                                                 "root)"),
                                  QStringLiteral("ppdev|direct"), QStringLiteral("ppdev"));
    return options;
}

void setUpParser(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Programmiert PIC16-Flash-Controller mit dem Korvel am Druckerport.\n"
                       "Dazu die klassischen Schalter: /f<HEX-Datei> lädt eine Datei, "
                       "/p16f84 ... /p16f676 wählt den PIC-Typ."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(programOptions());
}

SplitArguments splitArguments(const QStringList& arguments) {
    SplitArguments split;
    if (arguments.isEmpty()) {
        return split;
    }
    split.own << arguments.first();
    split.classic << arguments.first();

    const QList<QCommandLineOption> options = programOptions();
    const auto takesValue = [&options](const QString& name) {
        for (const QCommandLineOption& o : options) {
            if (o.names().contains(name)) {
                return !o.valueName().isEmpty();
            }
        }
        return false;
    };

    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (!a.startsWith(QStringLiteral("--")) || a == QStringLiteral("--")) {
            split.classic << a;
            continue;
        }
        split.own << a;
        const QString name = a.mid(2).section(QLatin1Char('='), 0, 0);
        if (!a.contains(QLatin1Char('=')) && takesValue(name) && i + 1 < arguments.size()) {
            split.own << arguments.at(++i);
        }
    }
    return split;
}

bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "--help-all" || a == "--version") {
            return true;
        }
    }
    return false;
}

}  // namespace pk

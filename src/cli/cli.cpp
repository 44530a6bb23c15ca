#include "cli.h"

#include <signal.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "run.h"
#include "terminal.h"

namespace pk::cli {

int Run::exec() {
    int code = parseAndRun();
    if (gStopSignal != 0) {
        code = 128 + static_cast<int>(gStopSignal);
    }
    finish(code);
    return code;
}

int Run::parseAndRun() {
    QStringList args = arguments_;
    if (!takeBackendArguments(args)) {
        return ExitUsage;
    }
    QCommandLineParser parser;
    setUpParser(parser);
    if (!parser.parse(args)) {
        usage(parser.errorText().toStdString());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return ExitOk;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("pkorvel-cli %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return ExitOk;
    }
    if (!readOptions(parser)) {
        return ExitUsage;
    }
    const QStringList pos = parser.positionalArguments();
    if (pos.isEmpty()) {
        usage("kein Befehl angegeben (--help zeigt die Befehle, types die PIC-Typen)");
        return ExitUsage;
    }
    command_ = pos.at(0).toStdString();
    for (qsizetype i = 1; i < pos.size(); ++i) {
        files_.push_back(pos.at(i).toStdString());
    }
    struct Command {
        const char* name;
        std::size_t files;
        bool chip;
        int (Run::*run)();
    };
    static const Command kCommands[] = {
        {"search", 0, true, &Run::cmdSearch},
        {"detect", 0, true, &Run::cmdDetect},
        {"burn", 1, true, &Run::cmdBurn},
        {"verify", 1, true, &Run::cmdVerify},
        {"read", 1, true, &Run::cmdRead},
        {"erase", 0, true, &Run::cmdErase},
        {"unprotect", 0, true, &Run::cmdUnprotect},
        {"listing", 1, false, &Run::cmdListing},
        {"map", 2, false, &Run::cmdMap},
        {"check", 1, false, &Run::cmdCheck},
        {"doctor", 0, true, &Run::cmdDoctor},
        {"types", 0, false, &Run::cmdTypes},
    };
    for (const Command& c : kCommands) {
        if (command_ != c.name) {
            continue;
        }
        if (files_.size() != c.files) {
            usage(command_ + ": " + std::to_string(c.files) + " Datei(en) erwartet");
            return ExitUsage;
        }
        if (!takeOutputFile()) {
            return ExitUsage;
        }
        if (!c.chip) {
            return (this->*c.run)();
        }
        const int setup = setUpLink();
        if (setup != ExitOk) {
            return setup;
        }
        shownPart_ = part_;
        try {
            return (this->*c.run)();
        } catch (const Interrupted& i) {
            return 128 + i.signal;
        } catch (const std::exception& e) {
            message(e.what());
            return ExitNoProgrammer;
        }
    }
    usage("unbekannter Befehl " + command_ + " (--help zeigt die Befehle)");
    return ExitUsage;
}

extern "C" void onStopSignal(int signal) {
    gStopSignal = signal;
}

int run(const QStringList& arguments) {
    // SIGINT and SIGTERM stop the command at its next step, through its brackets,
    // so the chip is not left under 12 V.
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    Run r(arguments);
    return r.exec();
}

}  // namespace pk::cli

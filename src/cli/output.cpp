// What a command says on the terminal, the JSON object it ends with, and the
// output files it writes.

#include "run.h"

#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "image/atomic_file.h"
#include "image/standard_streams.h"

namespace pk::cli {

namespace {

const char* resultName(int code) {
    switch (code) {
        case ExitOk:
            return "ok";
        case ExitDifferences:
            return "differences";
        case ExitUsage:
            return "usage";
        case ExitNoProgrammer:
            return "no-programmer";
        case ExitChip:
            return "chip";
        case ExitHexFile:
            return "hex-file";
        default:
            return "output";
    }
}

}  // namespace

const char* areaName(Area a) {
    switch (a) {
        case Area::Program:
            return "program";
        case Area::Data:
            return "data";
        case Area::Id:
            return "id";
        case Area::Config:
            return "config";
    }
    return "program";
}

// The file the command writes; "-" takes standard output for it alone.
bool Run::takeOutputFile() {
    const std::size_t index = command_ == "read" ? 0 : command_ == "map" ? 1 : files_.size();
    outputToStdout_ = index < files_.size() && IsStandardStream(files_[index]);
    if (outputToStdout_ && json_) {
        return usage(
            "--json und - als Ausgabedatei schließen sich aus: beide schreiben auf "
            "die Standardausgabe");
    }
    return true;
}

void Run::message(const std::string& text) {
    dialog_.message(text);
}

void Run::say(const std::string& text) {
    if (!quiet_ && !json_) {
        std::fprintf(outputToStdout_ ? stderr : stdout, "%s\n", text.c_str());
    }
}

void Run::finish(int code) {
    if (link_) {
        try {
            link_->Anfang();
        } catch (const std::exception&) {
            // The port is going away anyway.
        }
    }
    if (backend_) {
        std::string why;
        if (!backend_->finish(&why)) {
            std::fprintf(stderr, "%s\n", why.c_str());
            if (code == ExitOk) {
                code = ExitOutput;
            }
        }
    }
    if (!json_ || usageError_) {
        return;
    }
    QJsonObject o;
    o[QStringLiteral("command")] = QString::fromStdString(command_);
    if (shownPart_) {
        o[QStringLiteral("type")] = QString::fromStdString(shownPart_->listText());
    } else {
        o[QStringLiteral("type")] = QJsonValue::Null;
    }
    if (countersValid_) {
        QJsonObject c;
        c[QStringLiteral("program")] = errors_.ProgramErrorCount;
        c[QStringLiteral("data")] = errors_.DataErrorCount;
        c[QStringLiteral("configId")] = errors_.ConfigIdErrorCount;
        o[QStringLiteral("counters")] = c;
    } else {
        o[QStringLiteral("counters")] = QJsonValue::Null;
    }
    o[QStringLiteral("result")] = QString::fromLatin1(resultName(code));
    o[QStringLiteral("exitCode")] = code;
    QJsonArray failed;
    for (const WordFailure& d : failed_) {
        QJsonObject f;
        f[QStringLiteral("area")] = QString::fromLatin1(areaName(d.area));
        f[QStringLiteral("address")] = d.address;
        f[QStringLiteral("wanted")] = static_cast<int>(d.wanted);
        f[QStringLiteral("read")] = static_cast<int>(d.read);
        failed.append(f);
    }
    o[QStringLiteral("failed")] = failed;
    QJsonArray messages;
    for (const auto& m : dialog_.messages()) {
        messages.append(QString::fromStdString(terminalText(m)));
    }
    o[QStringLiteral("messages")] = messages;
    for (auto it = extra_.begin(); it != extra_.end(); ++it) {
        o[it.key()] = it.value();
    }
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputs("\n", stdout);
}

void Run::takeResult(const CommandResult& r) {
    countersValid_ = r.countersValid;
    failed_ = r.failures;
    dataShown_ = r.dataIncluded;
}

void Run::sayCounters() {
    if (!countersValid_) {
        return;
    }
    const bool qd = settings_.QuickAndDirty;
    auto n = [qd](std::int32_t v) { return qd ? std::string("?") : std::to_string(v); };
    say("Fehler: Programm " + n(errors_.ProgramErrorCount) + ", Daten " +
        (dataShown_ ? n(errors_.DataErrorCount) : std::string("?")) + ", ID/Config " +
        n(errors_.ConfigIdErrorCount));
}

// Writes the command's output file; `done` and its name are said afterwards.
int Run::save(const std::string& path, std::string_view data, const std::string& done) {
    // A signal during an atomic save would leave its temporary file behind: it
    // waits until the file is complete. A pipe or device is written in place and
    // may wait for its reader, so there a signal still stops the command.
    const bool atomic = OutputKindOf(path) == OutputKind::Replace;
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigset_t before;
    sigprocmask(SIG_BLOCK, atomic ? &stop : nullptr, &before);
    const SaveResult saved = WriteOutputFile(path, data);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    if (!saved.ok()) {
        message("Datei " + OutputFileName(path) +
                " kann nicht geschrieben werden: " + saved.reason);
        return ExitOutput;
    }
    say(done + OutputFileName(path));
    return ExitOk;
}

}  // namespace pk::cli

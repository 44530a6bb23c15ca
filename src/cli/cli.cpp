#include "cli.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>

#include "device/catalogue.h"
#include "device/chip_ops.h"
#include "doctor_cmd.h"
#include "editors/config_word.h"
#include "editors/id_words.h"
#include "hex_check.h"
#include "image/atomic_file.h"
#include "image/hex_file.h"
#include "image/settings_file.h"
#include "link/clock.h"
#include "link/direct_port.h"
#include "link/ppdev_port.h"
#include "link/programmer.h"
#include "link/trace_port.h"
#include "sim/backend.h"
#include "sim/options.h"
#include "terminal.h"
#include "viewers/memory_map.h"
#include "viewers/reassembler.h"

namespace pk::cli {

namespace {

// The main window's texts for the programmer search.
const char* const kNotFoundMessage =
    "kein Korvel gefunden, deshalb:\r\r1. OK-Schaltfläche anklicken\r2. Korvel an Druckerport "
    "anschließen\r3. PIC aus dem Korvel entfernen\r4. Korvel mit Spannung versorgen\r\rdann "
    "wieder versuchen\r\rQuick and Dirty-Korvel Benutzer einfach weiterklicken\r"
    "Hardwareeinstellung vornehmen und \"Korvel suchen\" drücken";
const char* const kNoDriverMessage =
    "Der Porttreiber kann nicht geöffnet werden!\r bitte zlportio.sys hinzufügen";

const char* const kDescription =
    "PKorvel ohne Fenster: programmiert PIC16-Flash-Controller über das Korvel am Druckerport.\n"
    "\n"
    "Befehle:\n"
    "  search                 Korvel suchen; zeigt, an welchem Port es hängt\n"
    "  detect                 Autodetect: Typ, Device-ID, Revision, Codeschutz\n"
    "  burn DATEI.hex         wie \"Brennen\": Programm, Daten, ID und Configuration\n"
    "  verify DATEI.hex       wie \"Vergleichen\"; mit --list jede abweichende Adresse\n"
    "  read AUS.hex           wie \"Lesen\", dann in eine HEX-Datei schreiben\n"
    "  erase                  wie \"Löschen\"\n"
    "  unprotect              wie \"CP entfernen\"\n"
    "  listing DATEI.hex      das Assembler-Listing auf die Standardausgabe\n"
    "  map DATEI.hex AUS.png  die Speicherbelegung als PNG-Bild\n"
    "  check DATEI.hex        HEX-Datei prüfen, so wie das Programm sie liest\n"
    "  doctor                 Verbindung prüfen: erklärt, warum Korvel oder PIC nicht antworten\n"
    "\n"
    "Exit-Codes:\n"
    "  0  Erfolg\n"
    "  1  Vergleich oder Prüfung fand Unterschiede (bzw. Fehler beim Brennen)\n"
    "  2  falsche Bedienung (Befehl, Option)\n"
    "  3  kein Portzugriff oder kein Korvel gefunden\n"
    "  4  kein PIC oder falscher PIC-Typ\n"
    "  5  HEX-Datei fehlt oder ist nicht lesbar\n"
    "  6  Ausgabedatei konnte nicht geschrieben werden";

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

std::string hex4(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", v);
    return buf;
}

// One address whose chip value differs from the wanted one.
struct Difference {
    std::string area;  // "program", "data", "id", "config"
    int address = 0;
    unsigned wanted = 0;
    unsigned read = 0;
};

// The same comparison as CompareImage, address by address.
std::vector<Difference> differences(const MemoryImage& image, const DeviceState& device,
                                    bool includeData) {
    std::vector<Difference> out;
    const auto& hex = image.HexWords;
    const auto& back = image.ReadBack;
    for (int a = 0; a <= device.ProgLastAddr && a < MemoryImage::IdBase; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (image.present(i) && back[i] != hex[i]) {
            out.push_back({"program", a, hex[i], back[i]});
        }
    }
    if (includeData) {
        for (int k = 0; k <= device.DataLastAddr; ++k) {
            const auto i = static_cast<std::size_t>(MemoryImage::EepromBase + k);
            if (image.present(i) && (back[i] & 0xFF) != (hex[i] & 0xFF)) {
                out.push_back(
                    {"data", MemoryImage::EepromBase + k, hex[i] & 0xFFu, back[i] & 0xFFu});
            }
        }
    }
    for (int k = 0; k < 4; ++k) {
        const std::int32_t id = image.IdWords[static_cast<std::size_t>(k)];
        const auto i = static_cast<std::size_t>(MemoryImage::IdBase + k);
        if (idPresent(id) && (back[i] & 0xF) != (static_cast<unsigned>(id) & 0xF)) {
            out.push_back(
                {"id", MemoryImage::IdBase + k, static_cast<unsigned>(id) & 0xF, back[i] & 0xFu});
        }
    }
    if ((image.ConfigWord & 0x8000) == 0 && back[MemoryImage::ConfigAddr] != image.ConfigWord) {
        out.push_back(
            {"config", MemoryImage::ConfigAddr, image.ConfigWord, back[MemoryImage::ConfigAddr]});
    }
    return out;
}

// Failure messages of the chip routines end in "address: wanted -> read" (decimal).
std::optional<Difference> failureFromMessage(const std::string& m) {
    const std::size_t arrow = m.rfind(" -> ");
    if (arrow == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t colon = m.rfind(": ", arrow);
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    std::size_t start = colon;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(m[start - 1])) != 0) {
        --start;
    }
    unsigned address = 0;
    unsigned wanted = 0;
    unsigned read = 0;
    char tail = 0;
    if (start == colon ||
        std::sscanf(m.c_str() + start, "%u: %u -> %u%c", &address, &wanted, &read, &tail) != 3) {
        return std::nullopt;
    }
    const int a = static_cast<int>(address);
    const char* area = a < MemoryImage::IdBase        ? "program"
                       : a >= MemoryImage::EepromBase ? "data"
                       : a == MemoryImage::ConfigAddr ? "config"
                                                      : "id";
    return Difference{area, a, wanted, read};
}

std::vector<Difference> failuresFromMessages(const std::vector<std::string>& messages) {
    std::vector<Difference> out;
    for (const auto& m : messages) {
        if (auto d = failureFromMessage(m)) {
            out.push_back(*d);
        }
    }
    return out;
}

class Run {
  public:
    explicit Run(const QStringList& arguments) : arguments_(arguments) {}

    int exec() {
        const int code = parseAndRun();
        finish(code);
        return code;
    }

  private:
    // ---- Arguments ----

    // The simulator's options and --trace, as the program takes them; the rest
    // goes to the parser.
    bool takeSimOptions(QStringList& args) {
        static const QStringList withValue{
            QStringLiteral("--sim-lpt"), QStringLiteral("--sim-circuit"),
            QStringLiteral("--sim-chip-file"), QStringLiteral("--sim-fault"),
            QStringLiteral("--trace")};
        QStringList rest;
        for (qsizetype i = 0; i < args.size(); ++i) {
            QString a = args.at(i);
            if (i > 0 && withValue.contains(a) && i + 1 < args.size()) {
                a += QLatin1Char('=') + args.at(++i);
            }
            if (i > 0 &&
                (a == QStringLiteral("--trace") || a.startsWith(QStringLiteral("--trace=")))) {
                tracePath_ = a.mid(8).toStdString();
                if (tracePath_.empty()) {
                    return usage("--trace: Dateiname fehlt");
                }
                continue;
            }
            std::string why;
            switch (i == 0 ? sim::OptionResult::NotMine
                           : sim::parseSimOption(a.toStdString(), simOptions_, &why)) {
                case sim::OptionResult::NotMine:
                    rest << a;
                    break;
                case sim::OptionResult::Ok:
                    break;
                case sim::OptionResult::Error:
                    return usage(why);
            }
        }
        args = rest;
        return true;
    }

    bool usage(const std::string& text) {
        std::fprintf(stderr, "pkorvel-cli: %s\n", text.c_str());
        usageError_ = true;
        return false;
    }

    void setUpParser(QCommandLineParser& p) {
        p.setApplicationDescription(QString::fromUtf8(kDescription));
        p.addHelpOption();
        p.addVersionOption();
        p.addOptions({
            {QStringLiteral("type"), QStringLiteral("PIC-Typ, z. B. 16f877 (Vorgabe: erkennen)"),
             QStringLiteral("TYP")},
            {QStringLiteral("port"),
             QStringLiteral("auto (Korvel suchen), lpt1, lpt2, ppdev (= auto) oder direct "
                            "(direkter Portzugriff, dann suchen)"),
             QStringLiteral("PORT"), QStringLiteral("auto")},
            {QStringLiteral("driver"), QStringLiteral("Treiber 0..2 (statt der Einstellung)"),
             QStringLiteral("N")},
            {QStringLiteral("switch"),
             QStringLiteral("Spannungsschalter 0..3 (statt der Einstellung)"), QStringLiteral("N")},
            {QStringLiteral("qad"), QStringLiteral("Quick-and-Dirty-Korvel")},
            {QStringLiteral("delay"), QStringLiteral("Verzögerungswert (statt der Messung)"),
             QStringLiteral("N")},
            {QStringLiteral("no-data"), QStringLiteral("Data-EEPROM auslassen")},
            {QStringLiteral("config"),
             QStringLiteral("Konfigurationswort (Vorgabe: aus der HEX-Datei)"),
             QStringLiteral("0xNNNN")},
            {QStringLiteral("id"),
             QStringLiteral("ID-Werte 0..15 oder x (Vorgabe: aus der HEX-Datei)"),
             QStringLiteral("a,b,c,d")},
            {QStringLiteral("list"), QStringLiteral("verify: jede abweichende Adresse ausgeben")},
            {QStringLiteral("json"),
             QStringLiteral("Ergebnis als JSON-Objekt auf die Standardausgabe")},
            {QStringLiteral("quiet"),
             QStringLiteral("keine Fortschrittsanzeige, keine Meldungen auf "
                            "der Standardausgabe")},
            {QStringLiteral("yes"),
             QStringLiteral("Aufforderungen des Handschalters nicht abwarten")},
        });
        // Listed for --help only; they are taken out before parsing.
        p.addOptions({
            {QStringLiteral("simulate"),
             QStringLiteral("Simuliertes Korvel; --simulate=PIC wählt den PIC (Vorgabe 16F84A)")},
            {QStringLiteral("sim-lpt"), QStringLiteral("Port des simulierten Geräts (0, 1, 2)"),
             QStringLiteral("1|2")},
            {QStringLiteral("sim-circuit"),
             QStringLiteral("Schaltungsvariante des simulierten Geräts"),
             QStringLiteral("TREIBER,SCHALTER")},
            {QStringLiteral("sim-chip-file"),
             QStringLiteral("Speicher des simulierten PIC in dieser HEX-Datei halten"),
             QStringLiteral("DATEI")},
            {QStringLiteral("sim-fast"), QStringLiteral("Simulation ohne echte Wartezeiten")},
            {QStringLiteral("sim-fault"), QStringLiteral("Fehler einschalten (mehrfach möglich)"),
             QStringLiteral("NAME[:ARG]")},
            {QStringLiteral("trace"),
             QStringLiteral("Jeden Portzugriff als Value Change Dump in diese Datei schreiben"),
             QStringLiteral("DATEI.vcd")},
        });
        p.addPositionalArgument(QStringLiteral("befehl"), QStringLiteral("siehe oben"),
                                QStringLiteral("befehl [dateien]"));
    }

    bool intOption(const QCommandLineParser& p, const char* name, int low, int high,
                   std::optional<int>& out) {
        const QString key = QString::fromLatin1(name);
        if (!p.isSet(key)) {
            return true;
        }
        bool ok = false;
        const int v = p.value(key).toInt(&ok, 0);
        if (!ok || v < low || v > high) {
            return usage("--" + std::string(name) + ": erlaubt ist " + std::to_string(low) + ".." +
                         std::to_string(high));
        }
        out = v;
        return true;
    }

    bool readOptions(const QCommandLineParser& p) {
        json_ = p.isSet(QStringLiteral("json"));
        quiet_ = p.isSet(QStringLiteral("quiet"));
        yes_ = p.isSet(QStringLiteral("yes"));
        dialog_.setYes(yes_);
        noData_ = p.isSet(QStringLiteral("no-data"));
        list_ = p.isSet(QStringLiteral("list"));
        qad_ = p.isSet(QStringLiteral("qad"));
        port_ = p.value(QStringLiteral("port")).toStdString();
        if (port_ != "auto" && port_ != "lpt1" && port_ != "lpt2" && port_ != "ppdev" &&
            port_ != "direct") {
            return usage("--port=" + port_ + ": erlaubt sind auto, lpt1, lpt2, ppdev und direct");
        }
        if (!intOption(p, "driver", 0, 2, driver_) || !intOption(p, "switch", 0, 3, switch_) ||
            !intOption(p, "delay", 0, 1'000'000, delay_)) {
            return false;
        }
        if (p.isSet(QStringLiteral("type"))) {
            typeName_ = p.value(QStringLiteral("type")).toLower().toStdString();
            const auto match = lookupSwitch("/p" + typeName_);
            if (!match) {
                return usage("--type=" + typeName_ + ": unbekannter PIC-Typ");
            }
            type_ = *match;
        }
        if (p.isSet(QStringLiteral("config"))) {
            bool ok = false;
            const uint v = p.value(QStringLiteral("config")).toUInt(&ok, 0);
            if (!ok || v > 0x3FFF) {
                return usage("--config: ein Wort 0x0000..0x3FFF wird erwartet");
            }
            config_ = static_cast<std::uint16_t>(v);
        }
        if (p.isSet(QStringLiteral("id"))) {
            const QStringList parts = p.value(QStringLiteral("id")).split(QLatin1Char(','));
            if (parts.size() != 4) {
                return usage("--id: vier Werte a,b,c,d (0..15 oder x) werden erwartet");
            }
            std::array<std::int32_t, 4> ids{};
            for (int k = 0; k < 4; ++k) {
                const QString v = parts.at(k).trimmed();
                bool ok = false;
                const int n = v.toInt(&ok, 0);
                if (v.compare(QStringLiteral("x"), Qt::CaseInsensitive) == 0) {
                    ids[static_cast<std::size_t>(k)] = MemoryImage::IdNone;
                } else if (ok && n >= 0 && n <= 15) {
                    ids[static_cast<std::size_t>(k)] = n;
                } else {
                    return usage("--id: vier Werte a,b,c,d (0..15 oder x) werden erwartet");
                }
            }
            ids_ = ids;
        }
        return true;
    }

    int parseAndRun() {
        QStringList args = arguments_;
        if (!takeSimOptions(args)) {
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
            usage("kein Befehl angegeben (--help zeigt die Befehle)");
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
        };
        for (const Command& c : kCommands) {
            if (command_ != c.name) {
                continue;
            }
            if (files_.size() != c.files) {
                usage(command_ + ": " + std::to_string(c.files) + " Datei(en) erwartet");
                return ExitUsage;
            }
            if (!c.chip) {
                selectType(type_ ? type_->type : Dev16F876_877);
                return (this->*c.run)();
            }
            const int setup = setUpLink();
            if (setup != ExitOk) {
                return setup;
            }
            try {
                return (this->*c.run)();
            } catch (const std::exception& e) {
                message(e.what());
                return ExitNoProgrammer;
            }
        }
        usage("unbekannter Befehl " + command_ + " (--help zeigt die Befehle)");
        return ExitUsage;
    }

    // ---- Output ----

    void message(const std::string& text) { dialog_.message(text); }

    void say(const std::string& text) {
        if (!quiet_ && !json_) {
            std::printf("%s\n", text.c_str());
        }
    }

    void finish(int code) {
        if (link_) {
            try {
                link_->Anfang();
            } catch (const std::exception&) {
                // The port is going away anyway.
            }
        }
        if (sim_) {
            std::string why;
            if (!sim_->saveChipFile(&why)) {
                std::fprintf(stderr, "--sim-chip-file: %s\n", why.c_str());
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
        if (const DeviceInfo* info = deviceInfo(device_.CurrentType); info && typeKnown_) {
            o[QStringLiteral("type")] = QString::fromUtf8(
                info->listText.data(), static_cast<qsizetype>(info->listText.size()));
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
        for (const Difference& d : failed_) {
            QJsonObject f;
            f[QStringLiteral("area")] = QString::fromStdString(d.area);
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

    // ---- Setup ----

    void selectType(std::int32_t type) {
        device_.CurrentType = type;
        if (const DeviceInfo* info = deviceInfo(type)) {
            device_.ProgLastAddr = info->progLastAddr;
            device_.DataLastAddr = info->dataLastAddr;
        }
        typeKnown_ = true;
    }

    int setUpLink() {
        SettingsRecord record;
        LoadSettingsFile(SettingsFilePath(), record, settings_);
        if (driver_) {
            settings_.DriverIndex = *driver_;
        }
        if (switch_) {
            settings_.SwitchIndex = *switch_;
        }
        if (qad_) {
            settings_.QuickAndDirty = true;
        }
        if (delay_) {
            settings_.DelayCount = *delay_;
            settings_.AutoSpeed = false;
        }
        UserDialog* dialog = &dialog_;
        if (simOptions_.simulate) {
            std::string why;
            sim_ = sim::SimBackend::create(simOptions_, settings_, &why);
            if (!sim_) {
                usage("--simulate: " + why);
                return ExitUsage;
            }
            // Protocol violations of the simulated chip go to the terminal, as in the program.
            sim_->circuit().log().setEcho(!quiet_);
            sim_->circuit().log().setMaxCommands(100'000);
            sim_->dialog().setInner(&dialog_);
            port_io_ = &sim_->port();
            clock_ = &sim_->clock();
            dialog = &sim_->dialog();
        } else {
            ownClock_ = std::make_unique<RealClock>();
            clock_ = ownClock_.get();
            if (port_ == "direct") {
                ownPort_ = std::make_unique<DirectPort>();
            } else {
                ownPort_ = std::make_unique<PpdevPort>();
            }
            port_io_ = ownPort_.get();
        }
        if (!tracePath_.empty()) {
            trace_ = std::make_unique<TracePort>(*port_io_, *clock_, settings_, tracePath_);
            if (!trace_->ok()) {
                usage("--trace: " + tracePath_ + " kann nicht angelegt werden");
                return ExitOutput;
            }
            port_io_ = trace_.get();
        }
        link_ = std::make_unique<ProgrammerLink>(*port_io_, *clock_, *dialog, settings_, portBase_);
        reporter_ =
            std::make_unique<TerminalReporter>(dialog_, !quiet_ && ::isatty(STDERR_FILENO) != 0);
        ops_ = std::make_unique<ChipOps>(*link_, *clock_, image_, device_, settings_, errors_,
                                         *reporter_);
        if (!link_->PortOpen()) {
            message(kNoDriverMessage);
            std::fprintf(stderr, "%s\n", link_->portUnavailableReason().c_str());
            return ExitNoProgrammer;
        }
        if (settings_.AutoSpeed) {
            link_->Bremse();
        }
        if (command_ == "doctor") {
            return ExitOk;  // it explains a failing search itself
        }
        bool found = false;
        if (port_ == "lpt1" || port_ == "lpt2") {
            portBase_ = port_ == "lpt1" ? kLpt1 : kLpt2;
            found = settings_.QuickAndDirty || link_->loopBackTest();
        } else {
            found = link_->findProgrammer();
        }
        if (!found) {
            message(kNotFoundMessage);
            return ExitNoProgrammer;
        }
        link_->Anfang();
        return ExitOk;
    }

    // The type for a chip command: --type checked against the chip (Autodetect3),
    // or the detected chip.
    int chooseType() {
        if (type_) {
            selectType(type_->type);
            device_.Is84A = type_->is84A;
            if (!ops_->Autodetect3()) {
                return ExitChip;
            }
            return ExitOk;
        }
        if (settings_.QuickAndDirty) {
            // That circuit cannot read the chip.
            usage("mit dem Quick-and-Dirty-Korvel muss --type angegeben werden");
            return ExitUsage;
        }
        ops_->Autodetect();
        const IdLookup found = lookupDeviceId(ops_->DetectedIdWord);
        if (found.noChip) {
            message(kNoChipText);
            return ExitChip;
        }
        if (found.unknown) {
            message("unbekannter PIC, Device-ID " + hex4(ops_->DetectedIdWord));
            return ExitChip;
        }
        selectType(ops_->DetectedType);
        return ExitOk;
    }

    // StartProgmode, the routine, EndProgmode.
    void bracket(const std::function<void()>& routine) {
        link_->StartProgmode();
        routine();
        link_->EndProgmode();
    }

    // Loads the HEX file and takes its ID values and configuration word.
    int loadFile(const std::string& path) {
        const HexLoadResult r = LoadHexFile(path, image_);
        image_.HexFileName = path;
        if (!r.opened) {
            message("HEX-File " + path + " nicht gefunden");
            return ExitHexFile;
        }
        if (!r.parse.ok()) {
            message(HexReadMessage(path, r.parse));
            return ExitHexFile;
        }
        return ExitOk;
    }

    void takeIdAndConfig() {
        image_.IdWords = ids_ ? *ids_ : idWordsFromFile(image_);
        image_.IdEdited = image_.IdWords;
        if (config_) {
            image_.ConfigWord = *config_;
        } else if (image_.present(MemoryImage::ConfigAddr)) {
            image_.ConfigWord = image_.HexWords[MemoryImage::ConfigAddr];
        } else {
            // The controls as the window starts with them.
            image_.ConfigWord = buildConfigWord(device_.CurrentType, ConfigControls{});
        }
    }

    bool withData() const { return !noData_ && hasEepromData(image_, device_.DataLastAddr); }

    void sayCounters() {
        const bool qd = settings_.QuickAndDirty;
        auto n = [qd](std::int32_t v) { return qd ? std::string("?") : std::to_string(v); };
        say("Fehler: Programm " + n(errors_.ProgramErrorCount) + ", Daten " +
            (withData() ? n(errors_.DataErrorCount) : std::string("?")) + ", ID/Config " +
            n(errors_.ConfigIdErrorCount));
    }

    // ---- Commands ----

    int cmdDoctor() { return runDoctor(*link_, *clock_, settings_, portBase_, quiet_ || json_); }

    int cmdSearch() {
        const std::string where = portBase_ == kLpt1 ? "LPT 1" : "LPT 2";
        say("Korvel gefunden an " + where);
        extra_[QStringLiteral("port")] = QString::fromStdString(where);
        return ExitOk;
    }

    int cmdDetect() {
        ops_->Autodetect();
        const IdLookup found = lookupDeviceId(ops_->DetectedIdWord);
        extra_[QStringLiteral("deviceId")] = ops_->DetectedIdWord;
        extra_[QStringLiteral("revision")] = QString::fromStdString(ops_->RevisionText);
        if (found.noChip) {
            message(kNoChipText);
            return ExitChip;
        }
        selectType(ops_->DetectedType);
        const DeviceInfo* info = deviceInfo(ops_->DetectedType);
        extra_[QStringLiteral("flashProtected")] = ops_->FlashProtected;
        extra_[QStringLiteral("eepromProtected")] = ops_->EepromProtected;
        say("Typ: " + std::string(info->listText) +
            (found.unknown ? " (unbekannte Device-ID)" : ""));
        say("Device-ID: " + hex4(ops_->DetectedIdWord));
        say(kRevisionPrefix + ops_->RevisionText);
        say("Konfiguration: " + hex4(ops_->DetectedConfig));
        say(std::string("Flash: ") + (ops_->FlashProtected ? kCodeProtectedText : "-"));
        say(std::string("EEPROM: ") + (ops_->EepromProtected ? kCodeProtectedText : "-"));
        if (found.unknown) {
            return ExitChip;
        }
        if (type_ && type_->type != ops_->DetectedType) {
            message(kWrongTypeText);
            return ExitChip;
        }
        return ExitOk;
    }

    int cmdBurn() {
        if (int rc = chooseType(); rc != ExitOk) {
            return rc;
        }
        if (int rc = loadFile(files_[0]); rc != ExitOk) {
            return rc;
        }
        takeIdAndConfig();
        errors_ = {};
        countersValid_ = true;
        if (deviceInfo(device_.CurrentType)->writeScheme == WriteScheme::PairsAfterBulkErase) {
            bracket([this] { ops_->WriteProgram7x(); });
        } else {
            bracket([this] { ops_->WriteProgram(); });
        }
        if (withData()) {
            bracket([this] { ops_->WriteData(); });
        }
        bracket([this] { ops_->WriteConfiguration(); });
        failed_ = failuresFromMessages(dialog_.messages());
        sayCounters();
        return errors_.sum() == 0 ? ExitOk : ExitDifferences;
    }

    int cmdVerify() {
        if (settings_.QuickAndDirty) {
            usage("mit dem Quick-and-Dirty-Korvel kann nicht gelesen werden");
            return ExitUsage;
        }
        if (int rc = chooseType(); rc != ExitOk) {
            return rc;
        }
        if (int rc = loadFile(files_[0]); rc != ExitOk) {
            return rc;
        }
        takeIdAndConfig();
        const bool data = withData();
        bracket([this] { ops_->ReadProgram(false); });
        if (data) {
            bracket([this] { ops_->ReadData(); });
        }
        bracket([this] { ops_->ReadConfiguration(); });
        errors_ = CompareImage(image_, device_, data);
        countersValid_ = true;
        failed_ = differences(image_, device_, data);
        if (list_ && !json_) {
            for (const Difference& d : failed_) {
                std::printf("%s %s: %s -> %s\n", d.area.c_str(),
                            hex4(static_cast<unsigned>(d.address)).c_str(), hex4(d.wanted).c_str(),
                            hex4(d.read).c_str());
            }
        }
        sayCounters();
        return errors_.sum() == 0 ? ExitOk : ExitDifferences;
    }

    int cmdRead() {
        if (settings_.QuickAndDirty) {
            usage("mit dem Quick-and-Dirty-Korvel kann nicht gelesen werden");
            return ExitUsage;
        }
        if (int rc = chooseType(); rc != ExitOk) {
            return rc;
        }
        errors_ = {};
        bracket([this] { ops_->ReadProgram(true); });
        bracket([this] { ops_->ReadData(); });
        bracket([this] { ops_->ReadConfiguration(); });
        const std::string text = BuildHexFile(image_.ReadBack, device_.ProgLastAddr);
        const SaveResult saved = WriteFileAtomically(files_[0], text);
        if (!saved.ok()) {
            message("Datei " + files_[0] + " kann nicht geschrieben werden: " + saved.reason);
            return ExitOutput;
        }
        say("gelesen nach " + files_[0]);
        return ExitOk;
    }

    void erase(bool includeData) {
        link_->StartProgmode();
        ops_->UpdateRunGauge(19, 20);
        ops_->ErasePIC(includeData);
        link_->EndProgmode();
        ops_->UpdateRunGauge(20, 20);
    }

    int cmdErase() {
        if (int rc = chooseType(); rc != ExitOk) {
            return rc;
        }
        erase(!noData_);
        say("gelöscht");
        return ExitOk;
    }

    int cmdUnprotect() {
        if (int rc = chooseType(); rc != ExitOk) {
            return rc;
        }
        if (is16F7x(device_.CurrentType)) {
            // These chips lose their protection only with a bulk erase.
            erase(true);
        } else {
            ops_->RemoveCodeProtection();
        }
        say("Codeschutz entfernt");
        return ExitOk;
    }

    int cmdListing() {
        if (int rc = loadFile(files_[0]); rc != ExitOk) {
            return rc;
        }
        const std::string text = reassemble(image_, device_.ProgLastAddr);
        if (!json_) {
            std::fwrite(text.data(), 1, text.size(), stdout);
        } else {
            extra_[QStringLiteral("listing")] = QString::fromStdString(text);
        }
        return ExitOk;
    }

    int cmdMap() {
        if (int rc = loadFile(files_[0]); rc != ExitOk) {
            return rc;
        }
        const RgbPicture sheet = memoryMapSheet(computeMemoryMap(image_, device_));
        QImage picture(sheet.width, sheet.height, QImage::Format_RGB888);
        for (int y = 0; y < sheet.height; ++y) {
            std::memcpy(picture.scanLine(y),
                        sheet.pixels.data() + static_cast<std::size_t>(y) * sheet.width * 3,
                        static_cast<std::size_t>(sheet.width) * 3);
        }
        if (!picture.save(QString::fromStdString(files_[1]), "PNG")) {
            message("Datei " + files_[1] + " kann nicht geschrieben werden");
            return ExitOutput;
        }
        say("Speicherbelegung nach " + files_[1]);
        return ExitOk;
    }

    int cmdCheck() {
        std::ifstream in(files_[0], std::ios::binary);
        if (!in) {
            message("HEX-File " + files_[0] + " nicht gefunden");
            return ExitHexFile;
        }
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        if (in.bad()) {
            message("HEX-File " + files_[0] + " kann nicht gelesen werden");
            return ExitHexFile;
        }
        const HexCheckResult r = checkHexText(text, device_);
        QJsonArray findings;
        for (const HexFinding& f : r.findings) {
            const std::string where =
                f.line > 0 ? files_[0] + ":" + std::to_string(f.line) : files_[0];
            say(where + ": " + (f.fault ? "Fehler: " : "Hinweis: ") + f.text);
            QJsonObject o;
            o[QStringLiteral("line")] = f.line;
            o[QStringLiteral("fault")] = f.fault;
            o[QStringLiteral("text")] = QString::fromStdString(f.text);
            findings.append(o);
        }
        extra_[QStringLiteral("findings")] = findings;
        if (r.clean()) {
            say(files_[0] + ": wird genau so geladen, wie es in der Datei steht");
            return ExitOk;
        }
        return ExitDifferences;
    }

    QStringList arguments_;
    // Options
    sim::SimOptions simOptions_;
    std::string tracePath_;
    bool usageError_ = false;
    bool json_ = false;
    bool quiet_ = false;
    bool yes_ = false;
    bool noData_ = false;
    bool list_ = false;
    bool qad_ = false;
    std::string port_ = "auto";
    std::optional<int> driver_;
    std::optional<int> switch_;
    std::optional<int> delay_;
    std::string typeName_;
    std::optional<SwitchMatch> type_;
    std::optional<std::uint16_t> config_;
    std::optional<std::array<std::int32_t, 4>> ids_;
    std::string command_;
    std::vector<std::string> files_;
    // State
    ProgrammerSettings settings_;
    MemoryImage image_;
    DeviceState device_;
    ErrorCounters errors_;
    bool countersValid_ = false;
    bool typeKnown_ = false;
    std::vector<Difference> failed_;
    QJsonObject extra_;
    std::int32_t portBase_ = kLpt1;
    TerminalDialog dialog_{false};
    std::unique_ptr<sim::SimBackend> sim_;
    std::unique_ptr<RealClock> ownClock_;
    std::unique_ptr<PortIo> ownPort_;
    std::unique_ptr<TracePort> trace_;
    PortIo* port_io_ = nullptr;
    Clock* clock_ = nullptr;
    std::unique_ptr<ProgrammerLink> link_;
    std::unique_ptr<TerminalReporter> reporter_;
    std::unique_ptr<ChipOps> ops_;
};

}  // namespace

int run(const QStringList& arguments) {
    Run r(arguments);
    return r.exec();
}

}  // namespace pk::cli

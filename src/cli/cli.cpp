#include "cli.h"

#include <signal.h>
#include <unistd.h>

#include <QBuffer>
#include <QCommandLineParser>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "backend/backend.h"
#include "device/catalogue.h"
#include "device/commands.h"
#include "device/commands_p18.h"
#include "device/hex_check.h"
#include "device/p18_catalogue.h"
#include "device/p18_config_fields.h"
#include "device/type_names.h"
#include "doctor_cmd.h"
#include "editors/config_word.h"
#include "editors/id_words.h"
#include "image/atomic_file.h"
#include "image/byte_hex_file.h"
#include "image/byte_regions.h"
#include "image/hex_file.h"
#include "image/hex_text.h"
#include "image/standard_streams.h"
#include "link/circuit.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "link/search_texts.h"
#include "terminal.h"
#include "types_cmd.h"
#include "viewers/memory_map.h"
#include "viewers/p18_listing.h"
#include "viewers/p18_memory_map.h"
#include "viewers/reassembler.h"

namespace pk::cli {

namespace {

const char* const kDescription =
    "PKorvel ohne Fenster: programmiert PIC12-, PIC16- und PIC18F-Flash-Controller über das "
    "Korvel am Druckerport.\n"
    "\n"
    "Befehle:\n"
    "  search                 Korvel suchen; zeigt, an welchem Port es hängt\n"
    "  detect                 Autodetect: Typ, Device-ID, Revision, Codeschutz;\n"
    "                         beim PIC18F die Konfiguration Feld für Feld\n"
    "  burn DATEI.hex         wie \"Brennen\": Programm, Daten, ID und Configuration\n"
    "  verify DATEI.hex       wie \"Vergleichen\"; mit --list jede abweichende Adresse\n"
    "  read AUS.hex           wie \"Lesen\", dann in eine HEX-Datei schreiben\n"
    "                         (eine benannte Pipe oder ein Gerät wird direkt beschrieben)\n"
    "  erase                  wie \"Löschen\"\n"
    "  unprotect              wie \"CP entfernen\"\n"
    "  listing DATEI.hex      das Assembler-Listing auf die Standardausgabe\n"
    "  map DATEI.hex AUS.png  die Speicherbelegung als PNG-Bild\n"
    "  check DATEI.hex        HEX-Datei prüfen, so wie das Programm sie liest\n"
    "  doctor                 Verbindung prüfen: erklärt, warum Korvel oder PIC nicht antworten\n"
    "  types                  die PIC-Typen: Namen für --type, Device-ID, Speicher, VPP\n"
    "\n"
    "Dateinamen: - als DATEI.hex liest die Standardeingabe, - als AUS.hex oder AUS.png\n"
    "schreibt auf die Standardausgabe (dann ohne --json; die übrigen Zeilen gehen auf\n"
    "die Standardfehlerausgabe).\n"
    "\n"
    "Exit-Codes:\n"
    "  0  Erfolg\n"
    "  1  Vergleich oder Prüfung fand Unterschiede (bzw. Fehler beim Brennen)\n"
    "  2  falsche Bedienung (Befehl, Option), oder die VPP des Korvels passt nicht zum PIC\n"
    "     (ohne --type: nicht zu jedem, den die Erkennung finden kann)\n"
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

class Run {
  public:
    explicit Run(const QStringList& arguments) : arguments_(arguments) {}

    int exec() {
        int code = parseAndRun();
        if (gStopSignal != 0) {
            code = 128 + static_cast<int>(gStopSignal);
        }
        finish(code);
        return code;
    }

  private:
    // ---- Arguments ----

    // The simulator's options and --trace, as the program takes them; the rest
    // goes to the parser.
    bool takeBackendArguments(QStringList& args) {
        std::vector<std::string> plain;
        for (const QString& a : args) {
            plain.push_back(a.toStdString());
        }
        std::string why;
        if (!takeBackendOptions(plain, backendOptions_, &why)) {
            return usage(why);
        }
        args.clear();
        for (const std::string& a : plain) {
            args << QString::fromStdString(a);
        }
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
            {QStringLiteral("timing"),
             QStringLiteral("classic (großzügig) oder datasheet (nur was die Datenblätter "
                            "verlangen); Vorgabe: die Einstellung"),
             QStringLiteral("classic|datasheet")},
            {QStringLiteral("no-data"), QStringLiteral("Data-EEPROM auslassen")},
            {QStringLiteral("config"),
             QStringLiteral("Konfigurationswort, beim PIC18F Konfigurationsbytes "
                            "ADRESSE:WERT,… (Vorgabe: aus der HEX-Datei)"),
             QStringLiteral("0xNNNN|ADR:WERT,…")},
            {QStringLiteral("config2"),
             QStringLiteral("zweites Konfigurationswort des 16F87/88 (Vorgabe: aus der HEX-Datei)"),
             QStringLiteral("0xNNNN")},
            {QStringLiteral("id"),
             QStringLiteral("ID-Werte 0..15 oder x (Vorgabe: aus der HEX-Datei)"),
             QStringLiteral("a,b,c,d")},
            {QStringLiteral("list"), QStringLiteral("verify: jede abweichende Adresse ausgeben")},
            {QStringLiteral("force"),
             QStringLiteral("read: die Datei auch schreiben, wenn zwei Lesedurchgänge "
                            "verschieden waren (Exit-Code bleibt 1); burn, verify: auch eine "
                            "HEX-Datei mit Prüfsummenfehlern verwenden")},
            {QStringLiteral("json"),
             QStringLiteral("Ergebnis als JSON-Objekt auf die Standardausgabe")},
            {QStringLiteral("quiet"),
             QStringLiteral("keine Fortschrittsanzeige, keine Meldungen auf "
                            "der Standardausgabe")},
            {QStringLiteral("yes"),
             QStringLiteral("Aufforderungen des Handschalters nicht abwarten")},
            {QStringLiteral("vpp"),
             QStringLiteral("VPP des Korvels an MCLR in Volt, z. B. 12,5 (statt der Einstellung)"),
             QStringLiteral("VOLT")},
            {QStringLiteral("vpp-ok"),
             QStringLiteral("auch einen PIC brennen, dessen erlaubte VPP die des Korvels "
                            "nicht einschließt, und ohne --type erkennen, obwohl nicht jeder "
                            "PIC sie verträgt")},
        });
        // Listed for --help only; they are taken out before parsing.
        for (const BackendOptionText& o : backendOptionTexts()) {
            p.addOption({QString::fromUtf8(o.name), QString::fromUtf8(o.description),
                         QString::fromUtf8(o.valueName)});
        }
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
        force_ = p.isSet(QStringLiteral("force"));
        overrides_.quickAndDirty = p.isSet(QStringLiteral("qad"));
        port_ = p.value(QStringLiteral("port")).toStdString();
        if (port_ != "auto" && port_ != "lpt1" && port_ != "lpt2" && port_ != "ppdev" &&
            port_ != "direct") {
            return usage("--port=" + port_ + ": erlaubt sind auto, lpt1, lpt2, ppdev und direct");
        }
        if (!intOption(p, "driver", 0, 2, overrides_.driver) ||
            !intOption(p, "switch", 0, 3, overrides_.switchIndex) ||
            !intOption(p, "delay", 0, 1'000'000, overrides_.delay)) {
            return false;
        }
        reporter_.setVppOk(p.isSet(QStringLiteral("vpp-ok")));
        if (p.isSet(QStringLiteral("vpp"))) {
            // A German decimal comma is taken as well as a point.
            QString text = p.value(QStringLiteral("vpp"));
            text.replace(QLatin1Char(','), QLatin1Char('.'));
            bool ok = false;
            const double v = text.toDouble(&ok);
            const int tenths = ok ? static_cast<int>(std::lround(v * 10)) : 0;
            if (tenths < ProgrammerSettings::kMinVppTenths ||
                tenths > ProgrammerSettings::kMaxVppTenths) {
                return usage("--vpp: eine Spannung von 8,0 bis 15,0 Volt wird erwartet");
            }
            vppTenths_ = tenths;
        }
        if (p.isSet(QStringLiteral("timing"))) {
            const std::string t = p.value(QStringLiteral("timing")).toStdString();
            if (t != "classic" && t != "datasheet") {
                return usage("--timing=" + t + ": erlaubt sind classic und datasheet");
            }
            timing_ = t == "datasheet" ? TimingMode::DataSheet : TimingMode::Classic;
        }
        if (p.isSet(QStringLiteral("type"))) {
            typeName_ = p.value(QStringLiteral("type")).toLower().toStdString();
            if (const auto match = lookupSwitch("/p" + typeName_)) {
                type_ = *match;
            } else if (const P18Device* part = p18ByName(typeName_)) {
                p18Type_ = part;
            } else {
                return usage("--type=" + typeName_ + ": unbekannter PIC-Typ; bekannt sind " +
                             allTypeNames());
            }
        }
        // A configuration word: 14 bits, in any base toUInt knows (0x.. for hex).
        for (auto [name, word] : {std::pair{"config", &config_}, std::pair{"config2", &config2_}}) {
            const QString option = QString::fromLatin1(name);
            if (p.isSet(option) && p.value(option).contains(QLatin1Char(':'))) {
                if (!readP18Config(p.value(option), name)) {
                    return false;
                }
            } else if (p.isSet(option)) {
                bool ok = false;
                const uint v = p.value(option).toUInt(&ok, 0);
                if (!ok || v > 0x3FFF) {
                    return usage("--" + std::string(name) +
                                 ": ein Wort 0x0000..0x3FFF wird erwartet");
                }
                *word = static_cast<std::uint16_t>(v);
            }
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
        return checkP18Options();
    }

    // PIC18F configuration bytes: ADDRESS:VALUE pairs, comma separated.
    bool readP18Config(const QString& text, const char* name) {
        const std::string wanted =
            "--" + std::string(name) + ": ADRESSE:WERT,… (z. B. 0x300001:0x0E) wird erwartet";
        if (std::string(name) != "config") {
            return usage(wanted);
        }
        for (const QString& item : text.split(QLatin1Char(','))) {
            const QStringList pair = item.trimmed().split(QLatin1Char(':'));
            bool addressOk = false;
            bool valueOk = false;
            const uint address = pair.size() == 2 ? pair[0].toUInt(&addressOk, 0) : 0;
            const uint value = pair.size() == 2 ? pair[1].toUInt(&valueOk, 0) : 0;
            if (!addressOk || !valueOk || value > 0xFF) {
                return usage(wanted);
            }
            p18Config_.push_back({address, static_cast<std::uint8_t>(value)});
        }
        return true;
    }

    // What the options say must fit the chip family: PIC18F configuration bytes
    // need their part (a 14-bit chip would burn the file's word instead), and the
    // 14-bit word, second word and ID nibbles mean nothing to a PIC18F.
    bool checkP18Options() {
        if (!p18Config_.empty() && !p18Type_) {
            return usage(
                "--config=ADRESSE:WERT gilt für PIC18F: dazu --type angeben, z. B. "
                "--type=18f4550");
        }
        if (p18Type_) {
            if (!p18Refusal().empty()) {
                return usage(p18Refusal());
            }
            for (const P18ConfigSetting& c : p18Config_) {
                if (const auto why = p18ConfigRefusal(*p18Type_, c)) {
                    return usage("--config: " + *why);
                }
            }
        }
        return true;
    }

    std::string p18Refusal() const {
        if (config_ || config2_) {
            return "--config=0xNNNN und --config2 gelten für 14-Bit-PICs; beim PIC18F "
                   "--config=ADRESSE:WERT,… angeben";
        }
        if (ids_) {
            return "--id gilt für 14-Bit-PICs; beim PIC18F kommen die ID-Bytes aus der HEX-Datei";
        }
        return {};
    }

    int parseAndRun() {
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
                selectType(type_ ? type_->type : Dev16F876_877);
                return (this->*c.run)();
            }
            const int setup = setUpLink();
            if (setup != ExitOk) {
                return setup;
            }
            if (type_) {
                selectType(type_->type);
                device_.Is84A = type_->is84A;
            }
            p18Part_ = p18Type_;
            try {
                const int rc = (this->*c.run)();
                // The type is the chip's once a type check has passed.
                typeKnown_ = typeKnown_ || (rc != ExitChip && rc != ExitUsage);
                return rc;
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

    // ---- Output ----

    // The file the command writes; "-" takes standard output for it alone.
    bool takeOutputFile() {
        const std::size_t index = command_ == "read" ? 0 : command_ == "map" ? 1 : files_.size();
        outputToStdout_ = index < files_.size() && IsStandardStream(files_[index]);
        if (outputToStdout_ && json_) {
            return usage(
                "--json und - als Ausgabedatei schließen sich aus: beide schreiben auf "
                "die Standardausgabe");
        }
        return true;
    }

    void message(const std::string& text) { dialog_.message(text); }

    void say(const std::string& text) {
        if (!quiet_ && !json_) {
            std::fprintf(outputToStdout_ ? stderr : stdout, "%s\n", text.c_str());
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
        if (p18Part_ != nullptr) {
            o[QStringLiteral("type")] = QString::fromUtf8(
                p18Part_->name.data(), static_cast<qsizetype>(p18Part_->name.size()));
        } else if (const DeviceInfo* info = deviceInfo(device_.CurrentType); info && typeKnown_) {
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
        settings_ = loadSettings(overrides_);
        if (timing_) {
            settings_.Timing = *timing_;
        }
        if (vppTenths_) {
            settings_.VppTenths = *vppTenths_;
        }
        if (const auto why = circuitRefusal(settings_.DriverIndex, settings_.SwitchIndex)) {
            usage(*why);
            return ExitUsage;
        }
        backendOptions_.port = port_ == "direct" ? PortKind::Direct : PortKind::Ppdev;
        // Protocol violations of the simulated chip go to the terminal, as in the program.
        backendOptions_.echoViolations = !quiet_;
        BackendError failure;
        backend_ = Backend::build(backendOptions_, settings_, &dialog_, &failure);
        if (!backend_) {
            usage(failure.text);
            return failure.kind == BackendError::Kind::Output ? ExitOutput : ExitUsage;
        }
        clock_ = &backend_->clock();
        link_ = std::make_unique<ProgrammerLink>(backend_->port(), *clock_, *backend_->dialog(),
                                                 settings_, portBase_);
        reporter_.setProgress(!quiet_ && ::isatty(STDERR_FILENO) != 0);
        session_ = std::make_unique<ChipSession>(*link_, *clock_, image_, device_, settings_,
                                                 errors_, reporter_);
        p18_ = std::make_unique<P18Session>(*session_);
        if (!link_->PortOpen()) {
            message(kNoDriverMessage);
            std::fprintf(stderr, "%s\n", link_->portUnavailableReason().c_str());
            return ExitNoProgrammer;
        }
        // The data-sheet timing measures its line waits on the clock: nothing to calibrate.
        if (settings_.AutoSpeed && settings_.Timing == TimingMode::Classic) {
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

    // Which chip a command is for: --type (checked against the chip), or the
    // chip that is detected.
    ChipChoice choice() const {
        ChipChoice c;
        c.fromChip = !type_.has_value();
        c.expectDeviceId = type_ && type_->is84A;
        return c;
    }

    // The Quick-and-Dirty circuit cannot read: no detection, no type without --type.
    int needReadableOrType(bool reads) {
        if (!settings_.QuickAndDirty) {
            return ExitOk;
        }
        if (reads) {
            usage("mit dem Quick-and-Dirty-Korvel kann nicht gelesen werden");
            return ExitUsage;
        }
        if (!type_) {
            usage("mit dem Quick-and-Dirty-Korvel muss --type angegeben werden");
            return ExitUsage;
        }
        return ExitOk;
    }

    static int exitFor(Outcome o) {
        switch (o) {
            case Outcome::Ok:
                return ExitOk;
            case Outcome::Failed:
                return ExitDifferences;
            case Outcome::NoChip:
            case Outcome::WrongType:
                return ExitChip;
            case Outcome::FileUnusable:
                return ExitHexFile;
            case Outcome::Cancelled:
                break;
        }
        return ExitUsage;
    }

    // Loads the HEX file (listing and map, which need no chip).
    int loadFile(const std::string& path) {
        image_.HexFileName = path;
        BurnOptions unused;
        return reporter_.reloadHexFile(image_, unused) ? ExitOk : ExitHexFile;
    }

    BurnOptions burnOptions() const {
        BurnOptions o;
        o.chip = choice();
        o.includeData = !noData_;
        o.configWord = config_;
        o.configWord2 = config2_;
        o.configFromFile = true;
        o.ids = ids_;
        o.acceptDoubtfulFile = force_;
        return o;
    }

    void takeResult(const CommandResult& r) {
        countersValid_ = r.countersValid;
        failed_ = r.failures;
        dataShown_ = r.dataIncluded;
    }

    void sayCounters() {
        if (!countersValid_) {
            return;
        }
        const bool qd = settings_.QuickAndDirty;
        auto n = [qd](std::int32_t v) { return qd ? std::string("?") : std::to_string(v); };
        say("Fehler: Programm " + n(errors_.ProgramErrorCount) + ", Daten " +
            (dataShown_ ? n(errors_.DataErrorCount) : std::string("?")) + ", ID/Config " +
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
        if (p18Type_) {
            if (!p18_->ops.vppAllowed(*p18Type_)) {
                return ExitUsage;
            }
            return sayP18Detection(p18_->ops.detect());
        }
        DetectResult d;
        if (type_) {
            d = detect(*session_, true);
        } else {
            const AnyDetection a = autodetect(*p18_);
            if (a.cancelled()) {
                return ExitUsage;
            }
            if (a.pic18()) {
                return sayP18Detection(a.p18);
            }
            d = a.chip;
        }
        typeKnown_ = true;
        extra_[QStringLiteral("deviceId")] = d.idWord;
        extra_[QStringLiteral("revision")] = QString::fromStdString(d.found.revisionText());
        if (d.outcome == Outcome::NoChip) {
            message(noChipMessage(d.idWord));
            return ExitChip;
        }
        const DeviceInfo* info = deviceInfo(device_.CurrentType);
        extra_[QStringLiteral("flashProtected")] = d.flashProtected;
        extra_[QStringLiteral("eepromProtected")] = d.eepromProtected;
        say("Typ: " + std::string(info->listText) +
            (d.found.unknown ? " (unbekannte Device-ID)" : ""));
        say("Device-ID: " + hexWord(d.idWord));
        say(kRevisionPrefix + d.found.revisionText());
        say("Konfiguration: " + hexWord(d.config));
        if ((d.config2 & 0x8000) == 0) {
            say("Konfiguration 2: " + hexWord(d.config2));
        }
        if (const std::string f = factoryWordsText(*info, d.factory);
            !f.empty() && !d.found.unknown) {
            say(f);
            QJsonObject words;
            for (std::size_t k = 0; k < info->factoryWords.size(); ++k) {
                if (info->factoryWords[k] != 0) {
                    words[QString::fromStdString(hexWord(info->factoryWords[k]))] = d.factory[k];
                }
            }
            extra_[QStringLiteral("factoryWords")] = words;
        }
        say(std::string("Flash: ") + (d.flashProtected ? kCodeProtectedText : "-"));
        say(std::string("EEPROM: ") + (d.eepromProtected ? kCodeProtectedText : "-"));
        if (d.outcome != Outcome::Ok) {
            return ExitChip;
        }
        if (type_ && type_->type != device_.CurrentType) {
            message(wrongTypeMessage(d.idWord, type_->type));
            return ExitChip;
        }
        return ExitOk;
    }

    // ---- PIC18F ----

    int sayP18Detection(const P18Detection& d) {
        extra_[QStringLiteral("deviceId")] = d.idWord;
        if (d.outcome == Outcome::NoChip) {
            message(p18NoChipMessage(d.idWord));
            return ExitChip;
        }
        if (d.device == nullptr) {
            say("Typ: unbekannter PIC18F (Device-ID " + hexWord(d.idWord) + ")");
            return ExitChip;
        }
        p18Part_ = d.device;
        extra_[QStringLiteral("revision")] = QString::number(d.revision);
        extra_[QStringLiteral("flashProtected")] = d.protection.code;
        extra_[QStringLiteral("eepromProtected")] = d.protection.data;
        say("Typ: " + std::string(d.device->name));
        say("Device-ID: " + hexWord(d.idWord));
        say(kRevisionPrefix + std::to_string(d.revision));
        // Every byte from 0x300000 in order; "--" where the part has none.
        std::string bytes;
        QJsonObject config;
        for (std::size_t n = 0; n < d.config.size(); ++n) {
            const bool exists = d.device->configMask[n] != 0;
            bytes.append(n == 0 ? "" : " ").append(exists ? hexByte(d.config[n]).substr(2) : "--");
            if (exists) {
                const unsigned address = p18addr::kConfig + static_cast<unsigned>(n);
                config[QString::fromStdString(HexByteAddress(address))] = d.config[n];
            }
        }
        extra_[QStringLiteral("configBytes")] = config;
        say("Konfiguration 0x300000..0x30000D: " + bytes);
        // The same bytes field by field, as the data sheet names them.
        QJsonObject fields;
        for (const P18ConfigField& f : p18ConfigFields(*d.device)) {
            const std::string value = p18ValueName(f, d.config);
            say("  " + std::string(f.name) + " (" + std::string(f.description) + "): " + value);
            fields[QString::fromUtf8(f.name.data(), static_cast<qsizetype>(f.name.size()))] =
                QString::fromStdString(value);
        }
        extra_[QStringLiteral("configFields")] = fields;
        say(std::string("Flash: ") + (d.protection.code ? kCodeProtectedText : "-"));
        say(std::string("EEPROM: ") + (d.protection.data ? kCodeProtectedText : "-"));
        if (p18Type_ && p18Type_ != d.device) {
            message(p18WrongTypeMessage(d, *p18Type_));
            return ExitChip;
        }
        if (!p18Type_) {
            say("Hinweis: mit --type=" + typeName(*d.device) +
                " wird der PIC18F gleich angesprochen, und nur seine VPP-Grenze gilt.");
        }
        return ExitOk;
    }

    // Without --type the PIC18F is asked first (after the detection's VPP
    // question); the 14-bit command follows only when none answered. `part`:
    // the PIC18F that answered, or the one --type names. An exit code when the
    // command ends here.
    std::optional<int> pic18First(const P18Device*& part) {
        part = p18Type_;
        if (type_ || p18Type_) {
            return std::nullopt;
        }
        const P18Detection found = detectPic18First(*p18_);
        if (found.outcome == Outcome::Cancelled) {
            return ExitUsage;
        }
        if (found.outcome == Outcome::WrongType) {
            message("unbekannter PIC18F, Device-ID " + hexWord(found.idWord));
            return ExitChip;
        }
        part = found.device;
        return std::nullopt;
    }

    P18CommandOptions p18Options() const {
        P18CommandOptions o;
        o.includeData = !noData_;
        o.acceptDoubtfulFile = force_;
        o.config = p18Config_;
        return o;
    }

    // Runs a PIC18F command; a refused option ends it before the chip gets power.
    int p18Command(const P18Device& d, const std::function<CommandResult()>& command) {
        p18Part_ = &d;
        if (const std::string why = p18Refusal(); !why.empty()) {
            usage(why);
            return ExitUsage;
        }
        const CommandResult r = command();
        takeResult(r);
        sayCounters();
        return exitFor(r.outcome);
    }

    int p18Burn(const P18Device& d) {
        return p18Command(d, [&] { return burn(*p18_, d, files_[0], p18Options()); });
    }

    int p18Verify(const P18Device& d) {
        const int rc = p18Command(d, [&] { return verify(*p18_, d, files_[0], p18Options()); });
        if (list_ && !json_) {
            for (const WordFailure& f : failed_) {
                std::printf("%s %s: %s -> %s\n", areaName(f.area),
                            HexByteAddress(static_cast<unsigned>(f.address)).c_str(),
                            hexByte(f.wanted).c_str(), hexByte(f.read).c_str());
            }
        }
        return rc;
    }

    int p18Read(const P18Device& d) {
        const int rc = p18Command(d, [&] { return read(*p18_, d); });
        if (rc != ExitOk && !(rc == ExitDifferences && force_)) {
            return rc;
        }
        const ByteImage& image = p18_->image;
        if (const int saved =
                save(files_[0], BuildByteHexFile(image.regions(), image.ReadBack), "gelesen nach ");
            saved != ExitOk) {
            return saved;
        }
        return rc;
    }

    int cmdBurn() {
        if (p18Type_) {
            return p18Burn(*p18Type_);
        }
        if (int rc = needReadableOrType(false); rc != ExitOk) {
            return rc;
        }
        // The file's form before a detection puts any voltage on the chip.
        if (!type_ && !p18Type_) {
            if (const Outcome o = gateHexFile(*session_, files_[0], nullptr, FileUse::Burn, force_);
                o != Outcome::Ok) {
                return exitFor(o);
            }
        }
        const P18Device* part = nullptr;
        if (const auto rc = pic18First(part)) {
            return *rc;
        }
        if (part) {
            return p18Burn(*part);
        }
        image_.HexFileName = files_[0];
        image_.HexLoaded = true;
        const CommandResult r = burn(*session_, burnOptions());
        takeResult(r);
        sayCounters();
        return exitFor(r.outcome);
    }

    int cmdVerify() {
        if (int rc = needReadableOrType(true); rc != ExitOk) {
            return rc;
        }
        // The file's form before a detection puts any voltage on the chip.
        if (!type_ && !p18Type_) {
            if (const Outcome o =
                    gateHexFile(*session_, files_[0], nullptr, FileUse::Compare, force_);
                o != Outcome::Ok) {
                return exitFor(o);
            }
        }
        const P18Device* part = nullptr;
        if (const auto rc = pic18First(part)) {
            return *rc;
        }
        if (part) {
            return p18Verify(*part);
        }
        image_.HexFileName = files_[0];
        image_.HexLoaded = true;
        const CommandResult r = verify(*session_, burnOptions());
        takeResult(r);
        if (list_ && !json_) {
            for (const WordFailure& d : failed_) {
                std::printf("%s %s: %s -> %s\n", areaName(d.area),
                            hexWord(static_cast<unsigned>(d.address)).c_str(),
                            hexWord(d.wanted).c_str(), hexWord(d.read).c_str());
            }
        }
        sayCounters();
        return exitFor(r.outcome);
    }

    int cmdRead() {
        if (int rc = needReadableOrType(true); rc != ExitOk) {
            return rc;
        }
        const P18Device* part = nullptr;
        if (const auto rc = pic18First(part)) {
            return *rc;
        }
        if (part) {
            return p18Read(*part);
        }
        const CommandResult r = read(*session_, choice());
        takeResult(r);
        sayCounters();
        // Words that read differently twice are not saved as the chip's, unless asked.
        const bool unstable = r.outcome == Outcome::Failed;
        if (!r.ok() && !(unstable && force_)) {
            return exitFor(r.outcome);
        }
        if (r.allBlank) {
            message(kAllBlankText);
        }
        if (const int saved = save(files_[0], BuildHexFile(image_.ReadBack, device_.ProgLastAddr),
                                   "gelesen nach ");
            saved != ExitOk) {
            return saved;
        }
        return exitFor(r.outcome);
    }

    // Writes the command's output file; `done` and its name are said afterwards.
    int save(const std::string& path, std::string_view data, const std::string& done) {
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

    int cmdErase() {
        if (int rc = needReadableOrType(false); rc != ExitOk) {
            return rc;
        }
        const P18Device* part = nullptr;
        if (const auto rc = pic18First(part)) {
            return *rc;
        }
        if (part) {
            const int rc = p18Command(*part, [&] { return erase(*p18_, *part, !noData_); });
            if (rc == ExitOk) {
                say("gelöscht");
            }
            return rc;
        }
        const CommandResult r = erase(*session_, !noData_, choice());
        takeResult(r);
        sayCounters();
        if (r.ok()) {
            say("gelöscht");
        }
        return exitFor(r.outcome);
    }

    int cmdUnprotect() {
        if (int rc = needReadableOrType(false); rc != ExitOk) {
            return rc;
        }
        const P18Device* part = nullptr;
        if (const auto rc = pic18First(part)) {
            return *rc;
        }
        if (part) {
            const int rc = p18Command(*part, [&] { return removeProtection(*p18_, *part); });
            if (rc == ExitOk) {
                say("Codeschutz entfernt");
            }
            return rc;
        }
        const CommandResult r = removeProtection(*session_, true, choice());
        takeResult(r);
        sayCounters();
        if (r.ok()) {
            say("Codeschutz entfernt");
        }
        return exitFor(r.outcome);
    }

    // The first file laid out by the --type part's memories, for the listing and the map.
    int loadP18File(ByteImage& image) {
        p18Part_ = p18Type_;
        image = ByteImage(p18Regions(*p18Type_));
        image.HexFileName = files_[0];
        const HexLoadResult r = LoadByteHexFile(files_[0], image);
        if (!r.opened) {
            message("HEX-File  " + InputFileName(files_[0]) + "  nicht gefunden");
            return ExitHexFile;
        }
        if (!r.parse.ok()) {
            message(HexReadMessage(files_[0], r.parse));
            return ExitHexFile;
        }
        image.HexFileName = InputFileName(files_[0]);  // the listing's heading
        return ExitOk;
    }

    int cmdListing() {
        std::string text;
        if (p18Type_) {
            ByteImage image;
            if (int rc = loadP18File(image); rc != ExitOk) {
                return rc;
            }
            text = p18Listing(image);
        } else if (int rc = loadFile(files_[0]); rc != ExitOk) {
            return rc;
        } else {
            image_.HexFileName = InputFileName(files_[0]);  // the listing's heading
            text = reassemble(image_, device_.ProgLastAddr);
        }
        if (!json_) {
            std::fwrite(text.data(), 1, text.size(), stdout);
        } else {
            extra_[QStringLiteral("listing")] = QString::fromStdString(text);
        }
        return ExitOk;
    }

    int cmdMap() {
        RgbPicture sheet;
        if (p18Type_) {
            ByteImage image;
            if (int rc = loadP18File(image); rc != ExitOk) {
                return rc;
            }
            sheet = p18MemoryMapSheet(computeP18MemoryMap(image, *p18Type_));
        } else if (int rc = loadFile(files_[0]); rc != ExitOk) {
            return rc;
        } else {
            sheet = memoryMapSheet(computeMemoryMap(image_, device_));
        }
        QImage picture(sheet.width, sheet.height, QImage::Format_RGB888);
        for (int y = 0; y < sheet.height; ++y) {
            std::memcpy(picture.scanLine(y),
                        sheet.pixels.data() + static_cast<std::size_t>(y) * sheet.width * 3,
                        static_cast<std::size_t>(sheet.width) * 3);
        }
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
            message("Datei " + OutputFileName(files_[1]) + " kann nicht geschrieben werden");
            return ExitOutput;
        }
        return save(files_[1],
                    std::string_view(png.constData(), static_cast<std::size_t>(png.size())),
                    "Speicherbelegung nach ");
    }

    int cmdTypes() {
        typeKnown_ = type_.has_value();  // a listing is for no chip in particular
        if (json_) {
            extra_[QStringLiteral("types")] = typesJson();
            // Apart from the 14-bit rows, whose fields scripts already read.
            extra_[QStringLiteral("pic18fTypes")] = p18TypesJson();
        } else if (!quiet_) {
            std::fputs(typesText().c_str(), stdout);
        }
        return ExitOk;
    }

    // The whole text of the file `check` looks at, or standard input's for "-".
    std::optional<std::string> checkedText(const std::string& name) {
        if (IsStandardStream(files_[0])) {
            const StandardInput& in = ReadStandardInput();
            if (!in.open) {
                message("HEX-File " + name + " nicht gefunden");
                return std::nullopt;
            }
            if (!in.readError.empty()) {
                message("HEX-File " + name + " kann nicht gelesen werden: " + in.readError);
                return std::nullopt;
            }
            return in.text;
        }
        std::ifstream in(files_[0], std::ios::binary);
        if (!in) {
            message("HEX-File " + name + " nicht gefunden");
            return std::nullopt;
        }
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) {
            message("HEX-File " + name + " kann nicht gelesen werden");
            return std::nullopt;
        }
        return text;
    }

    int cmdCheck() {
        const std::string name = InputFileName(files_[0]);
        const std::optional<std::string> read = checkedText(name);
        if (!read) {
            return ExitHexFile;
        }
        const std::string& text = *read;
        HexCheckResult r = p18Type_ ? checkHexForm(text) : checkHexText(text, device_);
        if (p18Type_ && r.firstRefusal() == nullptr) {
            // Where the bytes land is the PIC18F loader's to say; checksums are said above.
            p18Part_ = p18Type_;
            ByteImage image(p18Regions(*p18Type_));
            if (const HexReadResult parsed = OpenByteHexfile(text, image, true); !parsed.ok()) {
                r.findings.push_back(
                    {parsed.line, true, true, false, HexReadMessage(name, parsed)});
            }
        }
        QJsonArray findings;
        for (const HexFinding& f : r.findings) {
            const std::string where = f.line > 0 ? name + ":" + std::to_string(f.line) : name;
            say(where + ": " + (f.fault ? "Fehler: " : "Hinweis: ") + f.text);
            QJsonObject o;
            o[QStringLiteral("line")] = f.line;
            o[QStringLiteral("fault")] = f.fault;
            o[QStringLiteral("text")] = QString::fromStdString(f.text);
            findings.append(o);
        }
        extra_[QStringLiteral("findings")] = findings;
        if (r.clean()) {
            say(name + ": wird genau so geladen, wie es in der Datei steht");
            return ExitOk;
        }
        return ExitDifferences;
    }

    QStringList arguments_;
    // Options
    BackendOptions backendOptions_;
    SettingsOverrides overrides_;
    bool usageError_ = false;
    bool json_ = false;
    bool quiet_ = false;
    bool yes_ = false;
    bool noData_ = false;
    bool list_ = false;
    bool force_ = false;
    bool outputToStdout_ = false;  // "-" as the output file: other output goes to stderr
    std::string port_ = "auto";
    std::optional<TimingMode> timing_;
    std::optional<int> vppTenths_;
    std::string typeName_;
    std::optional<SwitchMatch> type_;
    const P18Device* p18Type_ = nullptr;  // --type names a PIC18F
    std::vector<P18ConfigSetting> p18Config_;
    std::optional<std::uint16_t> config_;
    std::optional<std::uint16_t> config2_;
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
    std::vector<WordFailure> failed_;
    bool dataShown_ = false;
    QJsonObject extra_;
    std::int32_t portBase_ = kLpt1;
    TerminalDialog dialog_{false};
    std::unique_ptr<Backend> backend_;
    Clock* clock_ = nullptr;
    std::unique_ptr<ProgrammerLink> link_;
    TerminalReporter reporter_{dialog_, false};
    std::unique_ptr<ChipSession> session_;
    std::unique_ptr<P18Session> p18_;
    const P18Device* p18Part_ = nullptr;  // the PIC18F the command is for
};

}  // namespace

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

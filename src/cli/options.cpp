// The command line: the parser with its help texts, and the options read into Run.

#include "run.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "backend/backend.h"
#include "device/catalogue.h"
#include "link/settings.h"

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

}  // namespace

// The simulator's options and --trace, as the program takes them; the rest
// goes to the parser.
bool Run::takeBackendArguments(QStringList& args) {
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

bool Run::usage(const std::string& text) {
    std::fprintf(stderr, "pkorvel-cli: %s\n", text.c_str());
    usageError_ = true;
    return false;
}

void Run::setUpParser(QCommandLineParser& p) {
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
        {QStringLiteral("switch"), QStringLiteral("Spannungsschalter 0..3 (statt der Einstellung)"),
         QStringLiteral("N")},
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
        {QStringLiteral("id"), QStringLiteral("ID-Werte 0..15 oder x (Vorgabe: aus der HEX-Datei)"),
         QStringLiteral("a,b,c,d")},
        {QStringLiteral("list"), QStringLiteral("verify: jede abweichende Adresse ausgeben")},
        {QStringLiteral("force"),
         QStringLiteral("read: die Datei auch schreiben, wenn zwei Lesedurchgänge "
                        "verschieden waren (Exit-Code bleibt 1); burn, verify: auch eine "
                        "HEX-Datei mit Prüfsummenfehlern verwenden")},
        {QStringLiteral("json"),
         QStringLiteral("Ergebnis als JSON-Objekt auf die Standardausgabe")},
        {QStringLiteral("quiet"), QStringLiteral("keine Fortschrittsanzeige, keine Meldungen auf "
                                                 "der Standardausgabe")},
        {QStringLiteral("yes"), QStringLiteral("Aufforderungen des Handschalters nicht abwarten")},
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

bool Run::intOption(const QCommandLineParser& p, const char* name, int low, int high,
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

bool Run::readOptions(const QCommandLineParser& p) {
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
        part_ = findPart(typeName_);
        if (!part_) {
            return usage("--type=" + typeName_ + ": unbekannter PIC-Typ; bekannt sind " +
                         allPartNames());
        }
    }
    // A configuration word: 14 bits, in any base toUInt knows (0x.. for hex).
    for (auto [name, address] : {std::pair{"config", MemoryImage::ConfigAddr},
                                 std::pair{"config2", MemoryImage::Config2Addr}}) {
        const QString option = QString::fromLatin1(name);
        if (p.isSet(option) && p.value(option).contains(QLatin1Char(':'))) {
            if (!readConfigBytes(p.value(option), name)) {
                return false;
            }
        } else if (p.isSet(option)) {
            bool ok = false;
            const uint v = p.value(option).toUInt(&ok, 0);
            if (!ok || v > 0x3FFF) {
                return usage("--" + std::string(name) + ": ein Wort 0x0000..0x3FFF wird erwartet");
            }
            config_.push_back(
                {static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(v), true});
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
    return checkPartOptions();
}

// Configuration bytes: ADDRESS:VALUE pairs, comma separated.
bool Run::readConfigBytes(const QString& text, const char* name) {
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
        config_.push_back({address, static_cast<std::uint16_t>(value), false});
    }
    return true;
}

// What the options say must fit the part: configuration bytes need a part that
// takes them (a chip without would burn the file's word instead), and whole
// words and ID values mean nothing to a part that does not take them.
bool Run::checkPartOptions() {
    const bool bytes = std::any_of(config_.begin(), config_.end(),
                                   [](const ConfigSetting& c) { return !c.wholeWord; });
    if (bytes && (!part_ || !part_->family->optionForms().configBytes)) {
        return usage(
            "--config=ADRESSE:WERT gilt für PIC18F: dazu --type angeben, z. B. "
            "--type=18f4550");
    }
    if (part_) {
        if (const std::string why = optionRefusal(*part_); !why.empty()) {
            return usage(why);
        }
        for (const ConfigSetting& c : config_) {
            if (const auto why = part_->family->configRefusal(*part_, c); why && !c.wholeWord) {
                return usage("--config: " + *why);
            }
        }
    }
    return true;
}

std::string Run::optionRefusal(const Part& part) const {
    const OptionForms forms = part.family->optionForms();
    const bool words = std::any_of(config_.begin(), config_.end(),
                                   [](const ConfigSetting& c) { return c.wholeWord; });
    if (words && !forms.configWords) {
        return "--config=0xNNNN und --config2 gelten für 14-Bit-PICs; beim PIC18F "
               "--config=ADRESSE:WERT,… angeben";
    }
    if (ids_ && !forms.idValues) {
        return "--id gilt für 14-Bit-PICs; beim PIC18F kommen die ID-Bytes aus der HEX-Datei";
    }
    return {};
}

}  // namespace pk::cli

#include "device/doctor.h"

#include <algorithm>

#include "device/catalogue.h"
#include "device/chip_ops.h"
#include "image/hex_text.h"

namespace pk {

namespace {

constexpr int kComparedWords = 64;
constexpr int kIdAttempts = 2;

std::string portName(std::int32_t base) {
    return base == kLpt2   ? "LPT 2 (0x278)"
           : base == kLpt1 ? "LPT 1 (0x378)"
                           : hexWord(static_cast<std::uint16_t>(base));
}

std::vector<std::uint16_t> readProgramWords(ProgrammerLink& link, Clock& clock) {
    std::vector<std::uint16_t> words;
    link.StartProgmode();
    for (int a = 0; a < kComparedWords; ++a) {
        link.Kommando(cmd::ReadDataFromProgramMemory);
        words.push_back(link.RdDaten());
        link.Kommando(cmd::IncrementAddress);
        clock.sleepMs(1);
    }
    link.EndProgmode();
    return words;
}

void note(DoctorReadings& r, std::uint16_t word) {
    r.anyWordNotAllOnes = r.anyWordNotAllOnes || (word & 0x3FFF) != 0x3FFF;
    r.anyWordNotZero = r.anyWordNotZero || (word & 0x3FFF) != 0;
}

}  // namespace

DoctorReadings takeDoctorReadings(ProgrammerLink& link, Clock& clock,
                                  const ProgrammerSettings& settings, std::int32_t& portBase) {
    DoctorReadings r;
    r.circuit = settings;
    r.portAccess = link.PortOpen();
    if (!r.portAccess || settings.QuickAndDirty) {
        return r;
    }
    // The search's own patterns and waits, so the voltages stay as safe as in a search.
    const std::uint8_t extra =
        ProgrammerLink::SearchExtraBits(settings.DriverIndex, settings.SwitchIndex);
    const std::uint8_t low = extra | kD1;
    const std::uint8_t high = extra | kD1 | kD0;
    std::optional<std::int32_t> found;
    for (const std::int32_t base : {kLpt2, kLpt1}) {
        PortProbe p;
        p.base = base;
        link.WritePort(base, low);
        clock.sleepMs(100);
        p.statusWithD0Low = (link.ReadPort(base + 1) & kStatusData) != 0;
        const bool backLow = link.ReadPort(base) == low;
        link.WritePort(base, high);
        clock.sleepMs(100);
        p.statusWithD0High = (link.ReadPort(base + 1) & kStatusData) != 0;
        p.portPresent = backLow && link.ReadPort(base) == high;
        if (!found && p.loopBackOk()) {
            found = base;
        }
        r.ports.push_back(p);
    }
    if (!found) {
        return r;
    }
    portBase = *found;
    link.Anfang();
    for (int k = 0; k < kIdAttempts; ++k) {
        const IdWords w = readIdWords(link, clock, EntryOrder::VddFirst);
        r.deviceIds.push_back(w.id);
        r.configWords.push_back(w.config);
    }
    const std::vector<std::uint16_t> first = readProgramWords(link, clock);
    const std::vector<std::uint16_t> second = readProgramWords(link, clock);
    r.comparedWords = kComparedWords;
    for (int a = 0; a < kComparedWords; ++a) {
        r.differingWords +=
            first[static_cast<std::size_t>(a)] != second[static_cast<std::size_t>(a)];
        note(r, first[static_cast<std::size_t>(a)]);
        note(r, second[static_cast<std::size_t>(a)]);
    }
    for (std::size_t k = 0; k < r.deviceIds.size(); ++k) {
        if (r.deviceIds[k] != r.deviceIds[0] || r.configWords[k] != r.configWords[0]) {
            ++r.differingWords;
        }
        note(r, r.deviceIds[k]);
        note(r, r.configWords[k]);
    }
    return r;
}

namespace {

// What to check for each cause, for the circuit in use.
std::string vppCheck(const ProgrammerSettings& c) {
    switch (c.SwitchIndex) {
        case 0:
            return "VPP fehlt: +13 V am Korvel vorhanden? Der Schalter (4066 / npn) legt VPP mit "
                   "D3 "
                   "an; Schalter-Einstellung im Setup prüfen";
        case 1:
            return "VPP fehlt: +13 V am Korvel vorhanden? Der pnp-Schalter legt VPP an, wenn D3 "
                   "auf 0 geht; Schalter-Einstellung im Setup prüfen";
        case 2:
            return "VPP fehlt: den Schalter für +12 V umlegen, sobald das Programm darum bittet, "
                   "und erst auf Aufforderung wieder aus";
        default:
            return "VPP fehlt: +13 V am Korvel vorhanden? Die AN589-Schaltung legt VPP mit D3 an "
                   "(D4 auf 0); Schalter-Einstellung im Setup prüfen";
    }
}

std::string driverName(const ProgrammerSettings& c) {
    switch (c.DriverIndex) {
        case 0:
            return "7406 (invertierend)";
        case 2:
            return "AN589 / FA";
        default:
            return "7407 / keine";
    }
}

struct Text {
    LinkDiagnosis& d;
    void cause(LinkCause c) {
        if (std::find(d.causes.begin(), d.causes.end(), c) == d.causes.end()) {
            d.causes.push_back(c);
        }
    }
    void line(const std::string& s) { d.lines.push_back(s); }
};

void explainPorts(const DoctorReadings& r, Text& t) {
    const bool inverting = r.circuit.DriverIndex == 0;
    bool anyPresent = false;
    bool lineLow = false;
    bool lineHigh = false;
    bool inverted = false;
    for (const PortProbe& p : r.ports) {
        if (!p.portPresent) {
            t.line(portName(p.base) + ": kein Druckerport an dieser Adresse.");
            continue;
        }
        anyPresent = true;
        const std::string seen = std::string("D0 = 0 ergibt Rückmeldung ") +
                                 (p.statusWithD0Low ? "1" : "0") + ", D0 = 1 ergibt " +
                                 (p.statusWithD0High ? "1" : "0");
        if (p.statusWithD0Low == p.statusWithD0High) {
            // The status input shows the data line, inverted behind a 7406.
            const bool level = inverting ? !p.statusWithD0Low : p.statusWithD0Low;
            (level ? lineHigh : lineLow) = true;
            t.line(portName(p.base) + ": " + seen + ": die Datenleitung bleibt auf " +
                   (level ? "High" : "Low") + ".");
        } else {
            inverted = true;
            t.line(portName(p.base) + ": " + seen + ": die Rückmeldung ist verkehrt herum.");
        }
    }
    if (!anyPresent) {
        t.cause(LinkCause::NoParallelPort);
        t.line(
            "Weder an LPT 1 noch an LPT 2 ist ein Druckerport zu finden: Port im BIOS "
            "eingeschaltet? Steckkarte richtig eingesetzt?");
        return;
    }
    if (lineLow) {
        t.cause(LinkCause::DataStuckLow);
        t.line("Wahrscheinlich: die Datenleitung (RB7) wird auf Low gehalten.");
        t.line(
            "Prüfen: PIC aus der Fassung nehmen (der Test braucht eine leere Fassung); "
            "PIC falsch herum eingesetzt gewesen? Kurzschluss der Datenleitung nach Masse; "
            "Treiber " +
            driverName(r.circuit) + " mit Spannung versorgt?");
    }
    if (lineHigh) {
        t.cause(LinkCause::DataStuckHigh);
        t.line(
            "Wahrscheinlich: die Datenleitung (RB7) bleibt auf High: so sieht es aus, wenn "
            "kein Korvel antwortet.");
        t.line(
            "Prüfen: Kabel am richtigen Druckerport? Korvel mit Spannung versorgt? "
            "Datenleitung mit +5 V verbunden? Stimmt der Treiber im Setup (jetzt " +
            driverName(r.circuit) + ")?");
    }
    if (inverted) {
        t.cause(LinkCause::LoopBackInverted);
        t.line("Prüfen: Treiber-Einstellung im Setup (jetzt " + driverName(r.circuit) +
               ") passt nicht zur Schaltung.");
    }
    t.cause(LinkCause::NoProgrammerAnswer);
}

void explainChip(const DoctorReadings& r, Text& t) {
    const auto& ids = r.deviceIds;
    const std::uint16_t id = ids.empty() ? 0x3FFF : static_cast<std::uint16_t>(ids[0] & 0x3FFF);
    const bool steady = r.differingWords == 0;
    std::string idLine = "Geräte-ID gelesen: ";
    for (std::size_t k = 0; k < ids.size(); ++k) {
        idLine += (k > 0 ? ", " : "") + hexWord(ids[k]);
    }
    t.line(idLine + ".");
    if (!steady) {
        t.cause(LinkCause::UnstableReads);
        t.line("Wahrscheinlich: unsichere Verbindung. Zweimal gelesen unterscheiden sich " +
               std::to_string(r.differingWords) + " Wörter.");
        t.line(
            "Prüfen: Kontakte der Fassung und des Kabels; kürzeres Kabel; im Setup die "
            "Geschwindigkeit Richtung \"sicher\" stellen; Versorgungsspannung stabil?");
    }
    if (id == 0x3FFF) {
        if (r.anyWordNotAllOnes) {
            t.cause(LinkCause::Old16F84WithoutId);
            t.line(
                "Der PIC antwortet, hat aber keine Geräte-ID (alle Bits 1): ein 16F84 ohne "
                "\"A\" tut das. Typ \"16F84/84A\" wählen.");
            t.d.ok = steady;
            return;
        }
        t.line("ID " + hexWord(0x3FFF) +
               " (alle Bits 1): kein PIC hat die Datenleitung je auf Low "
               "gezogen.");
        // An empty socket is the usual reason; the others look the same from the port.
        t.cause(LinkCause::NoChip);
        t.cause(LinkCause::NoVpp);
        t.cause(LinkCause::ClockOpen);
        t.cause(LinkCause::DataOpen);
        t.line(
            "Wahrscheinlich: kein PIC in der Fassung, oder er sitzt verkehrt oder versetzt "
            "(Pin 1 zur Kerbe).");
        t.line("Sonst: " + vppCheck(r.circuit) + ".");
        t.line("Sonst: die Taktleitung (RB6) erreicht den PIC nicht: Leitung unterbrochen?");
        t.line("Sonst: die Datenleitung (RB7) zwischen Treiber und PIC ist unterbrochen.");
        t.line("Am Port sehen diese Fehler gleich aus; nacheinander prüfen.");
        return;
    }
    if (id == 0x0000 && !r.anyWordNotZero) {
        t.cause(LinkCause::NoVdd);
        t.cause(LinkCause::DataStuckLow);
        t.cause(LinkCause::ClockOpen);
        t.line("ID " + hexWord(0) + " (alle Bits 0): die Datenleitung lag beim Lesen auf Low.");
        t.line(
            "Wahrscheinlich: der PIC hat keine Betriebsspannung (VDD) und zieht die "
            "Datenleitung über seine Schutzdioden nach Masse. Prüfen: +5 V an VDD, "
            "Schalter-Einstellung im Setup.");
        t.line("Sonst: PIC verkehrt herum eingesetzt oder Kurzschluss der Datenleitung.");
        t.line("Sonst: Taktleitung (RB6) unterbrochen.");
        return;
    }
    const IdLookup found = lookupDeviceId(id);
    if (steady) {
        t.cause(LinkCause::AllGood);
        t.d.ok = true;
        const DeviceInfo* info = deviceInfo(found.type);
        const std::string name = found.unknown || info == nullptr
                                     ? "unbekannter Typ (Code " + hexWord(found.code) + ")"
                                     : std::string(info->listText);
        t.line("Der PIC antwortet: " + name + ", Revision " + std::to_string(found.revision) +
               ". Die Verbindung ist in Ordnung.");
    }
}

}  // namespace

LinkDiagnosis explainReadings(const DoctorReadings& r) {
    LinkDiagnosis d;
    Text t{d};
    if (!r.portAccess) {
        t.cause(LinkCause::NoPortAccess);
        t.line("Kein Zugriff auf den Druckerport: Rechte (Gruppe lp) oder Porttreiber prüfen.");
        return d;
    }
    if (r.circuit.QuickAndDirty) {
        t.cause(LinkCause::QuickAndDirtyCannotRead);
        t.line(
            "Der Quick-and-Dirty-Korvel kann nichts zurücklesen; die Verbindung lässt sich "
            "nicht prüfen.");
        t.line("Prüfen: Kabel an LPT 1, Spannung, PIC richtig herum in der Fassung.");
        return d;
    }
    const auto passed = std::find_if(r.ports.begin(), r.ports.end(),
                                     [](const PortProbe& p) { return p.loopBackOk(); });
    if (passed == r.ports.end()) {
        explainPorts(r, t);
        return d;
    }
    t.line("Schleifentest an " + portName(passed->base) + " in Ordnung: der Korvel antwortet.");
    explainChip(r, t);
    return d;
}

std::string diagnosisText(const LinkDiagnosis& diagnosis) {
    std::string text;
    for (const std::string& line : diagnosis.lines) {
        if (!text.empty()) {
            text += "\r";
        }
        text += line;
    }
    return text;
}

}  // namespace pk

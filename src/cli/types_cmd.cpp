#include "types_cmd.h"

#include <QJsonObject>
#include <cstdio>
#include <string_view>
#include <vector>

#include "device/catalogue.h"
#include "device/p18_catalogue.h"
#include "device/type_names.h"
#include "image/byte_regions.h"
#include "image/hex_text.h"

namespace pk::cli {

namespace {

// 1250 -> "12,50" (German decimal comma, as the tool's messages write volts).
std::string volts(int centivolts) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d,%02d", centivolts / 100, centivolts % 100);
    return buf;
}

const char* entryText(EntryOrder o) {
    switch (o) {
        case EntryOrder::VddFirst:
            return "VDD, dann VPP";
        case EntryOrder::VppFirst:
            return "VPP vor VDD";
        case EntryOrder::VddThenVppFast:
            return "VDD, sofort danach VPP";
    }
    return "";
}

const char* entryKey(EntryOrder o) {
    switch (o) {
        case EntryOrder::VddFirst:
            return "vdd-first";
        case EntryOrder::VppFirst:
            return "vpp-first";
        case EntryOrder::VddThenVppFast:
            return "vdd-then-vpp";
    }
    return "";
}

std::vector<std::uint16_t> idCodes(const DeviceInfo& d) {
    std::vector<std::uint16_t> codes;
    for (std::uint16_t c : d.idCodes) {
        if (c != 0) {
            codes.push_back(c);
        }
    }
    return codes;
}

std::vector<std::uint16_t> configAddresses(const DeviceInfo& d) {
    std::vector<std::uint16_t> a{d.config().address};
    if (d.hasConfig2()) {
        a.push_back(d.config2().address);
    }
    return a;
}

template <typename T, typename F>
std::string joined(const std::vector<T>& items, F text) {
    std::string s;
    for (const T& i : items) {
        s.append(s.empty() ? "" : ", ").append(text(i));
    }
    return s;
}

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

// Built by appending: GCC 12's release build misreads "text" + std::string(...) as
// overlapping copies.
std::string typesText() {
    std::string out;
    for (const DeviceInfo& d : kDevices) {
        const auto name = [](std::string_view n) { return std::string(n); };
        out.append(d.listText)
            .append("  (--type ")
            .append(joined(typeNames(d), name))
            .append(")\n");
        out.append("  Device-ID:        ").append(joined(idCodes(d), hexWord));
        out.append(d.idless ? " (der erste 16F84 hat keine)\n" : "\n");
        out.append("  Programmspeicher: ").append(std::to_string(d.progLastAddr + 1));
        out.append(" Worte\n  Data-EEPROM:      ");
        if (d.dataLastAddr < 0) {
            out.append("keins\n");
        } else {
            out.append(std::to_string(d.dataLastAddr + 1)).append(" Bytes\n");
        }
        out.append("  Konfiguration:    ").append(joined(configAddresses(d), hexWord));
        out.append("\n  Einstieg:         ").append(entryText(d.entryOrder));
        out.append("\n  VPP:              ").append(volts(d.vpp.minCentivolts));
        out.append(" bis ").append(volts(d.vpp.maxCentivolts)).append(" V\n");
    }
    for (const P18Device& d : kP18Devices) {
        out.append(d.name).append("  (--type ").append(typeName(d)).append(")\n");
        out.append("  Device-ID:        ").append(hexWord(d.deviceId));
        out.append(" (Revision in den Bits ").append(hexWord(d.revisionMask)).append(")\n");
        out.append("  Programmspeicher: ").append(std::to_string(d.programBytes));
        out.append(" Bytes\n  Data-EEPROM:      ").append(std::to_string(d.eepromBytes));
        out.append(" Bytes\n  Konfiguration:    0x300000 bis 0x30000D (Bytes)");
        out.append("\n  Einstieg:         ").append(entryText(EntryOrder::VddFirst));
        out.append("\n  VPP:              ").append(volts(d.family->vpp.minCentivolts));
        out.append(" bis ").append(volts(d.family->vpp.maxCentivolts)).append(" V\n");
    }
    return out;
}

QJsonArray typesJson() {
    QJsonArray rows;
    for (const DeviceInfo& d : kDevices) {
        QJsonObject o;
        o[QStringLiteral("type")] = qs(d.listText);
        QJsonArray names;
        for (std::string_view n : typeNames(d)) {
            names.append(qs(n));
        }
        o[QStringLiteral("names")] = names;
        QJsonArray ids;
        for (std::uint16_t c : idCodes(d)) {
            ids.append(QString::fromStdString(hexWord(c)));
        }
        o[QStringLiteral("deviceIds")] = ids;
        o[QStringLiteral("programWords")] = d.progLastAddr + 1;
        o[QStringLiteral("eepromBytes")] = d.dataLastAddr + 1;
        QJsonArray config;
        for (std::uint16_t a : configAddresses(d)) {
            config.append(QString::fromStdString(hexWord(a)));
        }
        o[QStringLiteral("configWords")] = config;
        o[QStringLiteral("entryOrder")] = QString::fromLatin1(entryKey(d.entryOrder));
        o[QStringLiteral("vppMinCentivolts")] = d.vpp.minCentivolts;
        o[QStringLiteral("vppMaxCentivolts")] = d.vpp.maxCentivolts;
        rows.append(o);
    }
    return rows;
}

QJsonArray p18TypesJson() {
    QJsonArray rows;
    for (const P18Device& d : kP18Devices) {
        QJsonObject o;
        o[QStringLiteral("type")] = qs(d.name);
        o[QStringLiteral("names")] = QJsonArray{QString::fromStdString(typeName(d))};
        o[QStringLiteral("deviceIds")] = QJsonArray{QString::fromStdString(hexWord(d.deviceId))};
        o[QStringLiteral("programBytes")] = static_cast<qint64>(d.programBytes);
        o[QStringLiteral("eepromBytes")] = static_cast<qint64>(d.eepromBytes);
        QJsonArray config;
        for (std::size_t n = 0; n < d.configMask.size(); ++n) {
            if (d.configMask[n] != 0) {
                config.append(QString::fromStdString(
                    HexByteAddress(p18addr::kConfig + static_cast<std::uint32_t>(n))));
            }
        }
        o[QStringLiteral("configBytes")] = config;
        o[QStringLiteral("entryOrder")] = QString::fromLatin1(entryKey(EntryOrder::VddFirst));
        o[QStringLiteral("vppMinCentivolts")] = d.family->vpp.minCentivolts;
        o[QStringLiteral("vppMaxCentivolts")] = d.family->vpp.maxCentivolts;
        rows.append(o);
    }
    return rows;
}

}  // namespace pk::cli

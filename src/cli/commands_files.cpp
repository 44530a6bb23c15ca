// The commands that need no chip: listing, map, check and types.

#include "run.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <cstring>

#include "device/hex_check.h"
#include "image/byte_hex_file.h"
#include "image/hex_file.h"
#include "image/hex_lines.h"
#include "image/hex_syntax.h"
#include "image/standard_streams.h"
#include "types_cmd.h"
#include "viewers/memory_map.h"
#include "viewers/p18_listing.h"
#include "viewers/p18_memory_map.h"
#include "viewers/reassembler.h"

namespace pk::cli {

// The first file laid out by the --type part's memories, for the listing and the map.
int Run::loadP18File(ByteImage& image) {
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

int Run::cmdListing() {
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

int Run::cmdMap() {
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
    return save(files_[1], std::string_view(png.constData(), static_cast<std::size_t>(png.size())),
                "Speicherbelegung nach ");
}

int Run::cmdTypes() {
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
std::optional<std::string> Run::checkedText(const std::string& name) {
    HexSource source;
    if (!source.open(files_[0])) {
        message("HEX-File " + name + " nicht gefunden");
        return std::nullopt;
    }
    std::string reason;
    std::optional<std::string> text = source.text(kMaxHexFileBytes, &reason);
    if (!text) {
        message("HEX-File " + name + " kann nicht gelesen werden: " + reason);
    }
    return text;
}

int Run::cmdCheck() {
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
            r.findings.push_back({parsed.line, true, true, false, HexReadMessage(name, parsed)});
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

}  // namespace pk::cli

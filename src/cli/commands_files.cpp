// The commands that need no chip: listing, map, check and types.

#include "run.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <cstring>

#include "image/hex_lines.h"
#include "image/hex_syntax.h"
#include "image/standard_streams.h"
#include "types_cmd.h"
#include "viewers/part_views.h"

namespace pk::cli {

namespace {

// Without --type a file is laid out for the 16F877, the largest 14-bit memory.
Part filePart(const std::optional<Part>& part) {
    return part ? *part : *findPart("16f877");
}

}  // namespace

int Run::loadFile() {
    shownPart_ = filePart(part_);
    FileImages images{image_, device_, bytes_};
    const Outcome o = shownPart_->family->loadFile(images, reporter_, *shownPart_, files_[0]);
    return o == Outcome::Ok ? ExitOk : ExitHexFile;
}

int Run::cmdListing() {
    if (int rc = loadFile(); rc != ExitOk) {
        return rc;
    }
    const FileImages images{image_, device_, bytes_};
    // The listing is headed by the file's name.
    const std::string text =
        viewsOf(*shownPart_).listing(images, *shownPart_, InputFileName(files_[0]));
    if (!json_) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        extra_[QStringLiteral("listing")] = QString::fromStdString(text);
    }
    return ExitOk;
}

int Run::cmdMap() {
    if (int rc = loadFile(); rc != ExitOk) {
        return rc;
    }
    const FileImages images{image_, device_, bytes_};
    const RgbPicture sheet = viewsOf(*shownPart_).mapSheet(images, *shownPart_);
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
    shownPart_ = part_;  // a listing is for no chip in particular
    if (json_) {
        addTypesJson(extra_);
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
    shownPart_ = filePart(part_);
    const HexCheckResult r = shownPart_->family->checkFile(*shownPart_, text, name);
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

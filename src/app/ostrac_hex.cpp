// TOstrac: HEX files and the settings file.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "editors/id_words.h"
#include "image/atomic_file.h"
#include "image/byte_hex_file.h"
#include "image/hex_file.h"
#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

QString fromUtf8(const std::string& s) {
    return QString::fromStdString(s);
}

// How a load ended. Stopped: the file is broken part-way.
enum class LoadOutcome { Complete, NotLoaded, Stopped };

// Where a file dialog starts: the current file's folder, with its name or "*.hex".
std::string dialogStart(const std::string& current, bool withName) {
    if (current.empty()) {
        return "*.hex";
    }
    const auto slash = current.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : current.substr(0, slash + 1);
    return folder + (withName ? current.substr(folder.size()) : "*.hex");
}

LoadOutcome loadCurrentFile(TOstrac& w) {
    MemoryImage& image = w.Image;
    const std::optional<Part> p = w.part();
    if (image.HexFileName.empty() || !p) {
        return LoadOutcome::NotLoaded;
    }
    FileImages images = w.fileImages();
    const HexLoadResult r = p->family->readFile(images, *p, image.HexFileName);
    if (!r.opened) {
        w.setPanel(0, QStringLiteral("!! file load ERROR !!"));
        w.dialog().message("HEX-File  " + image.HexFileName + "  nicht gefunden");
        return LoadOutcome::NotLoaded;
    }
    // Something of the file is in the image now, even when it turns out broken.
    w.clearNotice({QStringLiteral("kein HEX-File geladen")});
    if (!r.parse.ok()) {
        // The words before the problem stay; nothing is refreshed from a broken file.
        w.dialog().message(HexReadMessage(image.HexFileName, r.parse));
        return LoadOutcome::Stopped;
    }
    // A file is chosen: the commands read it again.
    image.HexLoaded = true;
    w.UpdateGauge();
    if (w.ui()->ConfigCheckBox->isChecked()) {
        w.UpdateConfigButtons();
    }
    if (w.ui()->IDCheckBox->isChecked()) {
        w.UpdateID();
    }
    w.showFileName();
    return LoadOutcome::Complete;
}

}  // namespace

bool TOstrac::ToolButton1Click() {
    if (StartupFilePending) {
        Image.HexFileName = StartupFileName.toStdString();
    } else if (const auto chosen = dialog().openFile("HEX-Datei laden", "*.hex",
                                                     dialogStart(Image.HexFileName, true))) {
        Image.HexFileName = *chosen;
    }
    // A cancelled dialog loads the current file again (or nothing, without one).
    StartupFilePending = false;
    setWindowTitle(QStringLiteral("PKorvel  ") + fromUtf8(Image.HexFileName));
    setPanel(0, fromUtf8(Image.HexFileName));
    setPanel(1, QString());
    const LoadOutcome outcome = loadCurrentFile(*this);
    if (outcome == LoadOutcome::Stopped) {
        // The file is broken: leave the rest as the message found it.
        return false;
    }
    // The results and counters of the last command were about another file.
    ClearFehler();
    Timer1->stop();
    ui()->OKLabel->hide();
    // Every load starts with configuration, ID values and EEPROM data taken from the
    // file; the boxes' handlers switch each off again where the file lacks it.
    ui()->ConfigCheckBox->setChecked(true);
    ui()->IDCheckBox->setChecked(true);
    // A file without EEPROM bytes for the chip leaves the chip's EEPROM alone unless
    // the user ticks the box again.
    if (ui()->DATACheckBox->isEnabled()) {
        const std::optional<Part> p = part();
        FileImages images = fileImages();
        const bool data = p && p->family->fileHasData(images, *p);
        ui()->DATACheckBox->setChecked(data);
    }
    return outcome == LoadOutcome::Complete;
}

bool TOstrac::loadFile() {
    return loadCurrentFile(*this) == LoadOutcome::Complete;
}

void TOstrac::ToolButton2Click() {
    // The folder of the current file, but not its name: a read-back chip saved
    // over the source file by a quick Enter would lose the file's own layout.
    const auto chosen =
        dialog().saveFile("HEX-Datei speichern", "*.hex", dialogStart(Image.HexFileName, false));
    if (!chosen || chosen->empty()) {
        return;  // cancelled: nothing written, nothing changed
    }
    // Each part's read is saved in its family's layout (INHX32 with type-04
    // records for the byte-addressed parts).
    const std::optional<Part> p = part();
    const std::string text = p ? p->family->readBackHex(session(), *p) : std::string();
    // A named pipe or a device is written in place, never replaced; a pipe nobody
    // reads fails at once instead of hanging the window.
    const bool plainFile = OutputKindOf(*chosen) == OutputKind::Replace;
    const SaveResult r = WriteOutputFile(*chosen, text, FileSaveOps, false);
    if (!r.ok()) {
        setPanel(0, QStringLiteral("!! file save ERROR !!"));
        // The narrow panel cannot say which file or why; a message box can.
        dialog().message("HEX-File  " + *chosen + "  konnte nicht geschrieben werden:\r" +
                         r.reason + "\r\rEine vorhandene Datei dieses Namens ist unverändert.");
        // HexFileName keeps naming the file that holds the data a burn would use.
        return;
    }
    if (!plainFile) {
        return;  // a pipe or device holds nothing a later burn could load again
    }
    // A later burn or compare re-reads the file just saved.
    Image.HexFileName = *chosen;
    if (fieldPanelShown()) {
        loadFieldFile();  // what the viewers show is that file now
    }
    showFileName();
}

void TOstrac::LoadSettingsFile() {
    // AutoSpeed keeps its program default and DelayCount the measured value.
    Settings.ModelK1 = true;
    Settings.DriverIndex = 1;
    Settings.SwitchIndex = 1;
    Settings.QuickAndDirty = false;
    PortBase = 0x378;
    SettingsPath = SettingsFilePath();
    std::string refusal;
    pk::LoadSettingsFile(SettingsPath, SettingsBuffer, Settings, &refusal);
    if (!refusal.empty()) {
        dialog().message(refusal);
    }
    ApplyQuickAndDirtyView();
}

bool TOstrac::SaveSettingsFile() {
    if (SettingsPath.empty()) {
        SettingsPath = SettingsFilePath();
    }
    const SaveResult r = pk::SaveSettingsFile(SettingsPath, SettingsBuffer, Settings, FileSaveOps);
    if (!r.ok()) {
        dialog().message(SettingsSaveMessage(SettingsPath, r));
        return false;
    }
    return true;
}

void TOstrac::ApplyQuickAndDirtyView() {
    // The cheap circuit cannot read the chip back.
    const bool qd = Settings.QuickAndDirty;
    ui()->ReadBTN->setVisible(!qd);
    ui()->CompBTN->setVisible(!qd);
    ui()->DetectBTN->setVisible(!qd);
    ui()->QDLabel->setVisible(qd);
    ui()->FehlerGroupBox->setVisible(!qd);
}

void TOstrac::wireHex() {
    // The tool buttons are connected with the other tool buttons in the shell.
}

}  // namespace pk

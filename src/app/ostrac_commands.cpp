// TOstrac: the user's commands "Brennen", "Lesen", "Vergleichen", "Löschen" and
// "CP entfernen". Each one checks the chip type first and then runs its
// programming-mode brackets around the chip routines of ChipOps.

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <utility>
#include <vector>

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

// Controls that would start another chip operation or change what the running
// one works on (file, type, port, circuit).
std::vector<QWidget*> commandControls(Ui::Ostrac& u) {
    return {u.ProgBTN,   u.ReadBTN,     u.CompBTN,     u.EraseBTN,    u.AntiCpBTN,
            u.DetectBTN, u.TypComboBox, u.ToolButton1, u.ToolButton3, u.ToolButton6};
}

}  // namespace

void TOstrac::runCommand(const std::function<void()>& command) {
    // Message boxes and repaints run nested event loops; a click queued before the
    // command started must not start a second one inside it.
    if (commandRunning_ || operationRunning()) {
        return;
    }
    struct Running {
        TOstrac& w;
        std::vector<std::pair<QWidget*, bool>> saved;
        explicit Running(TOstrac& window) : w(window) {
            w.commandRunning_ = true;
            for (QWidget* c : commandControls(*w.ui())) {
                saved.emplace_back(c, c->isEnabled());
                c->setEnabled(false);
            }
        }
        ~Running() {
            for (auto& [c, enabled] : saved) {
                c->setEnabled(enabled);
            }
            w.commandRunning_ = false;
        }
    } running(*this);
    runOperation(command);
}

bool TOstrac::reloadHexFile() {
    // Burn and compare always use the file as it is on disk now, so a change made
    // by the assembler since loading is not missed.
    if (Image.HexLoaded) {
        loadFile();
    } else {
        ToolButton1Click();
    }
    return Image.HexLoaded;
}

void TOstrac::bracket(const std::function<void()>& routine) {
    StartProgmode();
    routine();
    EndProgmode();
}

void TOstrac::ProgBTNClick() {
    runCommand([this] {
        if (!ops().Autodetect3()) {
            return;
        }
        if (!reloadHexFile()) {
            return;
        }
        ClearFehler();
        SetConfiguration();
        // Each area in a bracket of its own; a failed program word does not keep
        // the data and the configuration from being burnt.
        bracket([this] {
            if (is16F7x(Device.CurrentType)) {
                ops().WriteProgram7x();
            } else {
                ops().WriteProgram();
            }
        });
        if (ui()->DATACheckBox->isChecked()) {
            bracket([this] { ops().WriteData(); });
        }
        bracket([this] { ops().WriteConfiguration(); });
        ShowFehler();
    });
}

void TOstrac::ReadBTNClick() {
    runCommand([this] {
        if (!ops().Autodetect3()) {
            return;
        }
        ClearFehler();
        // The save writes every EEPROM offset and the reserved words: what an
        // earlier read of another chip left there must not end up in this file.
        Image.ReadBack.fill(0xFFFF);
        bracket([this] { ops().ReadProgram(true); });
        bracket([this] { ops().ReadData(); });
        bracket([this] { ops().ReadConfiguration(); });
        ShowFehler();
        ui()->ToolButton2->setEnabled(true);
        ToolButton2Click();
    });
}

void TOstrac::CompBTNClick() {
    runCommand([this] {
        if (!ops().Autodetect3()) {
            return;
        }
        if (!reloadHexFile()) {
            return;
        }
        ClearFehler();
        SetConfiguration();
        const bool withData = ui()->DATACheckBox->isChecked();
        bracket([this] { ops().ReadProgram(false); });
        if (withData) {
            bracket([this] { ops().ReadData(); });
        }
        bracket([this] { ops().ReadConfiguration(); });
        Errors = CompareImage(Image, Device, withData);
        ShowFehler();
    });
}

void TOstrac::eraseCommand() {
    if (!ops().Autodetect3()) {
        return;
    }
    StartProgmode();
    UpdateRunGauge(19, 20);
    ops().ErasePIC(ui()->DATACheckBox->isChecked());
    EndProgmode();
    UpdateRunGauge(20, 20);
}

void TOstrac::EraseBTNClick() {
    runCommand([this] { eraseCommand(); });
}

void TOstrac::AntiCpBTNClick() {
    runCommand([this] {
        // On the 16F7x the bulk erase itself removes the protection.
        if (is16F7x(ui()->TypComboBox->currentIndex())) {
            eraseCommand();
            return;
        }
        if (!ops().Autodetect3()) {
            return;
        }
        ops().RemoveCodeProtection();
    });
}

void TOstrac::wireCommands() {
    connect(ui()->ProgBTN, &QPushButton::clicked, this, [this] { ProgBTNClick(); });
    connect(ui()->ReadBTN, &QPushButton::clicked, this, [this] { ReadBTNClick(); });
    connect(ui()->CompBTN, &QPushButton::clicked, this, [this] { CompBTNClick(); });
    connect(ui()->EraseBTN, &QPushButton::clicked, this, [this] { EraseBTNClick(); });
    connect(ui()->AntiCpBTN, &QPushButton::clicked, this, [this] { AntiCpBTNClick(); });
}

}  // namespace pk

// TOstrac: the user's commands "Brennen", "Lesen", "Vergleichen", "Löschen" and
// "CP entfernen". The sequences are the command layer's; the window builds the
// options from its controls and shows what came back.

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <utility>
#include <vector>

#include "device/commands.h"
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

// The counters and "O.K." came with the result; a success says so in words too.
void showResult(TOstrac& w, const CommandResult& r, const char* done) {
    if (r.ok()) {
        w.setPanel(1, QString::fromUtf8(done));
    }
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
    // A file broken part-way is not burnt half: the load's message has told why.
    const bool complete = Image.HexLoaded ? loadFile() : ToolButton1Click();
    return complete && Image.HexLoaded;
}

BurnOptions TOstrac::burnOptions() {
    BurnOptions o;
    o.includeData = ui()->DATACheckBox->isChecked();
    // The controls hold the file's word already when "aus HEX-File lesen" is checked.
    o.configFromFile = false;
    o.controls = configControls();
    o.ids = Image.IdWords;
    o.fit = FitCheck::Ask;
    return o;
}

void TOstrac::ProgBTNClick() {
    runCommand([this] { burn(session(), burnOptions()); });
}

void TOstrac::ReadBTNClick() {
    runCommand([this] {
        const CommandResult r = read(session());
        // Words that read differently twice: the command's warning has been shown,
        // the save is still offered. Anything else ended before a complete read.
        if (!r.ok() && r.outcome != Outcome::Failed) {
            return;
        }
        if (r.allBlank) {
            dialog().message(kAllBlankText);  // the status bar says so as well
        } else if (r.ok()) {
            // The save dialog covers the blinking "O.K.": the result stays in view here.
            setPanel(1, QString::fromUtf8(kReadDoneText));
        }
        ui()->ToolButton2->setEnabled(true);
        ToolButton2Click();
    });
}

void TOstrac::CompBTNClick() {
    runCommand([this] { verify(session(), burnOptions()); });
}

void TOstrac::EraseBTNClick() {
    runCommand([this] {
        showResult(*this, erase(session(), ui()->DATACheckBox->isChecked()), kEraseDoneText);
    });
}

void TOstrac::AntiCpBTNClick() {
    runCommand([this] {
        showResult(*this, removeProtection(session(), ui()->DATACheckBox->isChecked()),
                   kUnprotectDoneText);
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

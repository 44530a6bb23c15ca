// TOstrac: the user's commands "Brennen", "Lesen", "Vergleichen", "Löschen" and
// "CP entfernen". The sequences are the command layer's; the window builds the
// options from its controls and shows what came back.

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <utility>
#include <vector>

#include "device/family.h"
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

// The result in words for panel 1. A Quick-and-Dirty circuit reads nothing back,
// so its "O.K." would claim a check that was not made.
QString resultText(Command c, const CommandResult& r, bool quickAndDirty) {
    struct Texts {
        const char* done;
        const char* failedPrefix;
    };
    static constexpr Texts kTexts[] = {
        {"PIC gebrannt – O.K.", "Brennen"},
        {"Vergleich – O.K.", "Vergleich"},
        {kReadDoneText, "Lesen"},
        {kEraseDoneText, "Löschen"},
        {kUnprotectDoneText, "CP entfernen"},
    };
    const Texts& t = kTexts[static_cast<int>(c)];
    switch (r.outcome) {
        case Outcome::Ok:
            if (quickAndDirty) {
                return QString::fromUtf8(t.failedPrefix) +
                       QStringLiteral(" – nicht geprüft (Quick and Dirty)");
            }
            return QString::fromUtf8(t.done);
        case Outcome::Failed: {
            const std::int32_t n = c == Command::Read ? r.unstable : r.counters.sum();
            return QString::fromUtf8(t.failedPrefix) +
                   (c == Command::Read ? QStringLiteral(" – %1 Wörter unsicher")
                                       : QStringLiteral(" – %1 Fehler"))
                       .arg(n);
        }
        case Outcome::NoChip:
            return QString::fromUtf8(t.failedPrefix) + QStringLiteral(" – kein PIC erkannt");
        case Outcome::WrongType:
            return QString::fromUtf8(t.failedPrefix) + QStringLiteral(" – falscher PIC-Typ");
        case Outcome::FileUnusable:
            return QString::fromUtf8(t.failedPrefix) +
                   QStringLiteral(" – kein brauchbares HEX-File");
        case Outcome::Cancelled:
            return QString::fromUtf8(t.failedPrefix) + QStringLiteral(" – nicht ausgeführt");
    }
    return QString();
}

// The counters and "O.K." came with the result; the status bar says it in words,
// and panel 0 names the file again instead of the last address worked on.
void showResult(TOstrac& w, Command c, const CommandResult& r) {
    w.setPanel(1, resultText(c, r, w.Settings.QuickAndDirty));
    w.showFileName();
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

CommandOptions TOstrac::commandOptions() {
    CommandOptions o;
    o.path = Image.HexFileName;
    o.includeData = ui()->DATACheckBox->isChecked();
    if (fieldPanelShown()) {
        // The field panel's cells unless "aus HEX-File lesen" is on.
        o.config = fieldSettings();
    } else {
        // The controls hold the file's word already when "aus HEX-File lesen" is checked.
        o.configRule = configRule(configControls(), false);
    }
    if (idWordsShown()) {
        o.ids = std::vector<std::int32_t>(Image.IdWords.begin(), Image.IdWords.end());
    } else if (!ui()->IDCheckBox->isChecked()) {
        // The ID editor's bytes unless "ID-Locations" is on.
        o.ids = std::vector<std::int32_t>(IdBytesEdited.begin(), IdBytesEdited.end());
    }
    return o;
}

std::optional<Part> TOstrac::part() const {
    return partAt(ui_->TypComboBox->currentIndex());
}

void TOstrac::ProgBTNClick() {
    runCommand([this] {
        showResult(*this, Command::Burn,
                   pk::runCommand(session(), Command::Burn, part(), commandOptions()));
    });
}

void TOstrac::ReadBTNClick() {
    runCommand([this] {
        const CommandResult r = pk::runCommand(session(), Command::Read, part(), commandOptions());
        // Words that read differently twice: the command's warning has been shown,
        // the save is still offered. Anything else ended before a complete read.
        if (!r.ok() && r.outcome != Outcome::Failed) {
            showResult(*this, Command::Read, r);
            return;
        }
        if (r.allBlank) {
            dialog().message(kAllBlankText);  // the status bar says so as well
        } else {
            // The save dialog covers the blinking "O.K.": the result stays in view here.
            showResult(*this, Command::Read, r);
        }
        ui()->ToolButton2->setEnabled(true);
        ToolButton2Click();
    });
}

void TOstrac::CompBTNClick() {
    runCommand([this] {
        showResult(*this, Command::Verify,
                   pk::runCommand(session(), Command::Verify, part(), commandOptions()));
    });
}

void TOstrac::EraseBTNClick() {
    runCommand([this] {
        showResult(*this, Command::Erase,
                   pk::runCommand(session(), Command::Erase, part(), commandOptions()));
    });
}

void TOstrac::AntiCpBTNClick() {
    runCommand([this] {
        showResult(*this, Command::Unprotect,
                   pk::runCommand(session(), Command::Unprotect, part(), commandOptions()));
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

// TOstrac: Hardware setup dialog and info window.

#include <QToolButton>

#include "ostrac.h"
#include "setupdialog.h"
#include "startform.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::ToolButton6Click() {
    // One setup at a time, and nothing else meanwhile: a burn started while the
    // circuit is being changed would drive the old one.
    if (setupDialog_ != nullptr && setupDialog_->isVisible()) {
        setupDialog_->raise();
        setupDialog_->activateWindow();
        return;
    }
    // A new dialog each time; a closed one is only hidden and lives as long as the window.
    auto* setup = new TSetupDialog(*this);
    setupDialog_ = setup;
    setup->show();
}

void TOstrac::ToolButton7Click() {
    auto* info = new TStartForm(this);
    info->show();
}

void TOstrac::wireSetup() {
    connect(ui()->ToolButton6, &QToolButton::clicked, this, [this] { ToolButton6Click(); });
    connect(ui()->ToolButton7, &QToolButton::clicked, this, [this] { ToolButton7Click(); });
}

}  // namespace pk

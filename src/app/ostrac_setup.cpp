// TOstrac: Hardware setup dialog and info window.

#include "ostrac.h"
#include "setupdialog.h"
#include "startform.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::ToolButton6Click() {
    // A new dialog each time; a closed one is only hidden and lives as long as the window.
    auto* setup = new TSetupDialog(*this);
    setup->show();
}

void TOstrac::ToolButton7Click() {
    auto* info = new TStartForm(this);
    info->show();
}

void TOstrac::wireSetup() {
    // The tool buttons are connected with the rest of the tool bar.
}

}  // namespace pk

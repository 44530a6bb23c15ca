// TOstrac: Hardware setup dialog and info window.

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::ToolButton6Click() {}

void TOstrac::ToolButton7Click() {}

void TOstrac::wireSetup() {}

}  // namespace pk

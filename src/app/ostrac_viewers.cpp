// TOstrac: The viewer windows.

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::ToolButton8Click() {}

void TOstrac::ToolButton9Click() {}

void TOstrac::ToolButton11Click() {}

void TOstrac::wireViewers() {}

}  // namespace pk

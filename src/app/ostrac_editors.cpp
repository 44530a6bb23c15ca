// TOstrac: Configuration word and ID locations.

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::SetConfiguration() {}

void TOstrac::UpdateConfigButtons() {}

void TOstrac::UpdateID() {}

void TOstrac::ToolButton12Click() {}

void TOstrac::wireEditors() {}

}  // namespace pk

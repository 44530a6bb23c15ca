// TOstrac: HEX files and the settings file.

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::ToolButton1Click() {}

void TOstrac::loadFile() {}

void TOstrac::ToolButton2Click() {}

void TOstrac::LoadSettingsFile() {}

void TOstrac::ApplyQuickAndDirtyView() {}

void TOstrac::wireHex() {}

}  // namespace pk

#pragma once
// "pkorvel-cli types": every catalogue row, with the names --type takes for it.

#include <QJsonArray>
#include <string>

namespace pk::cli {

// One block per row, the PIC18F parts after the 14-bit rows, in German like the
// rest of the tool.
std::string typesText();
// One object per 14-bit row, for --json.
QJsonArray typesJson();
// One object per PIC18F part: sizes in bytes, configuration byte addresses.
QJsonArray p18TypesJson();

}  // namespace pk::cli

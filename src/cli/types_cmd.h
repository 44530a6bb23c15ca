#pragma once
// "pkorvel-cli types": every catalogue row, with the names --type takes for it.

#include <QJsonArray>
#include <string>

namespace pk::cli {

// One block per row, in German like the rest of the tool.
std::string typesText();
// One object per row, for --json.
QJsonArray typesJson();

}  // namespace pk::cli

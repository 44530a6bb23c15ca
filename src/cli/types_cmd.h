#pragma once
// "pkorvel-cli types": every catalogue row, with the names --type takes for it.

#include <QJsonArray>
#include <string>

namespace pk::cli {

// One block per row, in type-list order, in German like the rest of the tool.
std::string typesText();
// One array of objects per family, under the family's key, for --json.
void addTypesJson(QJsonObject& out);

}  // namespace pk::cli

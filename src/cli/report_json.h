#pragma once
// What the device layer reports (a detection, a row of the type list), as
// pkorvel-cli's JSON writes it.

#include <QJsonValue>

#include "device/family.h"

namespace pk::cli {

QJsonValue reportJson(const ReportValue& v);

}  // namespace pk::cli

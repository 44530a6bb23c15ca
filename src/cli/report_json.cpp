// What the device layer reports, as pkorvel-cli's JSON writes it.

#include "report_json.h"

#include <QJsonArray>
#include <QJsonObject>
#include <type_traits>
#include <variant>

namespace pk::cli {

namespace {

QJsonValue scalarJson(const ReportScalar& v) {
    if (const auto* n = std::get_if<std::int64_t>(&v)) {
        return static_cast<qint64>(*n);
    }
    if (const auto* b = std::get_if<bool>(&v)) {
        return *b;
    }
    return QString::fromStdString(std::get<std::string>(v));
}

}  // namespace

QJsonValue reportJson(const ReportValue& v) {
    return std::visit(
        [](const auto& x) -> QJsonValue {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, ReportTable>) {
                QJsonObject o;
                for (const auto& [key, value] : x) {
                    o[QString::fromStdString(key)] = scalarJson(value);
                }
                return o;
            } else if constexpr (std::is_same_v<T, ReportList>) {
                QJsonArray a;
                for (const std::string& item : x) {
                    a.append(QString::fromStdString(item));
                }
                return a;
            } else {
                return scalarJson(ReportScalar(x));
            }
        },
        v.value);
}

}  // namespace pk::cli

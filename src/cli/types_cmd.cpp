#include "types_cmd.h"

#include <QJsonObject>

#include "device/family.h"
#include "report_json.h"

namespace pk::cli {

// Built by appending: GCC 12's release build misreads "text" + std::string(...) as
// overlapping copies.
std::string typesText() {
    std::string out;
    for (const Part& p : allParts()) {
        const RowReport r = p.family->describeRow(p.row);
        out.append(r.heading).append("\n");
        for (const auto& [label, value] : r.lines) {
            std::string head = "  " + label + ":";
            head.resize(std::max<std::size_t>(head.size() + 1, 20), ' ');
            out.append(head).append(value).append("\n");
        }
    }
    return out;
}

void addTypesJson(QJsonObject& out) {
    for (const ChipFamily* family : chipFamilies()) {
        QJsonArray rows;
        for (std::int32_t row = 0; row < family->partCount(); ++row) {
            QJsonObject o;
            for (const ReportValue& v : family->describeRow(row).values) {
                o[QString::fromStdString(v.key)] = reportJson(v);
            }
            rows.append(o);
        }
        const std::string_view key = family->reportKey();
        out[QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()))] = rows;
    }
}

}  // namespace pk::cli

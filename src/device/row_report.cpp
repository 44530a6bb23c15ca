#include "device/row_report.h"

#include <cstdio>

namespace pk {

std::string_view entryOrderText(EntryOrder o) {
    switch (o) {
        case EntryOrder::VddFirst:
            return "VDD, dann VPP";
        case EntryOrder::VppFirst:
            return "VPP vor VDD";
        case EntryOrder::VddThenVppFast:
            return "VDD, sofort danach VPP";
    }
    return "";
}

std::string_view entryOrderKey(EntryOrder o) {
    switch (o) {
        case EntryOrder::VddFirst:
            return "vdd-first";
        case EntryOrder::VppFirst:
            return "vpp-first";
        case EntryOrder::VddThenVppFast:
            return "vdd-then-vpp";
    }
    return "";
}

std::string voltsText(int centivolts) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d,%02d", centivolts / 100, centivolts % 100);
    return buf;
}

std::string joinedText(const std::vector<std::string>& items) {
    std::string s;
    for (const std::string& i : items) {
        s.append(s.empty() ? "" : ", ").append(i);
    }
    return s;
}

}  // namespace pk

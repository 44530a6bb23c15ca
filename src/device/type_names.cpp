#include "device/type_names.h"

namespace pk {

std::vector<std::string_view> typeNames(const DeviceInfo& d) {
    std::vector<std::string_view> names;
    for (std::string_view s : d.switches) {
        if (s.starts_with("/p")) {
            names.push_back(s.substr(2));
        }
    }
    return names;
}

std::string allTypeNames() {
    std::string all;
    for (const DeviceInfo& d : kDevices) {
        for (std::string_view n : typeNames(d)) {
            all.append(all.empty() ? "" : ", ").append(n);
        }
    }
    return all;
}

}  // namespace pk

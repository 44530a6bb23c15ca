#include "device/type_names.h"

#include <cctype>

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

std::string typeName(const P18Device& d) {
    std::string name(d.name);
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

std::string allTypeNames() {
    std::string all;
    for (const DeviceInfo& d : kDevices) {
        for (std::string_view n : typeNames(d)) {
            all.append(all.empty() ? "" : ", ").append(n);
        }
    }
    for (const P18Device& d : kP18Devices) {
        all.append(", ").append(typeName(d));
    }
    return all;
}

}  // namespace pk

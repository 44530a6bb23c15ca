#include "link/circuit.h"

namespace pk {

namespace {

// The items of the setup dialog's lists.
constexpr const char* kDriverNames[kDriverCount] = {"7406", "7407 / keine", "AN589 / FA"};
constexpr const char* kSwitchNames[kSwitchCount] = {"4066 / npn / pnp+7406", "pnp / pnp+7407",
                                                    "von Hand", "AN589 / FA"};

// findCircuit takes the first match, so no combination may have two rows.
constexpr bool everyRowIsFound() {
    for (const Circuit& c : kCircuits) {
        if (findCircuit(static_cast<std::int32_t>(c.driver),
                        static_cast<std::int32_t>(c.voltage)) != &c) {
            return false;
        }
    }
    return true;
}
static_assert(everyRowIsFound(), "two rows for one combination");

}  // namespace

std::optional<std::string> circuitRefusal(std::int32_t driverIndex, std::int32_t switchIndex) {
    if (findCircuit(driverIndex, switchIndex) != nullptr) {
        return std::nullopt;
    }
    if (driverIndex < 0 || driverIndex >= kDriverCount || switchIndex < 0 ||
        switchIndex >= kSwitchCount) {
        return "Die Hardwareeinstellung nennt einen unbekannten Treiber (" +
               std::to_string(driverIndex) + ") oder Spannungsschalter (" +
               std::to_string(switchIndex) +
               ").\rBitte Treiber und Spannungsschalter in der Hardwareeinstellung wählen.";
    }
    return std::string("Treiber \"") + kDriverNames[driverIndex] + "\" und Spannungsschalter \"" +
           kSwitchNames[switchIndex] +
           "\" passen nicht zusammen: beim AN589-Treiber gibt D2 die Datenleitung frei und kann "
           "nicht zugleich VDD schalten.\rMit diesem Treiber bitte \"AN589 / FA\" oder \"von "
           "Hand\" als Spannungsschalter wählen.";
}

}  // namespace pk

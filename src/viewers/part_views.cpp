#include "viewers/part_views.h"

#include <array>
#include <utility>

#include "device/families/baseline/family.h"
#include "device/families/midrange14/family.h"
#include "device/families/pic18/family.h"

namespace pk {

const PartViews& viewsOf(const Part& part) {
    static const std::array<std::pair<const ChipFamily*, const PartViews*>, 3> views{{
        {&midrange14Family(), &midrange14Views()},
        {&pic18Family(), &pic18Views()},
        {&baselineFamily(), &baselineViews()},
    }};
    for (const auto& [family, v] : views) {
        if (family == part.family) {
            return *v;
        }
    }
    return midrange14Views();
}

}  // namespace pk

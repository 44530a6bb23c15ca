#include "sim/chip.h"

#include <cctype>
#include <string>

#include "sim/families/p18.h"
#include "sim/family.h"

namespace pk::sim {

using std::chrono::milliseconds;

// Each row names its family's behaviour; a new family is a families/<name>.cpp
// and its rows here.
const std::vector<ChipModel>& chipModels() {
    // Device IDs carry a plausible silicon revision in bits 4..0.
    static const std::vector<ChipModel> models{
        {"16F84", Family::F84, &familyF84(), 1024, 64, 0x0000, 0x3FFF},
        {"16F84A", Family::F84, &familyF84(), 1024, 64, 0x0561, 0x3FFF},
        {"16F870", Family::F87x, &familyF87x(), 2048, 64, 0x0D06, 0x3BFF},
        {"16F871", Family::F87x, &familyF87x(), 2048, 64, 0x0D26, 0x3BFF},
        {"16F872", Family::F87x, &familyF87x(), 2048, 64, 0x08E6, 0x3BFF},
        {"16F873", Family::F87x, &familyF87x(), 4096, 128, 0x0966, 0x3BFF},
        {"16F874", Family::F87x, &familyF87x(), 4096, 128, 0x0926, 0x3BFF},
        {"16F876", Family::F87x, &familyF87x(), 8192, 256, 0x09E6, 0x3BFF},
        {"16F877", Family::F87x, &familyF87x(), 8192, 256, 0x09A6, 0x3BFF},
        {"16F73", Family::F7x, &familyF7x(), 4096, 0, 0x0602, 0x005F},
        {"16F74", Family::F7x, &familyF7x(), 4096, 0, 0x0622, 0x005F},
        {"16F76", Family::F7x, &familyF7x(), 8192, 0, 0x0642, 0x005F},
        {"16F77", Family::F7x, &familyF7x(), 8192, 0, 0x0662, 0x005F},
        {"16F72", Family::F7x, &familyF7x(), 2048, 0, 0x00A4, 0x005F},
        {"16F627", Family::F62x, &familyF62x(), 1024, 128, 0x07A3, 0x3DFF},
        {"16F628", Family::F62x, &familyF62x(), 2048, 128, 0x07C3, 0x3DFF},
        {"16F627A", Family::F62xA, &familyF62xA(), 1024, 128, 0x1042, 0x21FF},
        {"16F628A", Family::F62xA, &familyF62xA(), 2048, 128, 0x1062, 0x21FF},
        {"16F648A", Family::F62xA, &familyF62xA(), 4096, 256, 0x1102, 0x21FF},
        {"16F873A", Family::F87xA, &familyF87xA(), 4096, 128, 0x0E43, 0x2FCF},
        {"16F874A", Family::F87xA, &familyF87xA(), 4096, 128, 0x0E63, 0x2FCF},
        {"16F876A", Family::F87xA, &familyF87xA(), 8192, 256, 0x0E03, 0x2FCF},
        {"16F877A", Family::F87xA, &familyF87xA(), 8192, 256, 0x0E23, 0x2FCF},
        {"16F87", Family::F88, &familyF88(), 4096, 256, 0x0723, 0x3FFF, 0x0003},
        {"16F88", Family::F88, &familyF88(), 4096, 256, 0x0763, 0x3FFF, 0x0003},
        {"16F818", Family::F88, &familyF88(), 1024, 128, 0x04C3, 0x3FFF, 0, milliseconds(8)},
        {"16F819", Family::F88, &familyF88(), 2048, 256, 0x04E3, 0x3FFF, 0, milliseconds(8)},
        {"12F629", Family::F629, &familyF629(), 1024, 128, 0x0F82, 0x31FF},
        {"12F675", Family::F629, &familyF629(), 1024, 128, 0x0FC2, 0x31FF},
        {"16F630", Family::F629, &familyF629(), 1024, 128, 0x10C2, 0x31FF},
        {"16F676", Family::F629, &familyF629(), 1024, 128, 0x10E2, 0x31FF},
        {"16F882", Family::F88x, &familyF88x(), 2048, 128, 0x2003, 0x3FFF, 0x0700},
        {"16F883", Family::F88x, &familyF88x(), 4096, 256, 0x2023, 0x3FFF, 0x0700},
        {"16F884", Family::F88x, &familyF88x(), 4096, 256, 0x2043, 0x3FFF, 0x0700},
        {"16F886", Family::F88x, &familyF88x(), 8192, 256, 0x2062, 0x3FFF, 0x0700},
        {"16F887", Family::F88x, &familyF88x(), 8192, 256, 0x2083, 0x3FFF, 0x0700},
        {"12F683", Family::F6xx, &familyF6xx(), 2048, 256, 0x0463, 0x0FFF},
        {"16F684", Family::F6xx, &familyF6xx(), 2048, 256, 0x1083, 0x0FFF},
        {"16F688", Family::F6xx, &familyF6xx(), 4096, 256, 0x1184, 0x0FFF},
        {"16F631", Family::F6xx, &familyF6xx(), 1024, 128, 0x1423, 0x0FFF},
        {"16F677", Family::F6xx, &familyF6xx(), 2048, 256, 0x1443, 0x0FFF},
        {"16F685", Family::F6xx, &familyF6xx(), 4096, 256, 0x04A3, 0x0FFF},
        {"16F687", Family::F6xx, &familyF6xx(), 2048, 256, 0x1323, 0x0FFF},
        {"16F689", Family::F6xx, &familyF6xx(), 4096, 256, 0x1343, 0x0FFF},
        {"16F690", Family::F6xx, &familyF6xx(), 4096, 256, 0x1405, 0x0FFF},
        {"12F609", Family::F61x, &familyF61x(), 1024, 0, 0x2242, 0x03FF},
        {"12F615", Family::F61x, &familyF61x(), 1024, 0, 0x2182, 0x03FF},
        {"16F610", Family::F61x, &familyF61x(), 1024, 0, 0x2262, 0x03FF},
        {"16F616", Family::F61x, &familyF61x(), 2048, 0, 0x1242, 0x03FF},
        {"16F716", Family::F716, &familyF716(), 2048, 0, 0x1144, 0x20CF},
        // The 16F91x keep their revision in bits 3..0 only.
        {"16F913", Family::F91x, &familyF91x(), 4096, 256, 0x13E2, 0x1FFF},
        {"16F914", Family::F91x, &familyF91x(), 4096, 256, 0x13C2, 0x1FFF},
        {"16F916", Family::F91x, &familyF91x(), 8192, 256, 0x13A2, 0x1FFF},
        {"16F917", Family::F91x, &familyF91x(), 8192, 256, 0x1382, 0x1FFF},
        {"16F946", Family::F91x, &familyF91x(), 8192, 256, 0x1462, 0x1FFF},
        {"16F785", Family::F785, &familyF785(), 2048, 256, 0x1203, 0x0FFF},
    };
    return models;
}

CycleTimes cycleTimes(const ChipModel& model) {
    return model.behaviour->cycleTimes(model);
}

const ChipModel* findChip(std::string_view name) {
    std::string n;
    for (char c : name) {
        n += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (n.rfind("PIC", 0) == 0) {
        n.erase(0, 3);
    }
    for (const auto* table : {&chipModels(), &p18Models(), &baselineModels()}) {
        for (const auto& s : *table) {
            if (s.name == n) {
                return &s;
            }
        }
    }
    return nullptr;
}

}  // namespace pk::sim

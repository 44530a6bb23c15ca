// The configuration fields checked against the catalogue's masks and erased
// values for every part, and a few values against the assembler's header.

#include "device/p18_config_fields.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace pk {
namespace {

std::string trace(const P18Device& d, const P18ConfigField& f) {
    return std::string(d.name) + " " + std::string(f.name);
}

TEST(P18ConfigFields, FieldsCoverEveryImplementedBitOnce) {
    for (const P18Device& d : kP18Devices) {
        SCOPED_TRACE(std::string(d.name));
        const auto fields = p18ConfigFields(d);
        ASSERT_FALSE(fields.empty());
        P18ConfigBytes covered{};
        std::set<std::string_view> names;
        for (const P18ConfigField& f : fields) {
            SCOPED_TRACE(std::string(f.name));
            ASSERT_GE(f.cell, 0);
            ASSERT_LT(f.cell, p18addr::kConfigBytes);
            const auto n = static_cast<std::size_t>(f.cell);
            ASSERT_NE(f.mask, 0);
            // Contiguous: the mask shifted down is 2^k - 1.
            EXPECT_EQ(f.maxRaw() & (f.maxRaw() + 1), 0);
            EXPECT_EQ(f.mask & ~d.configMask[n], 0) << "bit the part does not have";
            EXPECT_EQ(covered[n] & f.mask, 0) << "overlaps another field";
            covered[n] = static_cast<std::uint8_t>(covered[n] | f.mask);
            EXPECT_TRUE(names.insert(f.name).second) << "name twice";
            EXPECT_FALSE(f.description.empty());
            std::set<std::uint8_t> raws;
            for (const P18FieldValue& v : f.values) {
                EXPECT_LE(v.raw, f.maxRaw());
                EXPECT_TRUE(raws.insert(v.raw).second) << "value twice";
                EXPECT_FALSE(v.name.empty());
            }
            EXPECT_EQ(p18FindField(d, f.name), &f);
        }
        EXPECT_EQ(covered, d.configMask) << "a bit no field edits";
    }
}

TEST(P18ConfigFields, EveryValueRoundTripsAndLeavesTheRestAlone) {
    for (const P18Device& d : kP18Devices) {
        const auto fields = p18ConfigFields(d);
        P18ConfigBytes ones;
        ones.fill(0xFF);
        for (const P18ConfigBytes& start : {d.configErased, d.configMask, P18ConfigBytes{}, ones}) {
            for (const P18ConfigField& f : fields) {
                SCOPED_TRACE(trace(d, f));
                for (unsigned raw = 0; raw <= f.maxRaw(); ++raw) {
                    P18ConfigBytes b = start;
                    p18SetFieldValue(f, b, static_cast<std::uint8_t>(raw));
                    EXPECT_EQ(p18FieldValue(f, b), raw);
                    for (std::size_t n = 0; n < b.size(); ++n) {
                        const std::uint8_t keep =
                            n == static_cast<std::size_t>(f.cell) ? f.mask : 0;
                        EXPECT_EQ(b[n] & ~keep, start[n] & ~keep) << "byte " << n;
                    }
                    for (const P18ConfigField& other : fields) {
                        if (&other != &f) {
                            EXPECT_EQ(p18FieldValue(other, b), p18FieldValue(other, start))
                                << other.name;
                        }
                    }
                    EXPECT_FALSE(p18ValueName(f, b).empty());
                }
                // Bits above the field do not spill into its neighbours.
                P18ConfigBytes b = start;
                p18SetFieldValue(f, b, 0xFF);
                EXPECT_EQ(p18FieldValue(f, b), f.maxRaw());
                EXPECT_EQ(b[static_cast<std::size_t>(f.cell)] & ~f.mask,
                          start[static_cast<std::size_t>(f.cell)] & ~f.mask);
            }
        }
    }
}

TEST(P18ConfigFields, ErasedValuesHaveNames) {
    // The 18Fx220 erase BORV to 0x3, which names no threshold.
    const std::set<std::pair<std::string_view, std::string_view>> reservedWhenErased = {
        {"18F1220", "BORV"}, {"18F1320", "BORV"}};
    for (const P18Device& d : kP18Devices) {
        for (const P18ConfigField& f : p18ConfigFields(d)) {
            SCOPED_TRACE(trace(d, f));
            const std::uint8_t erased = p18FieldErased(d, f);
            EXPECT_EQ(findValue(f, erased) == nullptr,
                      reservedWhenErased.contains({d.name, f.name}));
            // An erased chip is unprotected.
            if (f.group == P18FieldGroup::Schutz) {
                EXPECT_EQ(valueName(f, erased), "Aus");
            }
        }
    }
    // What the erased bytes say where the facts spell it out.
    struct Case {
        std::string_view part, field, name;
    };
    const Case cases[] = {
        {"18F4550", "FOSC", "Externer Takt, CLKO an RA6 (EC)"},
        {"18F4550", "FCMEN", "Aus"},
        {"18F4550", "VREGEN", "Aus"},
        {"18F4550", "LPT1OSC", "Aus, höhere Leistung"},
        {"18F4550", "LVP", "Ein"},
        {"18F4550", "PLLDIV", "÷1, 4 MHz Eingang (1)"},
        {"18F2321", "BBSIZ", "0x000–0x1FF, 512 Byte (BB256)"},
        {"18F2520", "FOSC", "Externer RC, Port an RA6 (RCIO6)"},
        {"18F452", "FOSC", "Externer RC, Port an RA6 (RCIO)"},
        {"18F452", "BORV", "2,0 V (20)"},
        {"18F458", "BORV", "2,5 V (25)"},
        {"18F1220", "BORV", "reserviert (0x3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.part) + " " + std::string(c.field));
        const P18Device* d = p18ByName(c.part);
        ASSERT_NE(d, nullptr);
        const P18ConfigField* f = p18FindField(*d, c.field);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(p18ValueName(*f, d->configErased), c.name);
    }
}

TEST(P18ConfigFields, ProtectionFieldsAreExactlyTheProtectionBits) {
    for (const P18Device& d : kP18Devices) {
        SCOPED_TRACE(std::string(d.name));
        P18ConfigBytes shielded{};
        for (const P18ConfigField& f : p18ConfigFields(d)) {
            if (f.group == P18FieldGroup::Schutz) {
                EXPECT_EQ(f.maxRaw(), 1) << f.name;
                auto& b = shielded[static_cast<std::size_t>(f.cell)];
                b = static_cast<std::uint8_t>(b | f.mask);
            }
        }
        for (int i = 0; i < d.configBytes(); ++i) {
            EXPECT_EQ(shielded[static_cast<std::size_t>(i)], d.protectionBits(i)) << "byte " << i;
        }
    }
}

TEST(P18ConfigFields, PartsDifferWhereTheirChipsDo) {
    struct Case {
        std::string_view part, field;
        bool present;
    };
    const Case cases[] = {
        {"18F2455", "CP2", true},    {"18F2455", "CP3", false},    {"18F4550", "EBTR3", true},
        {"18F2420", "WRT1", true},   {"18F2420", "WRT2", false},   {"18F2525", "EBTR2", true},
        {"18F2525", "EBTR3", false}, {"18F2620", "CP3", true},     {"18F2321", "BBSIZ", true},
        {"18F2520", "BBSIZ", false}, {"18F2455", "ICPRT", true},   {"18F4620", "ICPRT", false},
        {"18F2550", "PLLDIV", true}, {"18F4520", "VREGEN", false}, {"18F252", "CCP2MX", true},
        {"18F258", "CCP2MX", false}, {"18F448", "CCP2MX", false},  {"18F442", "OSCSEN", true},
        {"18F1220", "MCLRE", true},  {"18F1320", "PBADEN", false}, {"18F1220", "FSCM", true},
        {"18F1220", "CP2", false},   {"18F452", "XINST", false},
    };
    for (const Case& c : cases) {
        const P18Device* d = p18ByName(c.part);
        ASSERT_NE(d, nullptr) << c.part;
        EXPECT_EQ(p18FindField(*d, c.field) != nullptr, c.present) << c.part << " " << c.field;
    }
}

// Values from gputils' processor headers (p18f4550.inc, p18f2321.inc,
// p18f452.inc, p18f1220.inc): the byte the setting leaves with every other bit 1.
TEST(P18ConfigFields, AgreesWithTheAssemblerHeaders) {
    struct Case {
        std::string_view part, field, assemblerName;
        std::uint8_t headerByte;
    };
    const Case cases[] = {
        {"18F4550", "FOSC", "(HSPLL)", 0xFE},                         // _FOSC_HSPLL_HS_1H
        {"18F4550", "FOSC", "(ECPIO)", 0xF6},                         // _FOSC_ECPLLIO_EC_1H
        {"18F4550", "PLLDIV", "(5)", 0xFC},                           // _PLLDIV_5_1L
        {"18F4550", "CPUDIV", "(OSC2_PLL3)", 0xEF},                   // _CPUDIV_OSC2_PLL3_1L
        {"18F4550", "USBDIV", "(1)", 0xDF},                           // _USBDIV_1_1L
        {"18F4550", "WDTPS", "1:256", 0xF1},                          // _WDTPS_256_2H
        {"18F4550", "BORV", "(0)", 0xE7},                             // _BORV_0_2L
        {"18F4550", "DEBUG", "Ein, RB6/RB7 für den Debugger", 0x7F},  // _DEBUG_ON_4L
        {"18F4550", "CP3", "Ein", 0xF7},                              // _CP3_ON_5L
        {"18F4550", "EBTRB", "Ein", 0xBF},                            // _EBTRB_ON_7H
        {"18F2520", "FOSC", "(INTIO67)", 0xF8},                       // _OSC_INTIO67_1H
        {"18F2321", "BBSIZ", "(BB512)", 0xDF},                        // _BBSIZ_BB512_4L
        {"18F452", "FOSC", "(HSPLL)", 0xFE},                          // _HSPLL_OSC_1H
        {"18F452", "OSCSEN", "Ein", 0xDF},                            // _OSCS_ON_1H
        {"18F452", "BORV", "(27)", 0xFB},                             // _BORV_27_2L
        {"18F1220", "FOSC", "(INTIO2)", 0xF8},                        // _INTIO2_OSC_1H
        {"18F1220", "BORV", "(42)", 0xF7},                            // _BORV_42_2L
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.part) + " " + std::string(c.field) + " " +
                     std::string(c.assemblerName));
        const P18Device* d = p18ByName(c.part);
        ASSERT_NE(d, nullptr);
        const P18ConfigField* f = p18FindField(*d, c.field);
        ASSERT_NE(f, nullptr);
        // The first value of that name: several codes may share one.
        const P18FieldValue* value = nullptr;
        for (const P18FieldValue& v : f->values) {
            if (value == nullptr &&
                (v.name == c.assemblerName || v.name.ends_with(std::string(c.assemblerName)))) {
                value = &v;
            }
        }
        ASSERT_NE(value, nullptr);
        P18ConfigBytes b;
        b.fill(0xFF);
        p18SetFieldValue(*f, b, value->raw);
        EXPECT_EQ(b[static_cast<std::size_t>(f->cell)], c.headerByte);
    }
}

}  // namespace
}  // namespace pk

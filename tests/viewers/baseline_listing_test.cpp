#include "viewers/baseline_listing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace pk {
namespace {

constexpr std::uint16_t kAbsent = 0xFFFF;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(BaselineListing, HeadingAndColumnsOfTheFourteenBitListing) {
    const std::vector<std::uint16_t> program = {0x0C25};
    EXPECT_EQ(baselineListing(program, 0, {}, std::nullopt, "C:/prog/blink.hex"),
              "PIC-Assembler-Listing by Velmor 2001\n\nC:/prog/blink.hex\n\n"
              " Adr. Code Marke  Mnemonic  \n================================\n"
              "            START\n"
              " 0000 0C25        MOVLW   25h          ; OSCCAL-Kalibrierwert (MOVLW)\n"
              "end of file\n");
}

TEST(BaselineListing, LinesAfterTheHeading) {
    const std::string label(12, ' ');
    struct Row {
        const char* fault;
        std::vector<std::uint16_t> program;
        std::uint32_t resetVector;
        std::vector<std::uint16_t> ids;
        std::optional<std::uint16_t> config;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"labels out of place, a pause after a skipped GOTO or inside a RETLW table, "
         "a label past memory, absent words listed, the calibration not marked",
         {0xA05, kAbsent, kAbsent, kAbsent, 0x841, 0x842, 0x904, 0x703, 0xA06, 0x003, 0xBFF,
          kAbsent, kAbsent, kAbsent, kAbsent, 0xC50},
         15,
         {},
         std::nullopt,
         {
             label + "START",
             " 0000 0A05        GOTO    M0005        ",
             "",
             "",
             label + "M0004",
             " 0004 0841        RETLW   41h          ; 'A'",
             "",
             label + "M0005",
             " 0005 0842        RETLW   42h          ; 'B'",
             label + "M0006",
             " 0006 0904        CALL    M0004        ",
             " 0007 0703        BTFSS   STATUS,C     ",
             " 0008 0A06        GOTO    M0006        ",
             " 0009 0003        SLEEP                ",
             "",
             " 000A 0BFF        GOTO    M01FF        ",
             "",
             "",
             " 000F 0C50        MOVLW   50h          ; OSCCAL-Kalibrierwert (MOVLW)",
             "end of file",
         }},
        {"a GOTO in the reset vector (16F5x) taken for the calibration, the label of "
         "address 0 lost behind START, IDs or configuration not shown",
         {0x000, kAbsent, kAbsent, 0xA00},
         3,
         {0x001, kAbsent, 0x00A, 0x00F},
         0x0FEA,
         {
             label + "START",
             label + "M0000",
             " 0000 0000        NOP                  ",
             "",
             " 0003 0A00        GOTO    M0000        ",
             "",
             "",
             "; ID 0x0004: 001 --- 00A 00F",
             "",
             "; CONFIG (0x0FFF) = 0xFEA",
             "end of file",
         }},
        {"a leading gap lost, a pause after a GOTO that DECFSZ skips, absent IDs or "
         "configuration shown",
         {kAbsent, 0x2E3, 0xA01, 0xC25},
         3,
         {kAbsent, kAbsent, kAbsent, kAbsent},
         kAbsent,
         {
             "",
             label + "M0001",
             " 0001 02E3        DECFSZ  STATUS,f     ",
             " 0002 0A01        GOTO    M0001        ",
             " 0003 0C25        MOVLW   25h          ; OSCCAL-Kalibrierwert (MOVLW)",
             "end of file",
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        const std::vector<std::string> lines =
            splitLines(baselineListing(r.program, r.resetVector, r.ids, r.config, "x.hex"));
        ASSERT_GT(lines.size(), 6u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.end()), r.expected);
    }
}

}  // namespace
}  // namespace pk

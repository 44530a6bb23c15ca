#include "viewers/enhanced_listing.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <vector>

#include "viewers/isa/enhanced14.h"

namespace pk {
namespace {

// ---- The decoder: what the gpdasm cross-check does not see ----------------------
//
// The cross-check compares operand values on a 4K chip; these rows hold the
// comments, the flags the layout reads and targets past the chip's ends.

TEST(EnhancedDecode, TextFlagsAndTargets) {
    constexpr unsigned Skip = 1, Call = 2, Jump = 4, Stop = 8, Retlw = 16;
    const std::optional<std::uint16_t> none;
    struct Row {
        std::uint16_t word;
        std::uint16_t address;
        std::string_view text;  // mnemonic, operands, "; " and the comment
        unsigned flags;
        std::optional<std::uint16_t> target;
        std::string_view fault;
    };
    const Row rows[] = {
        {0x32FF, 0x7FFF, "BRA M00FF", Jump | Stop, 0x00FF, "no wrap past the top"},
        {0x27FF, 0x1800, "CALL M07FF", Call, 0x07FF, "page guessed from the address"},
        {0x000B, 0x0000, "BRW ; Sprung um W", Stop, none, "BRW runs on into the next word"},
        {0x000A, 0x0000, "CALLW ; Aufruf PCLATH:W", 0, none, "CALLW given a target"},
        {0x0001, 0x0000, "RESET", Stop, none, "RESET runs on"},
        {0x1383, 0x0000, "BCF STATUS,7", 0, none, "unimplemented STATUS bit named"},
        {0x31FF, 0x0000, "MOVLP 7Fh", 0, none, "page number read as a character"},
        {0x0067, 0x0000, "TRIS 0x07 ; W nach TRISC", 0, none, "TRIS port"},
        {0x0061, 0x0000, "DW 0x0061 ; kein Befehl", 0, none, "HALT of another core"},
        {0x4100, 0x0000, "CLRW", 0, none, "bits above 13 read"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        const EnhancedDecoded d = decodeEnhanced(r.word, r.address);
        std::string text(d.mnemonic);
        text += d.operands.empty() ? "" : " " + d.operands;
        text += d.comment.empty() ? "" : " ; " + d.comment;
        EXPECT_EQ(text, r.text);
        const unsigned flags = (d.skip ? Skip : 0u) | (d.call ? Call : 0u) | (d.jump ? Jump : 0u) |
                               (d.stop ? Stop : 0u) | (d.retlw ? Retlw : 0u);
        EXPECT_EQ(flags, r.flags);
        EXPECT_EQ(d.target, r.target);
    }
}

// ---- The listing --------------------------------------------------------------

constexpr std::uint16_t kAbsent = 0x8000;

std::vector<std::string> bodyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    // Title, heading and column header.
    return lines.size() > 6 ? std::vector<std::string>(lines.begin() + 6, lines.end()) : lines;
}

TEST(EnhancedListing, Layout) {
    const std::string label(12, ' ');
    struct Row {
        std::string_view fault;
        std::map<std::uint16_t, std::uint16_t> program;  // the rest of 0x20 words is absent
        std::vector<std::uint16_t> configArea;
        std::vector<std::uint16_t> eeprom;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"BRA labels, INT after a branch over the vector, pauses after skips and tables",
         {{0x00, 0x320F},   // BRA 0x10 from the reset vector
          {0x04, 0x0009},   // RETFIE
          {0x10, 0x1D03},   // BTFSS: no pause after the BRA it skips
          {0x11, 0x33FE},   // BRA 0x10
          {0x12, 0x2014},   // CALL 0x14, then a gap
          {0x14, 0x3441},   // RETLW table: a pause after the first only
          {0x15, 0x3442},   //
          {0x16, 0x3300}},  // BRA out of the program: no label
         {},
         {},
         {label + "START",
          " 0000 320F        BRA     M0010        ",
          "",
          "",
          label + "INT",
          " 0004 0009        RETFIE               ",
          "",
          "",
          label + "M0010",
          " 0010 1D03        BTFSS   STATUS,Z     ",
          " 0011 33FE        BRA     M0010        ",
          " 0012 2014        CALL    M0014        ",
          "",
          label + "M0014",
          " 0014 3441        RETLW   41h          ; 'A'",
          "",
          " 0015 3442        RETLW   42h          ; 'B'",
          " 0016 3300        BRA     M7F17        ",
          "",
          "end of file"}},
        {"INT named without a jump over the vector; the vector unlabelled as a call target",
         {{0x00, 0x2803}, {0x01, 0x2004}, {0x03, 0x0000}, {0x04, 0x0008}},
         {},
         {},
         {label + "START", " 0000 2803        GOTO    M0003        ", "",
          " 0001 2004        CALL    M0004        ", "", label + "M0003",
          " 0003 0000        NOP                  ", label + "M0004",
          " 0004 0008        RETURN               ", "", "end of file"}},
        {"user IDs, configuration words and EEPROM bytes lost or shown when absent",
         {},
         {0x0001, kAbsent, kAbsent, 0x3FFF, kAbsent, kAbsent, 0x27A0, kAbsent, 0x1EFF},
         std::vector<std::uint16_t>(32, kAbsent),
         {"", "; ID 0x8000: 0001 ---- ---- 3FFF", "", "; CONFIG2 (0x8008) = 0x1EFF", "",
          "; EEPROM 0xF010: -- -- 33 -- -- -- -- -- -- -- -- -- -- -- -- A5", "end of file"}},
    };
    for (Row r : rows) {
        SCOPED_TRACE(r.fault);
        std::vector<std::uint16_t> program(0x20, kAbsent);
        for (auto [address, word] : r.program) {
            program[address] = word;
        }
        if (!r.eeprom.empty()) {
            r.eeprom[0x12] = 0x33;
            r.eeprom[0x1F] = 0xA5;
        }
        EXPECT_EQ(bodyLines(enhancedListing(program, r.configArea, r.eeprom, "f1827.hex")),
                  r.expected);
    }
}

TEST(EnhancedListing, TitleAndHeading) {
    EXPECT_EQ(enhancedListing({}, {}, {}, "C:/prog/f1827.hex"),
              "PIC-Assembler-Listing by Velmor 2001\n\nC:/prog/f1827.hex\n\n"
              " Adr. Code Marke  Mnemonic  \n================================\n"
              "end of file\n");
}

}  // namespace
}  // namespace pk

#include "viewers/reassembler.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "viewers/isa/midrange14.h"

namespace pk {
namespace {

constexpr std::int32_t k16F84Last = 0x03FF;
constexpr std::int32_t k16F877Last = 0x1FFF;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

// The listing's lines after the six header lines.
std::vector<std::string> body(const std::string& text) {
    std::vector<std::string> lines = splitLines(text);
    EXPECT_GE(lines.size(), 7u);
    return std::vector<std::string>(lines.begin() + 6, lines.end());
}

std::string listing(const std::vector<std::pair<int, std::uint16_t>>& words,
                    std::int32_t last = k16F84Last, const std::string& file = "test.hex") {
    MemoryImage image;
    image.HexFileName = file;
    for (auto [addr, word] : words) {
        image.HexWords[static_cast<std::size_t>(addr)] = word;
    }
    return reassemble(image, last);
}

const std::string kLabelIndent(12, ' ');

TEST(Reassembler, EmptyImageHasHeaderAndEndOnly) {
    MemoryImage image;
    EXPECT_EQ(reassemble(image, k16F877Last),
              "PIC-Assembler-Listing by Velmor 2001\n"
              "\n"
              "\n"
              "\n"
              " Adr. Code Marke  Mnemonic  \n"
              "================================\n"
              "end of file\n");
}

TEST(Reassembler, HeaderNamesTheFile) {
    std::vector<std::string> lines = splitLines(listing({}, k16F84Last, "C:/prog/blink.hex"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "C:/prog/blink.hex");
    EXPECT_EQ(lines[6], "end of file");
}

TEST(Reassembler, LineLayoutToTheCharacter) {
    // 0x1683 at 1: BSF STATUS,RP0 - five, five, eight, eight and thirteen characters.
    // 0x0086 at 2: MOVWF with the register comment and its trailing blank.
    std::vector<std::string> b = body(listing({{1, 0x1683}, {2, 0x0086}}));
    ASSERT_EQ(b.size(), 4u);
    EXPECT_EQ(b[0], "");  // the absent words before, and at the end of the previous pass
    EXPECT_EQ(b[1], " 0001 1683        BSF     STATUS,RP0   ");
    EXPECT_EQ(b[1].size(), 39u);
    EXPECT_EQ(b[2], " 0002 0086        MOVWF   0x06         ; PORTB/TRISB ");
    EXPECT_EQ(b[3], "end of file");
}

TEST(Reassembler, StartIntAndJumpLabels) {
    // GOTO from the reset vector past the interrupt vector: address 4 becomes "INT".
    Reassembler r;
    MemoryImage image;
    image.HexWords[0] = 0x2805;
    image.HexWords[4] = 0x0000;
    image.HexWords[5] = 0x3041;
    const std::string text = r.run(image, k16F84Last);
    EXPECT_TRUE(r.interruptLabel());
    std::vector<std::string> b = body(text);
    std::vector<std::string> expected = {
        "",
        kLabelIndent + "START",
        " 0000 2805        GOTO    M0005        ",
        "",
        "",  // gap of 1..3
        kLabelIndent + "INT",
        " 0004 0000        NOP                  ",
        kLabelIndent + "M0005",
        " 0005 3041        MOVLW   41h          ; 'A' ",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, GotoToInterruptVectorGivesNoLabelThere) {
    Reassembler r;
    MemoryImage image;
    image.HexWords[0] = 0x2804;  // GOTO 4
    image.HexWords[4] = 0x0064;
    const std::string text = r.run(image, k16F84Last);
    EXPECT_FALSE(r.interruptLabel());
    std::vector<std::string> b = body(text);
    std::vector<std::string> expected = {
        "",
        kLabelIndent + "START",
        " 0000 2804        GOTO    M0004        ",
        "",
        "",
        " 0004 0064        CLRWDT               ",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, CallFromResetVectorSetsNoInterruptLabel) {
    Reassembler r;
    MemoryImage image;
    image.HexWords[0] = 0x2010;  // CALL 0x10
    image.HexWords[4] = 0x0000;
    r.run(image, k16F84Last);
    EXPECT_FALSE(r.interruptLabel());
    // A GOTO past the vector from address 4 itself does not count either.
    image.HexWords[0] = 0x0000;
    image.HexWords[4] = 0x2810;
    r.run(image, k16F84Last);
    EXPECT_FALSE(r.interruptLabel());
}

TEST(Reassembler, BackwardAndForwardTargetsBothGetLabels) {
    // 0x10: CALL 0x20 (forward); 0x20: RETURN; 0x21: GOTO 0x10 (backward); 0x22: GOTO $.
    std::vector<std::string> b =
        body(listing({{0x10, 0x2020}, {0x20, 0x0008}, {0x21, 0x2810}, {0x22, 0x2822}}));
    std::vector<std::string> expected = {
        "",
        kLabelIndent + "M0010",
        " 0010 2020        CALL    M0020        ",
        "",
        kLabelIndent + "M0020",
        " 0020 0008        RETURN               ",
        "",
        " 0021 2810        GOTO    M0010        ",
        "",
        kLabelIndent + "M0022",
        " 0022 2822        GOTO    M0022        ",
        "",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, EmptyLinesAfterStopsButNotAfterSkippedOnes) {
    std::vector<std::string> b = body(listing({
        {0, 0x0BA1},  // DECFSZ 0x21,f
        {1, 0x2800},  // GOTO 0: skipped over, no empty line
        {2, 0x0008},  // RETURN
        {3, 0x0009},  // RETFIE
        {4, 0x0063},  // SLEEP
        {5, 0x1C03},  // BTFSS STATUS,C
        {6, 0x0008},  // RETURN: skipped over
        {7, 0x0000},
    }));
    std::vector<std::string> expected = {
        "",
        kLabelIndent + "START",
        " 0000 0BA1        DECFSZ  0x21,f       ",
        " 0001 2800        GOTO    M0000        ",
        " 0002 0008        RETURN               ",
        "",
        " 0003 0009        RETFIE               ",
        "",
        " 0004 0063        SLEEP                ",
        "",
        " 0005 1C03        BTFSS   STATUS,C     ",
        " 0006 0008        RETURN               ",
        " 0007 0000        NOP                  ",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, RetlwTableHasOneEmptyLineAfterItsFirstEntry) {
    std::vector<std::string> b = body(listing({
        {0x10, 0x0782},  // ADDWF PCL,f
        {0x11, 0x3430},
        {0x12, 0x3431},
        {0x13, 0x3432},
        {0x14, 0x0000},
        {0x15, 0x3400},  // a new RETLW after another instruction
    }));
    std::vector<std::string> expected = {
        "",
        " 0010 0782        ADDWF   PCL,f        ",
        " 0011 3430        RETLW   30h          ; '0' ",
        "",
        " 0012 3431        RETLW   31h          ; '1' ",
        " 0013 3432        RETLW   32h          ; '2' ",
        " 0014 0000        NOP                  ",
        " 0015 3400        RETLW   00h          ",
        "",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, RetlwAfterSkipHasNoEmptyLine) {
    std::vector<std::string> b = body(listing({{0x10, 0x1903}, {0x11, 0x3401}, {0x12, 0x3402}}));
    std::vector<std::string> expected = {
        "",
        " 0010 1903        BTFSC   STATUS,Z     ",
        " 0011 3401        RETLW   01h          ",
        " 0012 3402        RETLW   02h          ",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, OneEmptyLinePerGapAndNoneWhenMemoryIsFull) {
    // Whole 16F84 memory present: no gap anywhere, so no empty line before START.
    MemoryImage image;
    for (int a = 0; a <= k16F84Last; ++a) {
        image.HexWords[static_cast<std::size_t>(a)] = 0x0000;
    }
    image.HexWords[0x100] = MemoryImage::AbsentWord;
    image.HexWords[0x101] = MemoryImage::AbsentWord;
    std::vector<std::string> b = body(reassemble(image, k16F84Last));
    ASSERT_EQ(b.size(), 1024u - 2 + 1 + 1 + 1);  // words, START, one gap line, end
    EXPECT_EQ(b[0], kLabelIndent + "START");
    EXPECT_EQ(b[0x100], " 00FF 0000        NOP                  ");
    EXPECT_EQ(b[0x101], "");
    EXPECT_EQ(b[0x102], " 0102 0000        NOP                  ");
    EXPECT_EQ(b.back(), "end of file");
}

TEST(Reassembler, InvalidWordsAreListedNotRejected) {
    std::vector<std::string> b = body(listing({{0x10, 0x0062}, {0x11, 0x3B00}, {0x12, 0x3B41}}));
    std::vector<std::string> expected = {
        "",
        " 0010 0062        ERROR                ",
        " 0011 3B00        ?????   00h          ",
        " 0012 3B41        ?????   41h          ; 'A' ",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, ClearInstructions) {
    std::vector<std::string> b = body(listing({{0x10, 0x0183}, {0x11, 0x0103}, {0x12, 0x0185}}));
    std::vector<std::string> expected = {
        "",
        " 0010 0183        CLRF    STATUS       ",
        " 0011 0103        CLRW                 ",
        " 0012 0185        CLRF    0x05         ; PORTA/TRISA ",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, CallInPageOneIgnoresPageBits) {
    std::vector<std::string> b = body(listing({{0x0123, 0x0000}, {0x0900, 0x2123}}, k16F877Last));
    std::vector<std::string> expected = {
        "",
        kLabelIndent + "M0123",
        " 0123 0000        NOP                  ",
        "",
        " 0900 2123        CALL    M0123        ",
        "end of file",
    };
    EXPECT_EQ(b, expected);
}

TEST(Reassembler, StopsAtTheChipsLastAddress) {
    const std::vector<std::pair<int, std::uint16_t>> words = {{0x03FF, 0x0064}, {0x0400, 0x0064}};
    std::vector<std::string> small = body(listing(words, k16F84Last));
    std::vector<std::string> expected = {
        "",
        " 03FF 0064        CLRWDT               ",
        "end of file",
    };
    EXPECT_EQ(small, expected);
    std::vector<std::string> big = body(listing(words, k16F877Last));
    EXPECT_EQ(big.size(), 4u);
    EXPECT_EQ(big[2], " 0400 0064        CLRWDT               ");
}

TEST(Reassembler, OutOfRangeLimitsAreHarmless) {
    MemoryImage image;
    image.HexWords.fill(0x0000);
    // A limit past program memory stops at 0x1FFF (not in ID or EEPROM space).
    std::vector<std::string> b = body(reassemble(image, 0x7FFFFFFF));
    EXPECT_EQ(b.size(), 0x2000u + 2);
    EXPECT_EQ(b[b.size() - 2], " 1FFF 0000        NOP                  ");
    // No valid type selected: nothing is listed.
    EXPECT_EQ(body(reassemble(image, -1)), std::vector<std::string>{"end of file"});
}

TEST(Reassembler, RunsAreIndependentAndLeaveTheImageAlone) {
    Reassembler r;
    MemoryImage image;
    image.HexWords[0] = 0x2805;
    image.HexWords[5] = 0x0000;
    const std::string first = r.run(image, k16F84Last);
    EXPECT_EQ(image.HexWords[5], 0x0000);  // the label mark stays in the listing's copy
    EXPECT_TRUE(r.interruptLabel());
    image.HexWords[0] = 0x0000;
    const std::string second = r.run(image, k16F84Last);
    EXPECT_FALSE(r.interruptLabel());
    EXPECT_EQ(second.find("M0005"), std::string::npos);
    EXPECT_NE(first, second);
}

TEST(Decoder, RegisterAndBitNames) {
    EXPECT_EQ(registerName(0x01).operand, "0x01");
    EXPECT_EQ(registerName(0x01).comment, "TMR0/OPTION ");
    EXPECT_EQ(registerName(0x81).operand, "0x01");  // bank bit is not part of the operand
    EXPECT_EQ(registerName(0x0A).operand, "PCLATCH");
    EXPECT_EQ(registerName(0x0C).operand, "0x0C");
    EXPECT_EQ(registerName(0x0C).comment, "");
    EXPECT_EQ(registerName(0x7F).operand, "0x7F");

    const char* status[8] = {"C", "DC", "Z", "-PD", "-TO", "RP0", "RP1", "IRP"};
    const char* intcon[8] = {"RBIF", "INTF", "T0IF", "RBIE", "INTE", "T0IE", "EEIE", "GIE"};
    for (unsigned bit = 0; bit < 8; ++bit) {
        SCOPED_TRACE(bit);
        EXPECT_EQ(decodeWord(static_cast<std::uint16_t>(0x1403 | bit << 7)).operand2, status[bit]);
        EXPECT_EQ(decodeWord(static_cast<std::uint16_t>(0x100B | bit << 7)).operand2, intcon[bit]);
        EXPECT_EQ(decodeWord(static_cast<std::uint16_t>(0x1806 | bit << 7)).operand2,
                  std::string(1, static_cast<char>('0' + bit)));
    }
}

TEST(Decoder, CharacterCommentOnlyForPrintableRange) {
    EXPECT_EQ(decodeWord(0x302F).comment, "");
    EXPECT_EQ(decodeWord(0x3030).comment, "'0' ");
    EXPECT_EQ(decodeWord(0x3E7E).comment, "'~' ");
    EXPECT_EQ(decodeWord(0x387F).comment, "'\x7F' ");
    EXPECT_EQ(decodeWord(0x3A80).comment, "");
    EXPECT_EQ(decodeWord(0x3CFF).operand1, "FFh");
}

TEST(Decoder, LabelMarkBitDoesNotChangeTheInstruction) {
    for (std::uint16_t w : {0x0000, 0x0062, 0x0086, 0x1683, 0x2805, 0x3441}) {
        SCOPED_TRACE(w);
        const DecodedWord plain = decodeWord(w);
        const DecodedWord marked = decodeWord(static_cast<std::uint16_t>(w | 0x4000));
        EXPECT_EQ(plain.mnemonic, marked.mnemonic);
        EXPECT_EQ(plain.operand1, marked.operand1);
        EXPECT_EQ(plain.operand2, marked.operand2);
    }
}

}  // namespace
}  // namespace pk

#include "viewers/p18_listing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/byte_hex_file.h"

namespace pk {
namespace {

const ByteRegions k4550{0x8000, 14, 256};

std::string dirFor(const std::string& name) {
    const std::string dir = std::string(PKORVEL_BINARY_DIR) + "/" + name;
    std::filesystem::create_directories(dir);
    return dir;
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

// ---- The comparison with gpdasm ----------------------------------------------
//
// Both texts are reduced to program words (address, code, mnemonic, operand
// values; a second word has an empty mnemonic) and data bytes (address, value).
// What is left out: gpdasm's labels and spacing, our labels, empty lines,
// comments and header. Operands become numbers: gpdasm writes every operand as
// 0x.., we write registers 0x.., literals ..h, bit and FSR numbers as digits,
// targets as labels M<address>, d as W/F, a as A/B and the fast bit as FAST or
// not at all (gpdasm: 0x1 or 0x0).
//
// Where the two disagree by design (checked below, nowhere else):
//  - a 1111 word on its own: gpdasm "dw", we "NOP" (the chip runs it as one);
//  - codes gpdasm takes from other cores (halt, trap, tret): we write "DW".

struct Word {
    std::uint32_t address = 0;
    std::uint16_t code = 0;
    std::string mnemonic;
    std::vector<long> operands;
};

struct Parsed {
    std::vector<Word> words;
    std::map<std::uint32_t, unsigned> data;
};

long number(const std::string& s) {
    return std::stol(s, nullptr, 0);
}

Parsed parseGpdasm(const std::string& text) {
    Parsed p;
    for (const std::string& line : splitLines(text)) {
        // "000024:  c123  movff   0x123, 0x456", "000026:  f456", "300000:  24  db      0x24"
        std::istringstream fields(line);
        std::string address, code, mnemonic, rest;
        fields >> address >> code >> mnemonic;
        if (address.empty() || address.back() != ':') {
            continue;
        }
        const auto at = static_cast<std::uint32_t>(std::stoul(address, nullptr, 16));
        if (mnemonic == "db") {
            p.data[at] = static_cast<unsigned>(std::stoul(code, nullptr, 16));
            continue;
        }
        Word w{at, static_cast<std::uint16_t>(std::stoul(code, nullptr, 16)), mnemonic, {}};
        std::getline(fields, rest);
        rest = rest.substr(0, rest.find(';'));
        std::istringstream items(rest);
        std::string item;
        while (std::getline(items, item, ',')) {
            w.operands.push_back(number(item));
        }
        p.words.push_back(w);
    }
    return p;
}

long ourOperand(const std::string& s) {
    static const std::map<std::string, long> kNames = {
        {"W", 0}, {"F", 1}, {"A", 0}, {"B", 1}, {"FAST", 1}};
    if (auto it = kNames.find(s); it != kNames.end()) {
        return it->second;
    }
    if (s[0] == 'M') {
        return std::stol(s.substr(1), nullptr, 16);
    }
    if (s.back() == 'h') {
        return std::stol(s.substr(0, s.size() - 1), nullptr, 16);
    }
    return number(s);
}

// Our data rows "; ID 0x200000: 01 -- 0A" into single bytes.
void parseRow(const std::string& line, std::map<std::uint32_t, unsigned>& data) {
    std::istringstream fields(line);
    std::string semicolon, name, address, cell;
    fields >> semicolon >> name >> address;
    auto at = static_cast<std::uint32_t>(std::stoul(address, nullptr, 16));
    for (; fields >> cell; ++at) {
        if (cell != "--") {
            data[at] = static_cast<unsigned>(std::stoul(cell, nullptr, 16));
        }
    }
}

Parsed parseOurs(const std::string& text) {
    Parsed p;
    for (const std::string& line : splitLines(text)) {
        if (line.rfind("; CONFIG", 0) == 0) {
            // "; CONFIG1L (0x300000) = 0x24"
            const auto open = line.find('(');
            p.data[static_cast<std::uint32_t>(std::stoul(line.substr(open + 1), nullptr, 16))] =
                static_cast<unsigned>(std::stoul(line.substr(line.find('=') + 1), nullptr, 16));
            continue;
        }
        if (line.rfind("; ID ", 0) == 0 || line.rfind("; EEPROM ", 0) == 0) {
            parseRow(line, p.data);
            continue;
        }
        // " 000024 C123        MOVFF   0x123,0x456"; label lines begin with twelve blanks.
        if (line.size() < 12 || line[0] != ' ' || line[1] == ' ') {
            continue;
        }
        Word w;
        w.address = static_cast<std::uint32_t>(std::stoul(line.substr(1, 6), nullptr, 16));
        w.code = static_cast<std::uint16_t>(std::stoul(line.substr(8, 4), nullptr, 16));
        std::string rest = line.substr(12);
        std::istringstream fields(rest.substr(0, rest.find(';')));
        std::string operands;
        fields >> w.mnemonic >> operands;
        w.mnemonic = lower(w.mnemonic);
        std::istringstream items(operands);
        std::string item;
        while (std::getline(items, item, ',')) {
            w.operands.push_back(ourOperand(item));
        }
        // gpdasm writes a clear fast bit as 0x0.
        const bool fastBit =
            w.mnemonic == "return" || w.mnemonic == "retfie" || w.mnemonic == "call";
        if (fastBit && w.operands.size() < (w.mnemonic == "call" ? 2u : 1u)) {
            w.operands.push_back(0);
        }
        p.words.push_back(w);
    }
    return p;
}

// Compares word by word; returns the mnemonics both agreed on.
std::set<std::string> expectSameWords(const Parsed& ours, const Parsed& ref) {
    std::set<std::string> agreed;
    EXPECT_EQ(ours.words.size(), ref.words.size());
    const std::size_t n = std::min(ours.words.size(), ref.words.size());
    for (std::size_t i = 0; i < n; ++i) {
        const Word& o = ours.words[i];
        const Word& r = ref.words[i];
        SCOPED_TRACE(testing::Message()
                     << std::hex << "address 0x" << r.address << " word 0x" << r.code << " gpdasm "
                     << r.mnemonic << " ours " << o.mnemonic);
        if (o.address != r.address || o.code != r.code) {
            ADD_FAILURE() << "out of step: ours at 0x" << std::hex << o.address << " word 0x"
                          << o.code;
            return agreed;
        }
        if (r.mnemonic == "dw" && o.mnemonic == "nop") {
            EXPECT_EQ(r.code & 0xF000, 0xF000);
            continue;
        }
        if (o.mnemonic == "dw" && r.mnemonic != "dw") {
            EXPECT_TRUE(r.mnemonic == "halt" || r.mnemonic == "trap" || r.mnemonic == "tret");
            continue;
        }
        EXPECT_EQ(o.mnemonic, r.mnemonic);
        EXPECT_EQ(o.operands, r.operands);
        agreed.insert(o.mnemonic);
    }
    return agreed;
}

void requireGputils() {
    // Not skipped without gputils: scripts/setup installs it, and a missing
    // disassembler must not pass for a working one.
    ASSERT_EQ(std::system("command -v gpasm >/dev/null 2>&1 && command -v gpdasm >/dev/null 2>&1"),
              0)
        << "gpasm/gpdasm not found: install gputils (scripts/setup)";
}

// Every instruction of the standard set, with d, a, s and bit numbers both ways,
// branches both ways, data in every area and words that are no instruction.
constexpr const char* kAllInstructions = R"(        #include <p18f4550.inc>
        CONFIG PLLDIV = 5, CPUDIV = OSC1_PLL2, USBDIV = 2
        CONFIG FOSC = HSPLL_HS, FCMEN = OFF, IESO = OFF
        CONFIG WDT = OFF, MCLRE = ON, PBADEN = OFF, LVP = OFF, XINST = OFF
        __idlocs _IDLOC0, 0x1
        __idlocs _IDLOC7, 0xA
        org 0
        goto start
        org 0x08
        retfie FAST
        org 0x100
start:  addwf 0x20, F, ACCESS
        addwf 0x80, W, BANKED
        addwfc 0x21, F, ACCESS
        andwf 0x22, W, BANKED
        clrf 0x23, ACCESS
        clrf 0x23, BANKED
        comf 0x24, F, ACCESS
        cpfseq 0x25, ACCESS
        cpfsgt 0x26, BANKED
        cpfslt 0x27, ACCESS
        decf 0x28, F, ACCESS
        decfsz 0x29, W, ACCESS
        dcfsnz 0x2a, F, BANKED
        incf 0x2b, F, ACCESS
        incfsz 0x2c, F, ACCESS
        infsnz 0x2d, F, ACCESS
        iorwf 0x2e, F, ACCESS
        movf 0x2f, W, ACCESS
        movff 0x123, 0x456
        movwf 0x30, ACCESS
        mulwf 0x31, BANKED
        negf 0x32, ACCESS
        rlcf 0x33, F, ACCESS
        rlncf 0x34, F, ACCESS
        rrcf 0x35, F, ACCESS
        rrncf 0x36, F, ACCESS
        setf 0x37, ACCESS
        subfwb 0x38, F, ACCESS
        subwf 0x39, F, ACCESS
        subwfb 0x3a, F, ACCESS
        swapf 0x3b, F, ACCESS
        tstfsz 0x3c, ACCESS
        xorwf 0x3d, F, ACCESS
        bcf 0x3e, 3, ACCESS
        bsf 0x3f, 7, BANKED
        btfsc 0x40, 0, ACCESS
        btfss 0x41, 1, ACCESS
        btg 0x42, 2, ACCESS
back:   bc back
        bn fwd
        bnc back
        bnn start
        bnov back
        bnz back
        bov back
        bz back
        bra fwd
        call fwd, FAST
        call far
        clrwdt
        daw
        goto fwd
        nop
        pop
        push
        rcall fwd
        rcall start
        reset
        retfie FAST
        retfie
        retlw 'A'
        return FAST
        return
        sleep
        addlw 5
        andlw 6
        iorlw 7
        lfsr 0, 0x0ff
        lfsr 2, 0x345
        movlb 0x0f
        movlw 0x80
        mullw 9
        sublw 10
        xorlw 11
        tblrd*
        tblrd*+
        tblrd*-
        tblrd+*
        tblwt*
        tblwt*+
        tblwt*-
        tblwt+*
fwd:    movwf PORTA, ACCESS
        movf BSR, W, ACCESS
        dw 0xF123
        dw 0x0001
        dw 0x0002
        dw 0xEC00
        dw 0x1234
        dw 0xFFFF
        org 0x7F00
far:    goto back
        org 0xF00000
        de 0x11, 0x22
        end
)";

TEST(P18Listing, AgreesWithGpdasmOnEveryInstruction) {
    requireGputils();
    const std::string dir = dirFor("viewers_gputils18");
    writeText(dir + "/all.asm", kAllInstructions);
    const std::string cmd = "cd '" + dir +
                            "' && gpasm -q -p 18f4550 -a inhx32 -o all.hex all.asm >/dev/null && "
                            "gpdasm -p 18f4550 all.hex > all.gpdasm";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

    ByteImage image(k4550);
    ASSERT_TRUE(LoadByteHexFile(dir + "/all.hex", image).complete());
    const Parsed ours = parseOurs(p18Listing(image));
    const Parsed ref = parseGpdasm(readText(dir + "/all.gpdasm"));
    ASSERT_GT(ref.words.size(), 90u);

    const std::set<std::string> agreed = expectSameWords(ours, ref);
    const std::set<std::string> all = {
        "addwf",   "addwfc",  "andwf",   "clrf",   "comf",    "cpfseq",  "cpfsgt",  "cpfslt",
        "decf",    "decfsz",  "dcfsnz",  "incf",   "incfsz",  "infsnz",  "iorwf",   "movf",
        "movff",   "movwf",   "mulwf",   "negf",   "rlcf",    "rlncf",   "rrcf",    "rrncf",
        "setf",    "subfwb",  "subwf",   "subwfb", "swapf",   "tstfsz",  "xorwf",   "bcf",
        "bsf",     "btfsc",   "btfss",   "btg",    "bc",      "bn",      "bnc",     "bnn",
        "bnov",    "bnz",     "bov",     "bz",     "bra",     "call",    "clrwdt",  "daw",
        "goto",    "nop",     "pop",     "push",   "rcall",   "reset",   "retfie",  "retlw",
        "return",  "sleep",   "addlw",   "andlw",  "iorlw",   "lfsr",    "movlb",   "movlw",
        "mullw",   "sublw",   "xorlw",   "tblrd*", "tblrd*+", "tblrd*-", "tblrd+*", "tblwt*",
        "tblwt*+", "tblwt*-", "tblwt+*", "",       "dw"};
    EXPECT_EQ(agreed, all);
    // The ID, configuration and EEPROM bytes gpdasm lists as db.
    EXPECT_EQ(ours.data, ref.data);
    EXPECT_EQ(ref.data.size(), 2u + 12u + 2u);
}

// Every 16-bit word, each followed by a 1111 word as a second word would be: the
// first words in all their fields, the second words in their low six bits (which
// keep CALL and GOTO targets inside the 4550, where gpdasm decodes them). gpdasm
// calls a branch to outside the chip's memory data, so the words begin at 0x800
// and end 0x800 before the top: no relative target leaves the chip.
TEST(P18Listing, AgreesWithGpdasmOnEveryWord) {
    requireGputils();
    const std::string dir = dirFor("viewers_gputils18_words");
    constexpr std::uint32_t kFirst = 0x800;
    constexpr std::uint32_t kPairs = (0x8000 - 2 * kFirst) / 4;
    int chunks = 0;
    for (std::uint32_t from = 0; from < 0x10000; from += kPairs, ++chunks) {
        ByteImage image(k4550);
        const auto program = image.area(image.HexBytes, ByteArea::Program);
        for (std::uint32_t w = from; w < std::min(from + kPairs, 0x10000u); ++w) {
            const std::size_t at = kFirst + 4 * (w - from);
            const std::uint32_t second = 0xF000 | (w & 0x3F);
            program[at] = w & 0xFF;
            program[at + 1] = static_cast<std::uint16_t>(w >> 8);
            program[at + 2] = second & 0xFF;
            program[at + 3] = static_cast<std::uint16_t>(second >> 8);
        }
        writeText(dir + "/w" + std::to_string(chunks) + ".hex",
                  BuildByteHexFile(image.regions(), image.HexBytes));
    }
    const std::string cmd = "cd '" + dir + "' && for i in $(seq 0 " + std::to_string(chunks - 1) +
                            "); do gpdasm -p 18f4550 w$i.hex > w$i.gpdasm || exit 1; done";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

    std::set<std::string> agreed;
    std::size_t compared = 0;
    for (int i = 0; i < chunks; ++i) {
        ByteImage image(k4550);
        ASSERT_TRUE(LoadByteHexFile(dir + "/w" + std::to_string(i) + ".hex", image).complete());
        const Parsed ours = parseOurs(p18Listing(image));
        const Parsed ref = parseGpdasm(readText(dir + "/w" + std::to_string(i) + ".gpdasm"));
        const std::set<std::string> a = expectSameWords(ours, ref);
        agreed.insert(a.begin(), a.end());
        compared += ref.words.size();
        if (testing::Test::HasFailure()) {
            break;
        }
    }
    EXPECT_GT(compared, 0x10000u);
    EXPECT_EQ(agreed.size(), 75u + 2u);  // with second words and data words
}

// ---- The decoder ----------------------------------------------------------------

struct DecodeRow {
    std::uint16_t word;
    std::optional<std::uint16_t> next;
    std::uint32_t address;
    std::string_view mnemonic;
    std::string_view operands;
    std::optional<std::uint32_t> target;
    int words;
};

TEST(P18Decode, OperandsTargetsAndSecondWords) {
    const std::optional<std::uint16_t> none;
    const DecodeRow rows[] = {
        // Relative branches: the offset counts words from the next instruction.
        {0xD7FF, none, 0x000100, "BRA", "M000100", 0x000100, 1},    // to itself
        {0xD3FF, none, 0x001000, "BRA", "M001800", 0x001800, 1},    // farthest forward
        {0xD400, none, 0x001000, "BRA", "M000802", 0x000802, 1},    // farthest back
        {0xD400, none, 0x000000, "BRA", "M1FF802", 0x1FF802, 1},    // back past 0
        {0xD001, none, 0x1FFFFE, "BRA", "M000002", 0x000002, 1},    // on past the top
        {0xDC00, none, 0x001010, "RCALL", "M000812", 0x000812, 1},  // RCALL's own sign
        {0xE07F, none, 0x000010, "BZ", "M000110", 0x000110, 1},     // 8 bits forward
        {0xE080, none, 0x000010, "BZ", "M1FFF12", 0x1FFF12, 1},     // 8 bits back past 0
        {0xE6FE, none, 0x000040, "BN", "M00003E", 0x00003E, 1},     // one word back
        // Two-word instructions take 12 bits of the second word.
        {0xED55, 0xF000, 0x000060, "CALL", "M0000AA,FAST", 0x0000AA, 2},
        {0xEC12, 0xF345, 0x000000, "CALL", "M068A24", 0x068A24, 2},
        {0xEFFF, 0xFFFF, 0x000000, "GOTO", "M1FFFFE", 0x1FFFFE, 2},
        {0xC123, 0xF456, 0x000000, "MOVFF", "0x123,0x456", none, 2},
        {0xEE23, 0xF045, 0x000000, "LFSR", "2,0x345", none, 2},
        {0xEE0F, 0xF0FF, 0x000000, "LFSR", "0,0xFFF", none, 2},
        // Without a 1111 second word, or without any, the first word is data.
        {0xEF00, 0x1234, 0x000000, "DW", "0xEF00", none, 1},
        {0xC123, none, 0x000000, "DW", "0xC123", none, 1},
        {0xEE40, 0xF045, 0x000000, "DW", "0xEE40", none, 1},  // no FSR field there
        {0xF123, none, 0x000000, "NOP", "", none, 1},
        // Destination, access bank, bit number and fast bit.
        {0x2580, none, 0x000000, "ADDWF", "0x80,W,B", none, 1},
        {0x2620, none, 0x000000, "ADDWF", "0x20,F,A", none, 1},
        {0x6E80, none, 0x000000, "MOVWF", "0x80,A", none, 1},
        {0x8F3F, none, 0x000000, "BSF", "0x3F,7,B", none, 1},
        {0x9000, none, 0x000000, "BCF", "0x00,0,A", none, 1},
        {0x0013, none, 0x000000, "RETURN", "FAST", none, 1},
        {0x0010, none, 0x000000, "RETFIE", "", none, 1},
        {0x010F, none, 0x000000, "MOVLB", "0Fh", none, 1},
        {0x0110, none, 0x000000, "DW", "0x0110", none, 1},
        {0x0001, none, 0x000000, "DW", "0x0001", none, 1},
        {0xE800, none, 0x000000, "DW", "0xE800", none, 1},  // ADDFSR: extended set only
    };
    for (const DecodeRow& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << "word 0x" << r.word << " at 0x" << r.address);
        const P18Decoded d = decodeP18(r.word, r.next, r.address);
        EXPECT_EQ(d.mnemonic, r.mnemonic);
        EXPECT_EQ(d.operands, r.operands);
        EXPECT_EQ(d.target, r.target);
        EXPECT_EQ(d.words, r.words);
    }
}

// ---- The listing ----------------------------------------------------------------

ByteImage imageOf(const std::vector<std::pair<std::uint32_t, std::uint16_t>>& words) {
    ByteImage image(k4550);
    image.HexFileName = "p18.hex";
    const auto program = image.area(image.HexBytes, ByteArea::Program);
    for (auto [address, word] : words) {
        program[address] = word & 0xFF;
        program[address + 1] = word >> 8;
    }
    return image;
}

// The listing's lines after the six header lines.
std::vector<std::string> body(const std::string& text) {
    std::vector<std::string> lines = splitLines(text);
    EXPECT_GE(lines.size(), 7u);
    return std::vector<std::string>(lines.begin() + std::min<std::size_t>(6, lines.size()),
                                    lines.end());
}

const std::string kIndent(12, ' ');

TEST(P18Listing, HeaderNamesTheFileAndEmptyImageEndsAtOnce) {
    ByteImage image(k4550);
    image.HexFileName = "C:/prog/usb.hex";
    EXPECT_EQ(p18Listing(image),
              "PIC-Assembler-Listing by Velmor 2001\n"
              "\n"
              "C:/prog/usb.hex\n"
              "\n"
              "   Adr. Code Marke  Mnemonic  \n"
              "==================================\n"
              "end of file\n");
}

TEST(P18Listing, LabelsVectorsSecondWordsAndEmptyLines) {
    const ByteImage image = imageOf({
        {0x0000, 0xEF10},  // GOTO 0x20: past both interrupt vectors
        {0x0002, 0xF000},
        {0x0008, 0x0011},  // RETFIE FAST
        {0x0020, 0xA005},  // BTFSS 0x05,0,A
        {0x0022, 0xD7FE},  // BRA 0x20: skipped, so no pause after it
        {0x0024, 0xEC13},  // CALL 0x26: into its own second word
        {0x0026, 0xF000},
        {0x0028, 0x0C41},  // RETLW 'A'
        {0x002A, 0x0C42},  // a table: one pause after the first only
        {0x002C, 0x0012},  // RETURN
        {0x0030, 0xF123},  // after a gap, a second word on its own
    });
    const std::vector<std::string> expected = {
        kIndent + "START",
        " 000000 EF10        GOTO    M000020      ",
        " 000002 F000",
        "",
        "",  // the absent words before the vector
        kIndent + "INTHIGH",
        " 000008 0011        RETFIE  FAST         ",
        "",
        "",
        kIndent + "M000020",
        " 000020 A005        BTFSS   0x05,0,A     ",
        " 000022 D7FE        BRA     M000020      ",
        " 000024 EC13        CALL    M000026      ",
        kIndent + "M000026",
        " 000026 F000",
        " 000028 0C41        RETLW   41h          ; 'A'",
        "",
        " 00002A 0C42        RETLW   42h          ; 'B'",
        " 00002C 0012        RETURN               ",
        "",
        "",
        " 000030 F123        NOP                  ; second word",
        "end of file",
    };
    EXPECT_EQ(body(p18Listing(image)), expected);
}

TEST(P18Listing, LabelsOnlyWhereAWordIsListed) {
    // Targets outside the file, before 0 and past the top, keep their label names
    // in the operand; a vector is named only when the reset jump goes past it.
    const ByteImage image = imageOf({
        {0x0000, 0xD007},  // BRA 0x10: past the high-priority vector only
        {0x0010, 0xD40A},  // BRA 0x1FF826: back below 0
        {0x0018, 0xEF00},  // GOTO 0x1E0000 (second word 0xFF00)
        {0x001A, 0xFF00},
    });
    const std::vector<std::string> expected = {
        kIndent + "START",
        " 000000 D007        BRA     M000010      ",
        "",
        "",
        kIndent + "M000010",
        " 000010 D40A        BRA     M1FF826      ",
        "",
        "",
        " 000018 EF00        GOTO    M1E0000      ",
        " 00001A FF00",
        "",
        "end of file",
    };
    EXPECT_EQ(body(p18Listing(image)), expected);
}

TEST(P18Listing, HalfAWordShowsTheErasedByte) {
    ByteImage image(k4550);
    image.area(image.HexBytes, ByteArea::Program)[0x11] = 0x0E;  // high byte only
    const std::vector<std::string> b = body(p18Listing(image));
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[1], " 000010 0EFF        MOVLW   FFh          ");
}

TEST(P18Listing, IdConfigurationAndEepromBytesAsData) {
    ByteImage image = imageOf({{0x0000, 0x0000}});
    const auto ids = image.area(image.HexBytes, ByteArea::Id);
    ids[0] = 0x01;
    ids[7] = 0x0A;
    const auto config = image.area(image.HexBytes, ByteArea::Config);
    config[0] = 0x24;
    config[5] = 0x81;
    config[13] = 0x40;
    const auto eeprom = image.area(image.HexBytes, ByteArea::Eeprom);
    eeprom[0x00] = 0x11;
    eeprom[0x12] = 0x33;
    eeprom[0xFF] = 0xA5;
    const std::vector<std::string> expected = {
        kIndent + "START",
        " 000000 0000        NOP                  ",
        "",
        "; ID 0x200000: 01 -- -- -- -- -- -- 0A",
        "",
        "; CONFIG1L (0x300000) = 0x24",
        "; CONFIG3H (0x300005) = 0x81",
        "; CONFIG7H (0x30000D) = 0x40",
        "",
        "; EEPROM 0xF00000: 11 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --",
        "; EEPROM 0xF00010: -- -- 33 -- -- -- -- -- -- -- -- -- -- -- -- --",
        "; EEPROM 0xF000F0: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- A5",
        "end of file",
    };
    EXPECT_EQ(body(p18Listing(image)), expected);
}

}  // namespace
}  // namespace pk

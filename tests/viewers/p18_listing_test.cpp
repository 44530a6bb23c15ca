#include "viewers/p18_listing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "image/byte_hex_file.h"
#include "viewers/isa/pic18.h"

namespace pk {
namespace {

const ByteRegions k4550{0x8000, 14, 256};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// ---- The comparison with gpdasm ----------------------------------------------
//
// Both texts become program words: address, code, lower-case mnemonic (empty on
// a second word) and operand values. Left out: labels, empty lines, comments,
// spacing and the data lines. gpdasm writes every operand as 0x..; we write
// literals ..h, bit and FSR numbers as digits, targets as labels M<address>, d as
// W/F, a as A/B, and the fast bit as FAST or not at all where gpdasm writes 0x0.
// Where the two differ by design (allowed in expectSame, nowhere else): a 1111
// word on its own is our NOP (the chip runs it as one) and gpdasm's dw; the codes
// gpdasm takes from other cores (halt, trap, tret) are our DW.

struct Word {
    std::uint32_t address = 0;
    unsigned code = 0;
    std::string mnemonic;
    std::vector<long> operands;
};

std::vector<Word> parse(const std::string& text, bool gpdasm) {
    static const std::map<std::string, long> kNames = {
        {"W", 0}, {"F", 1}, {"A", 0}, {"B", 1}, {"FAST", 1}};
    std::vector<Word> words;
    for (const std::string& line : splitLines(text)) {
        // gpdasm "000024:  c123  movff   0x123, 0x456"; ours " 000024 C123        MOVFF ..."
        std::istringstream fields(line.substr(0, line.find(';')));
        std::string address, code, operands, item;
        Word w;
        fields >> address >> code >> w.mnemonic;
        const bool wordLine = gpdasm ? address.size() == 7 && address[6] == ':' && code.size() == 4
                                     : line.size() >= 12 && line[0] == ' ' && line[1] != ' ';
        if (!wordLine) {
            continue;  // headers, labels, data bytes
        }
        w.address = static_cast<std::uint32_t>(std::stoul(address, nullptr, 16));
        w.code = static_cast<unsigned>(std::stoul(code, nullptr, 16));
        for (char& c : w.mnemonic) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        std::getline(fields, operands);
        std::istringstream items(operands);
        while (std::getline(items >> std::ws, item, ',')) {
            item.erase(item.find_last_not_of(' ') + 1);
            const auto name = kNames.find(item);
            w.operands.push_back(gpdasm || item.rfind("0x", 0) == 0 ? std::stol(item, nullptr, 0)
                                 : name != kNames.end()             ? name->second
                                 : item[0] == 'M'     ? std::stol(item.substr(1), nullptr, 16)
                                 : item.back() == 'h' ? std::stol(item, nullptr, 16)
                                                      : std::stol(item));
        }
        const std::size_t fast = w.mnemonic == "call" ? 2 : 1;
        if (!gpdasm && (w.mnemonic == "call" || w.mnemonic == "return" || w.mnemonic == "retfie") &&
            w.operands.size() < fast) {
            w.operands.push_back(0);
        }
        words.push_back(w);
    }
    return words;
}

// Compares word by word; returns the mnemonics both agreed on.
std::set<std::string> expectSame(const std::string& ours, const std::string& gpdasm) {
    const std::vector<Word> o = parse(ours, false);
    const std::vector<Word> r = parse(gpdasm, true);
    EXPECT_EQ(o.size(), r.size());
    std::set<std::string> agreed;
    for (std::size_t i = 0; i < std::min(o.size(), r.size()); ++i) {
        SCOPED_TRACE(testing::Message() << std::hex << "address 0x" << r[i].address << " word 0x"
                                        << r[i].code << " gpdasm " << r[i].mnemonic);
        if (o[i].address != r[i].address || o[i].code != r[i].code) {
            ADD_FAILURE() << "out of step at 0x" << std::hex << o[i].address;
            break;
        }
        if (o[i].mnemonic == "nop" && r[i].mnemonic == "dw") {
            EXPECT_EQ(r[i].code & 0xF000, 0xF000u);
        } else if (o[i].mnemonic == "dw" && r[i].mnemonic != "dw") {
            EXPECT_TRUE(r[i].mnemonic == "halt" || r[i].mnemonic == "trap" ||
                        r[i].mnemonic == "tret");
        } else {
            EXPECT_EQ(o[i].mnemonic, r[i].mnemonic);
            EXPECT_EQ(o[i].operands, r[i].operands);
            agreed.insert(o[i].mnemonic);
        }
    }
    return agreed;
}

// Not skipped without gputils: scripts/setup installs it, and a missing
// disassembler must not pass for a working listing.
std::string gputilsDir(const std::string& name) {
    EXPECT_EQ(std::system("command -v gpasm >/dev/null && command -v gpdasm >/dev/null"), 0)
        << "gpasm/gpdasm not found: install gputils (scripts/setup)";
    const std::string dir = std::string(PKORVEL_BINARY_DIR) + "/" + name;
    std::filesystem::create_directories(dir);
    return dir;
}

std::string listingOf(const std::string& hexFile) {
    ByteImage image(k4550);
    EXPECT_TRUE(LoadByteHexFile(hexFile, image).complete()) << hexFile;
    return p18Listing(image);
}

std::string readText(const std::string& path) {
    std::stringstream ss;
    ss << std::ifstream(path).rdbuf();
    return ss.str();
}

// A program with every instruction of the standard set: d, a and s both ways,
// branches back and forward, literals on both sides of 0x80, and words that are
// no instruction.
std::string allInstructions() {
    std::string s = "#include <p18f4550.inc>\n org 0\n goto start\n org 0x100\nstart:\n";
    char line[80];
    auto each = [&](const char* names, auto&& format) {
        std::istringstream in(names);
        int i = 0;
        for (std::string name; in >> name; ++i) {
            format(name.c_str(), i);
            s += line;
        }
    };
    const char* access[2] = {"ACCESS", "BANKED"};
    each(
        "addwf addwfc andwf comf decf decfsz dcfsnz incf incfsz infsnz iorwf movf rlcf rlncf "
        "rrcf rrncf subfwb subwf subwfb swapf xorwf",
        [&](const char* n, int i) {
            std::snprintf(line, sizeof line, " %s 0x%02X, %s, %s\n", n, (i * 37) & 0xFF,
                          i % 2 ? "W" : "F", access[i / 2 % 2]);
        });
    each("clrf cpfseq cpfsgt cpfslt movwf mulwf negf setf tstfsz", [&](const char* n, int i) {
        std::snprintf(line, sizeof line, " %s 0x%02X, %s\n", n, (i * 53) & 0xFF, access[i % 2]);
    });
    each("bcf bsf btfsc btfss btg", [&](const char* n, int i) {
        std::snprintf(line, sizeof line, " %s 0x%02X, %d, %s\n", n, 0x80 + i, 7 - i, access[i % 2]);
    });
    s += "back:\n";
    each("bc bn bnc bnn bnov bnz bov bz bra rcall", [&](const char* n, int i) {
        std::snprintf(line, sizeof line, " %s %s\n", n, i % 2 ? "fwd" : "back");
    });
    each(
        "clrwdt daw nop pop push reset sleep tblrd* tblrd*+ tblrd*- tblrd+* tblwt* tblwt*+ "
        "tblwt*- tblwt+* retfie return retfie return",
        [&](const char* n, int i) {
            std::snprintf(line, sizeof line, " %s%s\n", n, i > 16 ? " FAST" : "");
        });
    each("addlw andlw iorlw movlw mullw retlw sublw xorlw", [&](const char* n, int i) {
        std::snprintf(line, sizeof line, " %s 0x%02X\n", n, (i * 41 + 0x30) & 0xFF);
    });
    return s +
           " movlb 0x0F\n movff 0x123, 0x456\n lfsr 2, 0x345\n lfsr 0, 0x0FF\n"
           " call fwd, FAST\n call far\n goto fwd\n"
           "fwd:\n dw 0xF123, 0x0001, 0x0002, 0xEC00, 0x1234, 0xFFFF\n"
           " org 0x7F00\nfar: goto back\n end\n";
}

TEST(P18Listing, AgreesWithGpdasmOnEveryInstruction) {
    const std::string dir = gputilsDir("viewers_gputils18");
    std::ofstream(dir + "/all.asm") << allInstructions();
    const std::string cmd = "cd '" + dir + "' && gpasm -q -p 18f4550 -a inhx32 -o all.hex all.asm" +
                            " >/dev/null && gpdasm -p 18f4550 all.hex > all.gpdasm";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const std::set<std::string> agreed =
        expectSame(listingOf(dir + "/all.hex"), readText(dir + "/all.gpdasm"));
    EXPECT_EQ(agreed.size(), 75u + 2u);  // the instructions, second words and data words
}

// Every 16-bit word, each followed by a 1111 word as a second word would be.
// The second words vary in their low six bits only, which keeps CALL and GOTO
// targets inside the 4550: gpdasm shows a jump out of the chip as data. So that
// no branch leaves the chip either, the words start 0x800 above 0 and end 0x800
// below the top, in ten files.
TEST(P18Listing, AgreesWithGpdasmOnEveryWord) {
    const std::string dir = gputilsDir("viewers_gputils18_words");
    constexpr std::uint32_t kFirst = 0x800;
    constexpr std::uint32_t kPairs = (0x8000 - 2 * kFirst) / 4;
    std::set<std::string> agreed;
    for (std::uint32_t from = 0; from < 0x10000 && !testing::Test::HasFailure(); from += kPairs) {
        ByteImage image(k4550);
        const auto program = image.area(image.HexBytes, ByteArea::Program);
        for (std::uint32_t w = from; w < std::min(from + kPairs, 0x10000u); ++w) {
            const std::size_t at = kFirst + 4 * (w - from);
            program[at] = w & 0xFF;
            program[at + 1] = static_cast<std::uint16_t>(w >> 8);
            program[at + 2] = w & 0x3F;
            program[at + 3] = 0xF0;
        }
        std::ofstream(dir + "/w.hex") << BuildByteHexFile(image.regions(), image.HexBytes);
        ASSERT_EQ(std::system(("cd '" + dir + "' && gpdasm -p 18f4550 w.hex > w.gpdasm").c_str()),
                  0);
        const std::set<std::string> a = expectSame(p18Listing(image), readText(dir + "/w.gpdasm"));
        agreed.insert(a.begin(), a.end());
    }
    EXPECT_EQ(agreed.size(), 75u + 2u);
}

// ---- The decoder and the listing's own layout ----------------------------------

TEST(P18Decode, RelativeTargetsAndSecondWords) {
    const std::optional<std::uint16_t> none;
    struct Row {
        std::uint16_t word;
        std::optional<std::uint16_t> next;
        std::uint32_t address;
        std::string_view text;  // mnemonic and operands
        std::optional<std::uint32_t> target;
        int words;
    };
    const Row rows[] = {
        {0xD7FF, none, 0x000100, "BRA M000100", 0x000100, 1},    // to itself
        {0xD3FF, none, 0x001000, "BRA M001800", 0x001800, 1},    // farthest forward
        {0xD400, none, 0x001000, "BRA M000802", 0x000802, 1},    // farthest back
        {0xD400, none, 0x000000, "BRA M1FF802", 0x1FF802, 1},    // back past 0
        {0xD001, none, 0x1FFFFE, "BRA M000002", 0x000002, 1},    // on past the top
        {0xDC00, none, 0x001010, "RCALL M000812", 0x000812, 1},  //
        {0xE080, none, 0x000010, "BZ M1FFF12", 0x1FFF12, 1},     // 8 bits back past 0
        {0xED55, 0xF000, 0x000060, "CALL M0000AA,FAST", 0x0000AA, 2},
        {0xEC12, 0xF345, 0x000000, "CALL M068A24", 0x068A24, 2},  // 12 bits of the second word
        {0xEFFF, 0xFFFF, 0x000000, "GOTO M1FFFFE", 0x1FFFFE, 2},
        {0xEF00, 0x1234, 0x000000, "DW 0xEF00", none, 1},  // no 1111 second word
        {0xC123, none, 0x000000, "DW 0xC123", none, 1},    // none at all
        {0xF123, none, 0x000000, "NOP ", none, 1},
        {0xE800, none, 0x000000, "DW 0xE800", none, 1},  // ADDFSR: extended set only
    };
    for (const Row& r : rows) {
        const P18Decoded d = decodeP18(r.word, r.next, r.address);
        EXPECT_EQ(std::string(d.mnemonic) + " " + d.operands, r.text) << std::hex << r.word;
        EXPECT_EQ(d.target, r.target) << std::hex << r.word;
        EXPECT_EQ(d.words, r.words) << std::hex << r.word;
    }
}

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

TEST(P18Listing, LabelsVectorsSecondWordsAndEmptyLines) {
    ByteImage image = imageOf({
        {0x0000, 0xEF08},
        {0x0002, 0xF000},  // GOTO 0x10: past the high vector only
        {0x0008, 0x0011},  // RETFIE FAST
        {0x0010, 0xA005},  // BTFSS: no pause after the BRA it skips
        {0x0012, 0xD7FE},  // BRA 0x10
        {0x0014, 0xEC0B},
        {0x0016, 0xF000},  // CALL 0x16: into its own second word
        {0x0018, 0x0C41},
        {0x001A, 0x0C42},  // RETLW table: a pause after the first only
        {0x001C, 0xD40A},  // BRA back below 0
        {0x0030, 0xF123},  // after a gap, a second word on its own
    });
    image.area(image.HexBytes, ByteArea::Program)[0x33] = 0x0E;  // half a word
    const std::string label(12, ' ');
    const std::vector<std::string> expected = {
        label + "START",
        " 000000 EF08        GOTO    M000010      ",
        " 000002 F000",
        "",
        "",
        label + "INTHIGH",
        " 000008 0011        RETFIE  FAST         ",
        "",
        "",
        label + "M000010",
        " 000010 A005        BTFSS   0x05,0,A     ",
        " 000012 D7FE        BRA     M000010      ",
        " 000014 EC0B        CALL    M000016      ",
        label + "M000016",
        " 000016 F000",
        " 000018 0C41        RETLW   41h          ; 'A'",
        "",
        " 00001A 0C42        RETLW   42h          ; 'B'",
        " 00001C D40A        BRA     M1FF832      ",
        "",
        "",
        " 000030 F123        NOP                  ; second word",
        " 000032 0EFF        MOVLW   FFh          ",
        "end of file",
    };
    const std::vector<std::string> lines = splitLines(p18Listing(image));
    ASSERT_GT(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.end()), expected);
}

TEST(P18Listing, IdConfigurationAndEepromBytesAsData) {
    ByteImage image(k4550);
    image.HexFileName = "C:/prog/usb.hex";
    const auto ids = image.area(image.HexBytes, ByteArea::Id);
    const auto config = image.area(image.HexBytes, ByteArea::Config);
    const auto eeprom = image.area(image.HexBytes, ByteArea::Eeprom);
    ids[0] = 0x01;
    ids[7] = 0x0A;
    config[0] = 0x24;
    config[5] = 0x81;
    config[13] = 0x40;
    eeprom[0x12] = 0x33;
    eeprom[0xFF] = 0xA5;
    EXPECT_EQ(p18Listing(image),
              "PIC-Assembler-Listing by Velmor 2001\n\nC:/prog/usb.hex\n\n"
              "   Adr. Code Marke  Mnemonic  \n==================================\n"
              "\n; ID 0x200000: 01 -- -- -- -- -- -- 0A\n"
              "\n; CONFIG1L (0x300000) = 0x24\n"
              "; CONFIG3H (0x300005) = 0x81\n"
              "; CONFIG7H (0x30000D) = 0x40\n"
              "\n; EEPROM 0xF00010: -- -- 33 -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "; EEPROM 0xF000F0: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- A5\n"
              "end of file\n");
}

}  // namespace
}  // namespace pk

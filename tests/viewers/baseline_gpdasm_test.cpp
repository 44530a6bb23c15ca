// Cross-check of the baseline decoder against gputils: gpasm assembled the
// programs baseline_all_instructions.asm (12F508) and baseline_pages.asm (16F57),
// gpdasm disassembled the results, and its output is kept beside them (see
// baseline_all_instructions.sh). Every word must decode to the same instruction
// with the same operand values.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "viewers/isa/baseline12.h"

namespace pk {
namespace {

const std::string kData = PKORVEL_TEST_DATA;

struct Reference {
    std::string file;       // program and reference name in tests/data
    std::string processor;  // as gpasm's -p takes it
};
const Reference kReferences[] = {{"baseline_all_instructions", "12f508"},
                                 {"baseline_pages", "16f57"}};

struct GpdasmLine {
    unsigned address = 0;
    std::uint16_t word = 0;
    std::string mnemonic;
    std::vector<long> operands;
};

std::vector<GpdasmLine> readReference(const std::string& path) {
    std::ifstream in(path);
    std::vector<GpdasmLine> lines;
    for (std::string text; std::getline(in, text);) {
        // "0a0:  143  andwf   0x03, 0x0"
        std::istringstream fields(text);
        std::string address, word, item;
        GpdasmLine l;
        fields >> address >> word >> l.mnemonic;
        l.address = static_cast<unsigned>(std::stoul(address, nullptr, 16));
        l.word = static_cast<std::uint16_t>(std::stoul(word, nullptr, 16));
        while (std::getline(fields >> std::ws, item, ',')) {
            l.operands.push_back(std::stol(item, nullptr, 0));
        }
        lines.push_back(l);
    }
    return lines;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// The listing's operands turned back into the numbers gpdasm prints.
std::vector<long> ourOperands(const BaselineDecoded& d) {
    static const std::map<std::string, long> kNames = {
        {"INDF", 0}, {"TMR0", 1}, {"PCL", 2}, {"STATUS", 3}, {"FSR", 4},
        {"w", 0},    {"f", 1},    {"C", 0},   {"DC", 1},     {"Z", 2},
        {"-PD", 3},  {"-TO", 4},  {"PA0", 5}, {"PA1", 6},    {"PA2", 7},
    };
    std::vector<long> values;
    std::istringstream items(d.operands);
    for (std::string item; std::getline(items, item, ',');) {
        if (auto it = kNames.find(item); it != kNames.end()) {
            values.push_back(it->second);
        } else if (item.rfind("0x", 0) == 0) {
            values.push_back(std::stol(item, nullptr, 16));
        } else if (item[0] == 'M') {
            values.push_back(std::stol(item.substr(1), nullptr, 16));
        } else if (item.back() == 'h') {
            values.push_back(std::stol(item, nullptr, 16));
        } else if (item.size() == 1 && item[0] >= '0' && item[0] <= '7') {
            values.push_back(item[0] - '0');
        } else {
            ADD_FAILURE() << "unknown operand " << item;
        }
    }
    return values;
}

TEST(BaselineDecoderCrossCheck, AgreesWithGpdasmOnEveryWord) {
    std::set<std::string> seen;
    std::size_t words = 0;
    for (const Reference& r : kReferences) {
        const std::vector<GpdasmLine> reference = readReference(kData + "/" + r.file + ".gpdasm");
        words += reference.size();
        for (const GpdasmLine& ref : reference) {
            SCOPED_TRACE(testing::Message()
                         << r.file << std::hex << " address 0x" << ref.address << " word 0x"
                         << ref.word << " gpdasm " << ref.mnemonic);
            const BaselineDecoded d = decodeBaseline(ref.word);
            seen.insert(std::string(d.mnemonic));
            if (ref.word == 0x001) {
                // gpdasm's TRIS 1: no chip of the family has a port control there.
                EXPECT_EQ(ref.mnemonic, "tris");
                EXPECT_EQ(d.mnemonic, "DW");
                continue;
            }
            EXPECT_EQ(lower(d.mnemonic), ref.mnemonic);
            EXPECT_EQ(ourOperands(d), ref.operands);
        }
    }
    EXPECT_GT(words, 500u);  // the references were read at all
    // The programs cover the whole instruction set and the words that are none.
    const std::set<std::string> all = {
        "ADDWF", "ANDWF",  "CLRF",  "CLRW",  "COMF",  "DECF",  "DECFSZ", "INCF",  "INCFSZ",
        "IORWF", "MOVF",   "MOVWF", "NOP",   "RLF",   "RRF",   "SUBWF",  "SWAPF", "XORWF",
        "BCF",   "BSF",    "BTFSC", "BTFSS", "ANDLW", "CALL",  "CLRWDT", "GOTO",  "IORLW",
        "MOVLW", "OPTION", "RETLW", "SLEEP", "TRIS",  "XORLW", "DW"};
    EXPECT_EQ(seen, all);
}

// With gputils at hand, the kept references must still be what the kept programs
// give; otherwise the check above would test stale files.
TEST(BaselineDecoderCrossCheck, ReferenceIsUpToDate) {
    if (std::system("command -v gpasm >/dev/null 2>&1 && command -v gpdasm >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "gputils not installed";
    }
    const std::string dir = std::string(PKORVEL_BINARY_DIR) + "/viewers_gputils12";
    auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    for (const Reference& r : kReferences) {
        const std::string cmd = "mkdir -p '" + dir + "' && cd '" + dir + "' && gpasm -q -p" +
                                r.processor + " -o x.hex '" + kData + "/" + r.file +
                                ".asm' >/dev/null && gpdasm -p p" + r.processor +
                                " x.hex > x.gpdasm";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        EXPECT_EQ(slurp(dir + "/x.gpdasm"), slurp(kData + "/" + r.file + ".gpdasm")) << r.file;
    }
}

}  // namespace
}  // namespace pk

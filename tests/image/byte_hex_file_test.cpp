#include "image/byte_hex_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "support/failing_save.h"
#include "support/files.h"

namespace pk {
namespace {

using ::testing::HasSubstr;
using Status = HexReadResult::Status;
using test::readAll;
using test::TempDir;
using test::writeAll;

const ByteRegions k4550{0x8000, 14, 256};
const ByteRegions k2410{0x4000, 14, 0};
const ByteRegions k64k{0x10000, 14, 1024};
const ByteRegions k128k{0x20000, 14, 0};  // no such part yet; room above 64 KB

// One record with a correct checksum, to build inputs from.
std::string rec(int type, unsigned offset, std::vector<int> data) {
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) +
                   static_cast<unsigned>(type);
    std::string s = ":" + ByteToHex(static_cast<unsigned>(data.size())) + ByteToHex(offset >> 8) +
                    ByteToHex(offset & 0xFF) + ByteToHex(static_cast<unsigned>(type));
    for (int b : data) {
        s += ByteToHex(static_cast<unsigned>(b));
        sum += static_cast<unsigned>(b);
    }
    return s + ByteToHex((0x100 - (sum & 0xFF)) & 0xFF) + "\n";
}

std::vector<int> run(int first, int count) {
    std::vector<int> v;
    for (int k = 0; k < count; ++k) {
        v.push_back((first + k) & 0xFF);
    }
    return v;
}

int countPresent(const ByteImage& m) {
    int n = 0;
    for (auto b : m.HexBytes) {
        n += (b & 0x8000) == 0 ? 1 : 0;
    }
    return n;
}

const std::string kEnd = ":00000001FF\n";

struct ReaderCase {
    const char* name;
    ByteRegions regions;
    std::string text;
    Status status;
    int line;                                       // of the problem; 0 when Ok
    std::vector<std::pair<std::uint64_t, int>> at;  // HEX address, byte (-1: absent)
    int present;                                    // bytes the file gave in all
    const char* message = "";                       // part of the problem's message
};

std::vector<ReaderCase> readerCases() {
    return {
        {"type 04 jumps to IDs, configuration and EEPROM",
         k4550,
         ":020000040000FA\n" + rec(0, 0x0000, {0x12, 0xEF, 0x00, 0xF0}) + ":020000040020DA\n" +
             rec(0, 0x0000, run(1, 8)) + ":020000040030CA\n" + rec(0, 0x0001, {0x0E, 0x38}) +
             rec(0, 0x000D, {0x40}) + ":0200000400F00A\n" + rec(0, 0x0000, {0x11}) +
             rec(0, 0x00FF, {0xA5}) + kEnd,
         Status::Ok,
         0,
         {{0x000000, 0x12},
          {0x000003, 0xF0},
          {0x000004, -1},
          {0x200000, 1},
          {0x200007, 8},
          {0x300000, -1},
          {0x300001, 0x0E},
          {0x300002, 0x38},
          {0x30000D, 0x40},
          {0xF00000, 0x11},
          {0xF000FF, 0xA5}},
         17},
        {"upper address 0 before the first type 04, and back to 0 after one",
         k4550,
         rec(0, 0x0010, {1}) + ":020000040030CA\n" + rec(0, 0x0000, {2}) + ":020000040000FA\n" +
             rec(0, 0x0020, {3}) + kEnd,
         Status::Ok,
         0,
         {{0x000010, 1}, {0x300000, 2}, {0x000020, 3}},
         3},
        {"type 04 with upper address 0001 reaches the second 64 KB",
         k128k,
         ":020000040001F9\n" + rec(0, 0x0000, {0x5A}) + kEnd,
         Status::Ok,
         0,
         {{0x010000, 0x5A}, {0x000000, -1}},
         1},
        {"upper address 0001 on a 32 KB chip is refused",
         k4550,
         ":020000040001F9\n" + rec(0, 0x0000, {0x5A}) + kEnd,
         Status::AddressRange,
         2,
         {{0x000000, -1}},
         0,
         "Datenbyte an Adresse 0x010000 liegt hinter dem Programmspeicher"},
        {"a record across 64 KB runs on into the next 64 KB",
         k128k,
         rec(0, 0xFFF8, run(0x40, 16)) + kEnd,
         Status::Ok,
         0,
         {{0x00FFF8, 0x40}, {0x00FFFF, 0x47}, {0x010000, 0x48}, {0x010007, 0x4F}, {0, -1}},
         16},
        {"a record across 64 KB does not wrap round to 0",
         k64k,
         rec(0, 0xFFF8, run(0x40, 16)) + kEnd,
         Status::AddressRange,
         1,
         {{0x00FFF8, 0x40}, {0x00FFFF, 0x47}, {0x000000, -1}},
         8,
         "Adresse 0x010000 liegt hinter dem Programmspeicher des PIC (höchstens 0x00FFFF)"},
        {"program memory past its end: first outside address, nothing after it",
         k4550,
         rec(0, 0x7FFE, {1, 2, 3, 4}) + rec(0, 0x0000, {9}) + kEnd,
         Status::AddressRange,
         1,
         {{0x007FFE, 1}, {0x007FFF, 2}, {0x000000, -1}},
         2,
         "Zeile 1: Datenbyte an Adresse 0x008000 liegt hinter dem Programmspeicher des PIC "
         "(höchstens 0x007FFF)"},
        {"a ninth ID byte",
         k4550,
         ":020000040020DA\n" + rec(0, 0x0000, run(0, 9)) + kEnd,
         Status::AddressRange,
         2,
         {{0x200007, 7}},
         8,
         "Adresse 0x200008 liegt hinter den ID-Bytes"},
        {"a fifteenth configuration byte",
         k4550,
         ":020000040030CA\n" + rec(0, 0x000E, {0xFF}) + kEnd,
         Status::AddressRange,
         2,
         {},
         0,
         "Adresse 0x30000E liegt hinter den Konfigurationsbytes des PIC (höchstens 0x30000D)"},
        {"EEPROM bytes for a chip without EEPROM",
         k2410,
         ":0200000400F00A\n" + rec(0, 0x0000, {1}) + kEnd,
         Status::AddressRange,
         2,
         {},
         0,
         "Datenbyte an Adresse 0xF00000 gehört zum Data-EEPROM, das der PIC nicht hat"},
        {"EEPROM past its end",
         k4550,
         ":0200000400F00A\n" + rec(0, 0x0100, {1}) + kEnd,
         Status::AddressRange,
         2,
         {},
         0,
         "(höchstens 0xF000FF)"},
        {"an address no area has",
         k4550,
         ":020000040040BA\n" + rec(0, 0x0000, {1}) + kEnd,
         Status::AddressRange,
         2,
         {},
         0,
         "Adresse 0x400000 gehört zu keinem Speicher des PIC"},
        {"a wrong checksum stores nothing of its record",
         k4550,
         rec(0, 0x0000, {1, 2}) + ":0200020003040A\n" + kEnd,
         Status::BadChecksum,
         2,
         {{0, 1}, {1, 2}, {2, -1}, {3, -1}},
         2,
         "Zeile 2: Prüfsummenfehler: 0A angegeben, F5 erwartet"},
        {"a wrong checksum on a type 04 moves nothing",
         k4550,
         ":020000040030CB\n" + rec(0, 0x0000, {1}) + kEnd,
         Status::BadChecksum,
         1,
         {},
         0,
         "Prüfsummenfehler: CB angegeben, CA erwartet"},
        {"a line that ends before its checksum",
         k4550,
         ":0100000001\n" + kEnd,
         Status::ShortLine,
         1,
         {},
         0,
         "die Zeile ist zu kurz"},
        {"a line that ends inside its data",
         k4550,
         ":04000000010203\n" + kEnd,
         Status::ShortLine,
         1,
         {},
         0,
         "die Zeile ist zu kurz"},
        {"a bad digit",
         k4550,
         rec(0, 0, {1}) + ":01000100x1FD\n" + kEnd,
         Status::BadDigit,
         2,
         {{0, 1}},
         1,
         "ungültiges Zeichen \"x\" in Spalte 10"},
        {"no end record",
         k4550,
         rec(0, 0x0000, {1}) + "\n" + rec(0, 0x0001, {2}),
         Status::NoEndRecord,
         4,
         {{0, 1}, {1, 2}},
         2,
         "Zeile 4: der Ende-Datensatz (Typ 01) fehlt"},
        {"an empty file has no end record either", k4550, "", Status::NoEndRecord, 1, {}, 0},
        {"extended segment addresses are refused",
         k4550,
         ":020000021000EC\n" + rec(0, 0, {1}) + kEnd,
         Status::BadRecord,
         1,
         {},
         0,
         "Datensätze vom Typ 02 werden für diesen PIC nicht unterstützt"},
        {"an unknown record type is refused",
         k4550,
         rec(6, 0, {}) + kEnd,
         Status::BadRecord,
         1,
         {},
         0,
         "Typ 06"},
        {"a type 04 with four bytes is refused",
         k4550,
         rec(4, 0, {0, 0x30, 0, 0}) + kEnd,
         Status::BadRecord,
         1,
         {},
         0,
         "ein Datensatz vom Typ 04 hat 2 Datenbytes, dieser hat 4"},
        {"an end record with data is refused",
         k4550,
         rec(0, 0, {1}) + rec(1, 0, {0}),
         Status::BadRecord,
         2,
         {{0, 1}},
         1,
         "Typ 01 hat keine Datenbytes, dieser hat 1"},
        {"start address records are skipped",
         k4550,
         rec(5, 0, {0, 0, 0, 0x10}) + rec(3, 0, {0, 0, 0, 0x10}) + rec(0, 0, {7}) + kEnd,
         Status::Ok,
         0,
         {{0, 7}},
         1},
        {"an odd count keeps every byte",
         k4550,
         rec(0, 0x0011, {1, 2, 3}) + kEnd,
         Status::Ok,
         0,
         {{0x10, -1}, {0x11, 1}, {0x12, 2}, {0x13, 3}},
         3},
        {"lower case, CR LF and empty lines",
         k4550,
         "\r\n:020000040030ca\r\n\r\n:01000100ab53\r\n:00000001ff\r\n",
         Status::Ok,
         0,
         {{0x300001, 0xAB}},
         1},
        {"text after the end record is not read",
         k4550,
         rec(0, 0, {1}) + kEnd + "rubbish\n",
         Status::Ok,
         0,
         {{0, 1}},
         1},
        {"a byte given twice keeps the later value",
         k4550,
         rec(0, 0x0004, {1, 2}) + rec(0, 0x0005, {3}) + kEnd,
         Status::Ok,
         0,
         {{4, 1}, {5, 3}},
         2},
    };
}

TEST(ByteHexReader, Cases) {
    for (const auto& c : readerCases()) {
        SCOPED_TRACE(c.name);
        ByteImage m(c.regions);
        const HexReadResult r = OpenByteHexfile(c.text, m);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.endRecord, c.status == Status::Ok);
        for (const auto& [address, value] : c.at) {
            EXPECT_EQ(m.hexByte(address), value < 0 ? ByteImage::AbsentByte : value)
                << std::hex << address;
        }
        EXPECT_EQ(countPresent(m), c.present);
        const std::string message = HexReadMessage("p.hex", r);
        EXPECT_EQ(message.empty(), c.status == Status::Ok);
        EXPECT_THAT(message, HasSubstr(c.message));

        // A stream gives the same as text in memory.
        ByteImage s(c.regions);
        std::istringstream in(c.text);
        const HexReadResult rs = OpenByteHexfile(in, s);
        EXPECT_EQ(rs.status, r.status);
        EXPECT_EQ(rs.line, r.line);
        EXPECT_EQ(s.HexBytes, m.HexBytes);
    }
}

TEST(ByteHexReader, TheWordReaderStillIgnoresChecksumsAndAddressRecords) {
    // The same file that the byte reader refuses for its checksum loads as ever into
    // the 14-bit image, and its type 04 still moves nothing.
    const std::string text = ":020000040030CA\n:02400E00F03F00\n" + kEnd;
    WordArray w;
    w.fill(MemoryImage::AbsentWord);
    const auto r = OpenHexfile(text, w);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(w[0x2007], 0x3FF0);
    ByteImage m(k4550);
    EXPECT_EQ(OpenByteHexfile(text, m).status, Status::BadChecksum);
}

// ---- Writer ----

TEST(ByteHexWriter, KnownFile) {
    ByteImage m(k4550);
    auto& b = m.ReadBack;
    const auto program = m.area(b, ByteArea::Program);
    program[0] = 0x12;
    program[1] = 0xEF;
    program[2] = 0x00;
    program[3] = 0xF0;
    program[0x7FFF] = 0x55;
    m.area(b, ByteArea::Id)[0] = 1;
    m.area(b, ByteArea::Id)[1] = 2;
    m.area(b, ByteArea::Config)[1] = 0x0E;
    m.area(b, ByteArea::Config)[8] = 0xFF;  // present: written like any other value
    m.area(b, ByteArea::Eeprom)[0xFF] = 0xA5;
    EXPECT_EQ(BuildByteHexFile(m.regions(), b),
              ":020000040000FA\r\n"
              ":0400000012EF00F00B\r\n"
              ":017FFF00552C\r\n"
              ":020000040020DA\r\n"
              ":020000000102FB\r\n"
              ":020000040030CA\r\n"
              ":010001000EF0\r\n"
              ":01000800FFF8\r\n"
              ":0200000400F00A\r\n"
              ":0100FF00A55B\r\n"
              ":00000001FF\r\n");
    // Nothing at all: only the end record.
    EXPECT_EQ(BuildByteHexFile(k4550, ByteImage(k4550).ReadBack), ":00000001FF\r\n");
}

TEST(ByteHexWriter, RecordsSplitAtGapsAndSixteenByteBoundaries) {
    struct Case {
        const char* name;
        ByteRegions regions;
        std::vector<std::pair<std::uint32_t, int>> runs;  // first address, length
        std::vector<std::string> heads;                   // each line, data records cut short
    };
    const std::vector<Case> cases = {
        {"40 bytes from 0x0008",
         k4550,
         {{0x0008, 40}},
         {":020000040000FA", ":08000800", ":10001000", ":10002000", ":00000001"}},
        {"a gap ends a record",
         k4550,
         {{0x0000, 5}, {0x0006, 3}},
         {":020000040000FA", ":05000000", ":03000600", ":00000001"}},
        {"a new type 04 only where the upper address changes",
         k128k,
         {{0xFFF0, 32}, {0x10020, 1}},
         {":020000040000FA", ":10FFF000", ":020000040001F9", ":10000000", ":01002000",
          ":00000001"}},
        {"1 KB of EEPROM under one type 04",
         k64k,
         {{0xF003E0, 0x20}},
         {":0200000400F00A", ":1003E000", ":1003F000", ":00000001"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ByteImage m(c.regions);
        for (const auto& [first, length] : c.runs) {
            for (int k = 0; k < length; ++k) {
                const auto i = c.regions.indexOf(first + static_cast<std::uint32_t>(k));
                ASSERT_TRUE(i.has_value());
                m.ReadBack[*i] = static_cast<std::uint16_t>(k);
            }
        }
        const std::string text = BuildByteHexFile(c.regions, m.ReadBack);
        std::vector<std::string> heads;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            // Address records whole, to see the upper address; data records by their head.
            heads.push_back(line.substr(7, 2) == "04" ? line.substr(0, 15) : line.substr(0, 9));
        }
        EXPECT_EQ(heads, c.heads) << text;
        ByteImage back(c.regions);
        ASSERT_TRUE(OpenByteHexfile(text, back).ok());
        EXPECT_EQ(back.HexBytes, m.ReadBack);
    }
}

TEST(ByteHexWriter, RandomFullImagesComeBackByteForByte) {
    std::uint32_t seed = 4550;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (const ByteRegions& regions : {k4550, ByteRegions{0x2000, 14, 0}}) {
        SCOPED_TRACE(regions.programBytes);
        ByteImage m(regions);
        for (auto& b : m.ReadBack) {
            b = next() % 5 == 0 ? ByteImage::AbsentByte : static_cast<std::uint16_t>(next() & 0xFF);
        }
        const std::string text = BuildByteHexFile(regions, m.ReadBack);
        ByteImage back(regions);
        const HexReadResult r = OpenByteHexfile(text, back);
        ASSERT_TRUE(r.ok()) << HexReadMessage("random", r);
        EXPECT_EQ(back.HexBytes, m.ReadBack);

        // One type 04 per area with data, and no data record over a 16-byte boundary.
        int ela = 0;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const int count = std::stoi(line.substr(1, 2), nullptr, 16);
            const int offset = std::stoi(line.substr(3, 4), nullptr, 16);
            const int type = std::stoi(line.substr(7, 2), nullptr, 16);
            ela += type == 4 ? 1 : 0;
            if (type == 0) {
                EXPECT_LE(offset % 16 + count, 16) << line;
            }
            EXPECT_EQ(line.back(), '\r');
        }
        EXPECT_EQ(ela, regions.eepromBytes > 0 ? 4 : 3);
    }
}

// ---- Files on disk ----

TEST(ByteHexFiles, SaveAndLoadAndAFailedSaveKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("read.hex");
    ByteImage chip(k4550);
    chip.area(chip.ReadBack, ByteArea::Config)[0] = 0x24;
    chip.area(chip.ReadBack, ByteArea::Eeprom)[3] = 0x00;
    ASSERT_TRUE(SaveByteHexFile(path, chip.regions(), chip.ReadBack).ok());

    ByteImage m(k4550);
    m.HexBytes[0] = 0x42;  // from an earlier file
    m.ReadBack[0] = 0x17;
    HexLoadResult r = LoadByteHexFile(path, m);
    EXPECT_TRUE(r.complete());
    EXPECT_TRUE(m.HexLoaded);
    EXPECT_EQ(m.HexBytes, chip.ReadBack);
    EXPECT_EQ(m.ReadBack[0], 0x17);  // loading never touches the read-back bytes

    const std::string before = readAll(path);
    test::FailingOps ops(test::FailingOps::At::Rename);
    chip.ReadBack[0] = 0x01;
    EXPECT_FALSE(SaveByteHexFile(path, chip.regions(), chip.ReadBack, &ops).ok());
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"read.hex"});

    const auto kept = m.HexBytes;
    r = LoadByteHexFile(dir.file("missing.hex"), m);
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(m.HexLoaded);
    EXPECT_EQ(m.HexBytes, kept);
    EXPECT_FALSE(LoadByteHexFile(dir.path(), m).opened);

    writeAll(path, ":020000040030CA\n:01000E00FFF2\n" + kEnd);
    r = LoadByteHexFile(path, m);
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.complete());
    EXPECT_EQ(r.parse.byteAddress, 0x30000Eu);
    EXPECT_TRUE(m.HexLoaded);
}

// ---- A file from the assembler ----

// CONFIG values chosen so that every configuration byte gpasm writes differs from the
// 4550's erased value.
constexpr const char* kProgram18 = R"(        #include <p18f4550.inc>
        CONFIG PLLDIV = 5, CPUDIV = OSC1_PLL2, USBDIV = 2
        CONFIG FOSC = HSPLL_HS, FCMEN = OFF, IESO = OFF
        CONFIG PWRT = ON, BOR = OFF, VREGEN = ON
        CONFIG WDT = OFF, MCLRE = ON, PBADEN = OFF, LVP = OFF, XINST = OFF
        CONFIG CP0 = ON
        __idlocs _IDLOC0, 0x1
        __idlocs _IDLOC7, 0xA
        org 0
        goto start
        org 0x7FF0
start:  movlw 0x55
        bra start
        org 0xF00000
        de 0x11, 0x22, 0x33
        org 0xF000FF
        de 0xA5
        end
)";

TEST(ByteHexGpasm, A4550FileLoadsWithItsConfigurationBytesInPlace) {
    // Not skipped without gputils: scripts/setup installs it, and a missing assembler
    // must not pass for a working reader.
    ASSERT_EQ(std::system("command -v gpasm >/dev/null 2>&1"), 0)
        << "gpasm not found: install gputils (scripts/setup)";
    const std::string dir = std::string(PKORVEL_BINARY_DIR) + "/image_gpasm18";
    std::filesystem::create_directories(dir);
    writeAll(dir + "/p18.asm", kProgram18);
    const std::string cmd = "cd '" + dir + "' && gpasm -q -p 18f4550 -a inhx32 -o p18.hex p18.asm";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

    ByteImage m(k4550);
    const HexLoadResult r = LoadByteHexFile(dir + "/p18.hex", m);
    ASSERT_TRUE(r.complete()) << HexReadMessage("p18.hex", r.parse);
    // CONFIG1L..CONFIG7H as the directives set them; 3L and 4H do not exist on the
    // 4550 and are not written.
    const std::vector<int> config = {0x24, 0x0E, 0x38, 0x1E, -1,   0x81, 0x81,
                                     -1,   0x0E, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    for (std::uint32_t k = 0; k < config.size(); ++k) {
        EXPECT_EQ(m.hexByte(0x300000 + k),
                  config[k] < 0 ? ByteImage::AbsentByte : static_cast<std::uint16_t>(config[k]))
            << "CONFIG byte " << k;
    }
    // goto 0x7FF0 (word 0x3FF8): EF F8 / F0 3F, each word low byte first.
    EXPECT_EQ(m.hexByte(0x000000), 0xF8);
    EXPECT_EQ(m.hexByte(0x000001), 0xEF);
    EXPECT_EQ(m.hexByte(0x000002), 0x3F);
    EXPECT_EQ(m.hexByte(0x000003), 0xF0);
    EXPECT_EQ(m.hexByte(0x007FF0), 0x55);  // movlw 0x55 = 0E55
    EXPECT_EQ(m.hexByte(0x007FF1), 0x0E);
    EXPECT_EQ(m.hexByte(0x200000), 0x01);
    EXPECT_EQ(m.hexByte(0x200001), ByteImage::AbsentByte);
    EXPECT_EQ(m.hexByte(0x200007), 0x0A);
    EXPECT_EQ(m.hexByte(0xF00000), 0x11);
    EXPECT_EQ(m.hexByte(0xF00002), 0x33);
    EXPECT_EQ(m.hexByte(0xF000FF), 0xA5);
    EXPECT_EQ(countPresent(m), 4 + 4 + 2 + 12 + 4);

    // What the writer makes of it loads to the same bytes.
    ByteImage again(k4550);
    ASSERT_TRUE(OpenByteHexfile(BuildByteHexFile(m.regions(), m.HexBytes), again).ok());
    EXPECT_EQ(again.HexBytes, m.HexBytes);

    // The same file for a 4550's smaller twin: the code at 0x7FF0 does not fit.
    ByteImage small(ByteRegions{0x6000, 14, 256});
    const HexLoadResult s = LoadByteHexFile(dir + "/p18.hex", small);
    EXPECT_EQ(s.parse.status, Status::AddressRange);
    EXPECT_EQ(s.parse.byteAddress, 0x7FF0u);
}

}  // namespace
}  // namespace pk

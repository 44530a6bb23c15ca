#include "image/hex_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "image/hex_syntax.h"
#include "image/standard_streams.h"
#include "support/files.h"

namespace pk {
namespace {

using ::testing::HasSubstr;
using Status = HexReadResult::Status;

using test::dataFile;
using test::readAll;

WordArray blank() {
    WordArray w;
    w.fill(MemoryImage::AbsentWord);
    return w;
}

int countPresent(const WordArray& w) {
    int n = 0;
    for (auto v : w) {
        n += (v & 0x8000) == 0 ? 1 : 0;
    }
    return n;
}

// ---- Digits and fields ----

TEST(HexDigits, BothCasesAndNothingElse) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('f'), 15);
    for (char c : std::string("Gg:/@` \r\n\x7f\x80\xff")) {
        EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
    }
}

TEST(HexDigits, LineReaderReadsLowByteFirstAndKeepsFirstProblem) {
    HexLineReader r(":3412cdAB");
    EXPECT_EQ(r.ReadHexWord(), 0x1234);
    EXPECT_EQ(r.ReadHexByte(), 0xCD);
    EXPECT_EQ(r.ReadHexByte(), 0xAB);
    EXPECT_EQ(r.ReadHexByte(), std::nullopt);
    EXPECT_EQ(r.problem(), HexLineReader::Problem::ShortLine);

    HexLineReader bad(":1x23");
    EXPECT_EQ(bad.ReadHexByte(), std::nullopt);
    EXPECT_EQ(bad.problem(), HexLineReader::Problem::BadDigit);
    EXPECT_EQ(bad.problemColumn(), 3u);
    EXPECT_EQ(bad.badCharacter(), 'x');
    EXPECT_EQ(bad.ReadHexByte(), std::nullopt);  // stays failed
}

// ---- Records ----

TEST(HexReader, StoresWordsAtHalfTheByteAddressMaskedTo14Bits) {
    auto w = blank();
    const auto r = OpenHexfile(
        ":0400000005280000CF\r\n"
        ":084000000100020003000400AE\r\n"
        ":02400E00F03F81\r\n"
        ":02420000FFFF00\r\n"  // EEPROM word 0xFFFF: stored masked, present
        ":00000001FF\r\n",
        w);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.endRecord);
    EXPECT_EQ(r.wordsStored, 8);
    EXPECT_EQ(w[0], 0x2805);
    EXPECT_EQ(w[1], 0x0000);
    EXPECT_EQ(w[2], MemoryImage::AbsentWord);
    EXPECT_EQ(w[0x2000], 1);
    EXPECT_EQ(w[0x2003], 4);
    EXPECT_EQ(w[0x2007], 0x3FF0);
    EXPECT_EQ(w[0x2100], 0x3FFF);
    EXPECT_EQ(countPresent(w), 8);
}

TEST(HexReader, ChecksumIsNotInspected) {
    auto good = blank();
    auto wrong = blank();
    OpenHexfile(":02400E00F03F81\n", good);
    OpenHexfile(":02400E00F03F00\n", wrong);
    EXPECT_EQ(good, wrong);
    EXPECT_EQ(wrong[0x2007], 0x3FF0);
}

TEST(HexReader, OddCountsAndAddressesRoundDown) {
    auto w = blank();
    const auto r = OpenHexfile(readAll(dataFile("edge_odd.hex")), w);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(w[1], 0x1234);  // count 3: third byte ignored
    EXPECT_EQ(w[2], MemoryImage::AbsentWord);
    EXPECT_EQ(w[8], 0x0BCD);                      // byte address 0x11 -> word 8
    EXPECT_EQ(w[0x10], MemoryImage::AbsentWord);  // count 1 stores nothing
    EXPECT_EQ(countPresent(w), 2);
}

TEST(HexReader, OtherRecordTypesAreSkippedAndMoveNothing) {
    auto w = blank();
    const auto r = OpenHexfile(readAll(dataFile("edge_record_types.hex")), w);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(w[0], 1);
    EXPECT_EQ(w[1], 2);
    EXPECT_EQ(w[2], 3);  // the upper address 0001 before it does not count
    EXPECT_EQ(w[3], 0x3FFF);
    EXPECT_EQ(w[4], 0x3FFF);  // 0xFFFF from the file is present
    EXPECT_EQ(countPresent(w), 5);

    // The usual type-04 first line loads exactly like the file without it.
    auto with = blank();
    auto without = blank();
    OpenHexfile(":020000040000FA\n:020000000528D1\n:00000001FF\n", with);
    OpenHexfile(":020000000528D1\n:00000001FF\n", without);
    EXPECT_EQ(with, without);
}

TEST(HexReader, LineEndsAndEmptyLinesDoNotMatter) {
    auto crlf = blank();
    auto lf = blank();
    auto gaps = blank();
    auto cr = blank();
    const std::string crlfText = readAll(dataFile("edge_crlf.hex"));
    ASSERT_TRUE(OpenHexfile(crlfText, crlf).ok());
    ASSERT_TRUE(OpenHexfile(readAll(dataFile("edge_lf.hex")), lf).ok());
    const auto g = OpenHexfile(readAll(dataFile("edge_empty_lines.hex")), gaps);
    ASSERT_TRUE(g.ok());
    EXPECT_TRUE(g.endRecord);  // the text after it is never looked at
    std::string crOnly = crlfText;
    std::erase(crOnly, '\n');
    ASSERT_TRUE(OpenHexfile(crOnly, cr).ok());
    EXPECT_EQ(countPresent(crlf), 8);
    EXPECT_EQ(crlf, lf);
    EXPECT_EQ(crlf, gaps);
    EXPECT_EQ(crlf, cr);
}

TEST(HexReader, LowerCaseDigitsLoadLikeUpperCase) {
    auto lower = blank();
    auto upper = blank();
    std::string text = readAll(dataFile("edge_lower_case.hex"));
    ASSERT_TRUE(OpenHexfile(text, lower).ok());
    for (auto& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    ASSERT_TRUE(OpenHexfile(text, upper).ok());
    EXPECT_EQ(lower, upper);
    EXPECT_EQ(lower[1], 0x3FFF);
    EXPECT_EQ(lower[0x2007], 0x3FF1);
}

TEST(HexReader, NoEndRecordStopsAtTheEndKeepingTheWords) {
    auto w = blank();
    const auto r = OpenHexfile(readAll(dataFile("edge_no_end_record.hex")), w);
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.endRecord);
    EXPECT_EQ(w[0], 1);
    EXPECT_EQ(w[1], 2);
    EXPECT_EQ(w[0x2100], 0x33);  // the last line has no line end
    auto empty = blank();
    EXPECT_TRUE(OpenHexfile("", empty).ok());
    EXPECT_EQ(countPresent(empty), 0);
}

// ---- Problems: one clear stop, the words before it stay ----

TEST(HexReaderProblems, BadCharacterStopsAtItsLine) {
    auto w = blank();
    const auto r = OpenHexfile(readAll(dataFile("edge_bad_char.hex")), w);
    EXPECT_EQ(r.status, Status::BadDigit);
    EXPECT_EQ(r.line, 3);
    EXPECT_EQ(r.column, 14u);
    EXPECT_EQ(r.badCharacter, 'G');
    EXPECT_EQ(w[0], 0x0100);
    EXPECT_EQ(w[4], 0x0102);
    EXPECT_EQ(w[8], 0x0001);                      // the word before the bad digit stays
    EXPECT_EQ(w[9], MemoryImage::AbsentWord);     // the bad one
    EXPECT_EQ(w[0x10], MemoryImage::AbsentWord);  // nothing after it
    const std::string msg = HexReadMessage("/tmp/x.hex", r);
    EXPECT_THAT(msg, HasSubstr("/tmp/x.hex"));
    EXPECT_THAT(msg, HasSubstr("Zeile 3"));
    EXPECT_THAT(msg, HasSubstr("ungültiges Zeichen \"G\" in Spalte 14"));
}

TEST(HexReaderProblems, ShortLineStopsAfterTheCompleteWords) {
    auto w = blank();
    const auto r = OpenHexfile(readAll(dataFile("edge_short_line.hex")), w);
    EXPECT_EQ(r.status, Status::ShortLine);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(w[0], 0x0010);
    EXPECT_EQ(w[8], 0x0011);
    EXPECT_EQ(w[9], 0x0012);
    EXPECT_EQ(w[10], MemoryImage::AbsentWord);
    EXPECT_EQ(w[0x10], MemoryImage::AbsentWord);
    EXPECT_THAT(HexReadMessage("a.hex", r), HasSubstr("Zeile 2: die Zeile ist zu kurz"));

    // Too short for the header itself, and a header with a bad digit.
    auto v = blank();
    EXPECT_EQ(OpenHexfile(":0200", v).status, Status::ShortLine);
    EXPECT_EQ(OpenHexfile(":00000001FF\n", v).status, Status::Ok);
    const auto ctl = OpenHexfile(
        "\n\n:02\x01"
        "000000",
        v);
    EXPECT_EQ(ctl.status, Status::BadDigit);
    EXPECT_EQ(ctl.line, 3);
    EXPECT_THAT(HexReadMessage("a.hex", ctl), HasSubstr("Zeichen mit dem Code 1"));
}

TEST(HexReaderProblems, WordAboveTheImageStopsTheLoad) {
    auto w = blank();
    const auto r = OpenHexfile(readAll(dataFile("edge_above_range.hex")), w);
    EXPECT_EQ(r.status, Status::AddressRange);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(r.wordAddress, 0x2200);
    EXPECT_EQ(w[0], 0x0AAA);
    EXPECT_EQ(w[0x21FE], 0x0011);
    EXPECT_EQ(w[0x21FF], 0x0022);              // the last word of the image still fits
    EXPECT_EQ(w[8], MemoryImage::AbsentWord);  // the line after the stop is not read
    EXPECT_THAT(HexReadMessage("a.hex", r), HasSubstr("0x2200"));

    // The highest byte address a record can give is far outside as well.
    auto v = blank();
    EXPECT_EQ(OpenHexfile(":02FFFE000000\n", v).status, Status::AddressRange);
    EXPECT_EQ(countPresent(v), 0);
}

TEST(HexReaderProblems, StreamAndTextGiveTheSameResult) {
    for (const char* name : {"edge_bad_char.hex", "edge_above_range.hex", "f877_pages.32.hex"}) {
        const std::string text = readAll(dataFile(name));
        auto a = blank();
        auto b = blank();
        const auto ra = OpenHexfile(text, a);
        std::istringstream in(text);
        const auto rb = OpenHexfile(in, b);
        EXPECT_EQ(ra.status, rb.status) << name;
        EXPECT_EQ(ra.line, rb.line) << name;
        EXPECT_EQ(a, b) << name;
    }
}

TEST(HexReaderProblems, OverlongLinesAreHarmless) {
    auto w = blank();
    std::string line = ":020000000528D1" + std::string(100000, '0') + "\n:00000001FF\n";
    const auto r = OpenHexfile(line, w);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.endRecord);  // on line 2, not lost in the long line
    EXPECT_EQ(w[0], 0x2805);

    // An endless run of zero bytes stops at its first character.
    const auto zeros = OpenHexfile(std::string(100000, '\0'), w);
    EXPECT_EQ(zeros.status, Status::BadDigit);
    EXPECT_EQ(zeros.line, 1);
    auto crlf = blank();
    const std::string longData =
        ":020002000300F9" + std::string(5000, 'x') + "\r\n:02000400040000\r\n";
    const auto l = OpenHexfile(longData, crlf);
    EXPECT_TRUE(l.ok());
    EXPECT_EQ(crlf[1], 3);
    EXPECT_EQ(crlf[2], 4);
}

// ---- Files from the assembler ----

struct GpasmCase {
    const char* base;
    std::vector<std::pair<int, std::uint16_t>> expected;  // word address, value
    int present;
};

TEST(HexReaderGpasm, BothFormatsLandAtTheRightWordAddresses) {
    const std::vector<GpasmCase> cases = {
        {"f84_all_instructions",
         {{0x0000, 0x2805},
          {0x0004, 0x0009},
          {0x0031, 0x0062},  // option
          {0x0036, 0x0008},  // return, the last word
          {0x2000, 0x1},
          {0x2001, 0xA},
          {0x2002, 0x2},
          {0x2003, 0xB},
          {0x2007, 0x3FF1},
          {0x2100, 0x00},
          {0x2104, 0xFE},
          {0x2106, 'K'}},
         0x37 + 4 + 1 + 7},
        {"f877_pages",
         {{0x0000, 0x018A},
          {0x0800, 0x0000},
          {0x0802, 0x0008},
          {0x1FFF, 0x0008},
          {0x2001, 0x1},
          {0x2003, 0x2},
          {0x2007, 0x3F72},
          {0x2100, 'K'},
          {0x21FF, 0xA5}},
         -1},
        {"f74_counter", {{0x0FFF, 0x2805}, {0x2000, 0x7}, {0x2007, 0x3FF5}}, -1},
        {"f628_intrc", {{0x2007, 0x3F39}, {0x2100, 1}, {0x2108, 9}, {0x2109, 0xFF}}, -1},
    };
    for (const auto& c : cases) {
        auto w8 = blank();
        auto w32 = blank();
        const auto r8 = OpenHexfile(readAll(dataFile(std::string(c.base) + ".8m.hex")), w8);
        const auto r32 = OpenHexfile(readAll(dataFile(std::string(c.base) + ".32.hex")), w32);
        ASSERT_TRUE(r8.ok() && r8.endRecord) << c.base;
        ASSERT_TRUE(r32.ok() && r32.endRecord) << c.base;
        EXPECT_EQ(w8, w32) << c.base;
        for (const auto& [addr, value] : c.expected) {
            EXPECT_EQ(w8[static_cast<std::size_t>(addr)], value) << c.base << " @" << addr;
        }
        if (c.present >= 0) {
            EXPECT_EQ(countPresent(w8), c.present) << c.base;
        }
    }
}

TEST(HexReaderGpasm, LoadHexFileClearsFirstAndMarksLoaded) {
    MemoryImage image;
    image.HexWords[0x1234] = 0x0042;  // left over from an earlier file
    image.ReadBack[0] = 0x0001;
    auto r = LoadHexFile(dataFile("f74_counter.8m.hex"), image);
    EXPECT_TRUE(r.complete());
    EXPECT_TRUE(image.HexLoaded);
    EXPECT_EQ(image.HexWords[0x1234], MemoryImage::AbsentWord);
    EXPECT_EQ(image.HexWords[0x2007], 0x3FF5);
    EXPECT_EQ(image.ReadBack[0], 0x0001);  // loading never touches the read-back data

    const auto before = image.HexWords;
    r = LoadHexFile(dataFile("does-not-exist.hex"), image);
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(image.HexLoaded);
    EXPECT_EQ(image.HexWords, before);
    r = LoadHexFile(PKORVEL_TEST_DATA, image);  // a folder cannot be loaded
    EXPECT_FALSE(r.opened);
    r = LoadHexFile("/dev/zero", image);  // nor an endless device
    EXPECT_FALSE(r.opened);

    r = LoadHexFile(dataFile("edge_above_range.hex"), image);
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(image.HexLoaded);
    EXPECT_EQ(image.HexWords[0x21FF], 0x0022);
}

// Standard input can be read only once; every load of "-" in the process gets its text.
TEST(HexReaderGpasm, EveryLoadOfStandardInputGetsTheWholeFile) {
    const std::string text = readAll(dataFile("f74_counter.8m.hex"));
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(ends[1]);
    const int saved = ::dup(STDIN_FILENO);
    ::dup2(ends[0], STDIN_FILENO);
    ::close(ends[0]);
    MemoryImage fromFile;
    ASSERT_TRUE(LoadHexFile(dataFile("f74_counter.8m.hex"), fromFile).complete());
    for (int load = 0; load < 2; ++load) {
        MemoryImage image;
        EXPECT_TRUE(LoadHexFile("-", image).complete()) << load;
        EXPECT_EQ(image.HexWords, fromFile.HexWords) << load;
    }
    EXPECT_TRUE(StandardInputTaken());
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
}

// ---- Writer ----

WordArray readBackWith(std::initializer_list<std::pair<int, std::uint16_t>> words) {
    auto w = blank();
    for (const auto& [a, v] : words) {
        w[static_cast<std::size_t>(a)] = v;
    }
    return w;
}

// The form check decides what may reach a chip: each row is a file and its first
// finding of a kind (none at all: the file passes).
TEST(HexForm, RefusesWhatIsNoRecordAsksForChecksumsAndWarnsOfAMissingEnd) {
    using Kind = HexSyntaxFinding::Kind;
    struct Case {
        const char* what;
        std::string text;
        std::optional<Kind> kind;
        int line;
        const char* says;
    };
    const std::string go = ":020000000F28C7";
    const std::string end = ":00000001FF";
    const Case cases[] = {
        {"LF", go + "\n" + end + "\n", std::nullopt, 0, ""},
        {"CR LF and trailing blanks", go + " \t\r\n" + end + "\r\n", std::nullopt, 0, ""},
        {"lone CR", go + "\r" + end + "\r", std::nullopt, 0, ""},
        {"lower case", ":020000000f28c7\n" + end, std::nullopt, 0, ""},
        {"empty lines", "\n\n" + go + "\n\n" + end, std::nullopt, 0, ""},
        {"empty", "", Kind::Refuse, 0, "die Datei ist leer"},
        {"blank lines only", "\r\n\n", Kind::Refuse, 0, "die Datei ist leer"},
        {"only the end", end, Kind::Refuse, 0, "keine Daten"},
        {"an empty data record", ":0000000000\n" + end, Kind::Refuse, 0, "keine Daten"},
        {"no mark", "020000000F28C7\n" + end, Kind::Refuse, 1, "beginnt nicht mit ':'"},
        {"a line of blanks", go + "\r\r\t\r" + end, Kind::Refuse, 3, "beginnt nicht mit ':'"},
        {"NUL", std::string(":0200", 5) + '\0' + "000F28C7\n" + end, Kind::Refuse, 1,
         "mit dem Code 0 in Spalte 6"},
        {"a stub", ":02000\n" + end, Kind::Refuse, 1, "zu kurz für einen"},
        {"a byte short", ":030000000F28C6\n" + end, Kind::Refuse, 1, "zu kurz für ihren"},
        {"a byte long", ":010000000F28C7\n" + end, Kind::Refuse, 1, "länger als ihr"},
        {"type 06", ":00000006FA\n" + go, Kind::Refuse, 1, "unbekannter Datensatztyp 06"},
        {"type 04 of 1 byte", ":0100000400FB\n" + go, Kind::Refuse, 1, "Typ 04 hat 2"},
        {"checksum", go + "\n:020002000F28C6\n" + end, Kind::Doubt, 2, "C6 angegeben, C5"},
        // A doubt does not hide a refusal further down.
        {"checksum then junk", ":020000000F28C8\nxx\n" + end, Kind::Refuse, 2, "beginnt nicht"},
        {"no end", go + "\n", Kind::Warn, 0, "Ende-Datensatz (Typ 1) fehlt"},
        {"after the end", go + "\n" + end + "\nxx\n", Kind::Note, 3, "nach dem Ende"},
        {"too big", std::string(kMaxHexFileBytes + 1, '\n'), Kind::Refuse, 0, "zu groß"},
    };
    for (const Case& c : cases) {
        const HexSyntax form = scanHexSyntax(c.text);
        if (!c.kind) {
            EXPECT_TRUE(form.findings.empty()) << c.what << ": " << form.findings.front().text;
            continue;
        }
        const HexSyntaxFinding* f = form.first(*c.kind);
        ASSERT_NE(f, nullptr) << c.what;
        EXPECT_EQ(f->kind, *c.kind) << c.what << ": " << f->text;
        EXPECT_EQ(f->line, c.line) << c.what;
        EXPECT_THAT(f->text, HasSubstr(c.says)) << c.what;
    }
}

TEST(HexWriter, ByteToHexIsUpperCase) {
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(0x0A), "0A");
    EXPECT_EQ(ByteToHex(0xAB), "AB");
    EXPECT_EQ(ByteToHex(0xFF), "FF");
}

TEST(HexWriter, KnownLines) {
    auto w = readBackWith({{0x2000, 1},
                           {0x2001, 2},
                           {0x2002, 3},
                           {0x2003, 4},
                           {0x2007, 0x3FF0},
                           {0x2100, 0x00},
                           {0x2101, 0xFF},
                           {0x2102, 0x3FFF}});
    EXPECT_EQ(BuildHexFile(w, 0x3FF),
              ":084000000100020003000400AE\r\n"
              ":02400E00F03F81\r\n"
              ":024200000000BC\r\n"
              ":00000001FF\r\n");
    // Nothing read at all: only the end record.
    EXPECT_EQ(BuildHexFile(blank(), 0x1FFF), ":00000001FF\r\n");
}

TEST(HexWriter, RecordsSplitAtGapsAndEightWordBoundaries) {
    auto w = blank();
    for (int a = 3; a <= 0x0A; ++a) {
        w[static_cast<std::size_t>(a)] = static_cast<std::uint16_t>(a);
    }
    std::string out;
    WriteHexRange(out, w, 0, 0x3FF);
    EXPECT_EQ(out,
              ":0A00060003000400050006000700D7\r\n"
              ":06001000080009000A00CF\r\n");

    w = blank();
    for (int a = 0; a < 20; ++a) {
        w[static_cast<std::size_t>(a)] = 0x0100;
    }
    w[13] = 0x3FFF;  // erased word inside the code: ends the record, is not written
    out.clear();
    WriteHexRange(out, w, 0, 0x3FF);
    EXPECT_EQ(out,
              ":1000000000010001000100010001000100010001E8\r\n"
              ":0A00100000010001000100010001E1\r\n"
              ":04001C0000010001DE\r\n"
              ":080020000001000100010001D4\r\n");
    w[13] = 0x0100;
    out.clear();
    WriteHexRange(out, w, 0, 0x3FF);
    EXPECT_THAT(out, HasSubstr(":10001000"));
    EXPECT_THAT(out, HasSubstr(":08002000"));
}

TEST(HexWriter, ChecksumZeroAndFullWordsWritten) {
    // 0x02 + 0x00 + 0x00 + 0xFE + 0x00 = 0x100: checksum 00.
    std::string out;
    WriteHexRange(out, readBackWith({{0, 0x00FE}}), 0, 0);
    EXPECT_EQ(out, ":02000000FE0000\r\n");
    // An EEPROM word is written with its full 16 bits, not only the low byte.
    out.clear();
    WriteHexRange(out, readBackWith({{0x2100, 0x1234}}), 0x2100, 0x21FF);
    EXPECT_EQ(out, ":02420000341276\r\n");
}

TEST(HexWriter, OnlyTheChipsProgramMemoryIsWritten) {
    // 0x2008 is the 16F87/88's second configuration word; 0x2009 is nothing.
    auto w = readBackWith({{0x3FF, 0x0001},
                           {0x400, 0x0002},
                           {0x1FFF, 0x0003},
                           {0x2004, 0x0005},
                           {0x2008, 0x0006},
                           {0x2009, 0x0007}});
    const std::string out = BuildHexFile(w, 0x3FF);
    EXPECT_EQ(out,
              ":0207FE000100F8\r\n"
              ":024008000500B1\r\n"
              ":024010000600A8\r\n"
              ":00000001FF\r\n");
}

TEST(HexWriter, RoundTripThroughTheReaderIsLossless) {
    // Everything a chip read can give, in every area, with blanks in between.
    WordArray w = blank();
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int a = 0; a <= 0x1FFF; ++a) {
        w[static_cast<std::size_t>(a)] = (next() % 5 == 0) ? 0x3FFF : (next() & 0x3FFF);
    }
    for (int a = 0x2000; a <= 0x2007; ++a) {
        w[static_cast<std::size_t>(a)] = next() & 0x000F;
    }
    for (int a = 0x2100; a <= 0x21FF; ++a) {
        w[static_cast<std::size_t>(a)] = (next() % 4 == 0) ? 0xFF : (next() & 0xFF);
    }
    const std::string text = BuildHexFile(w, 0x1FFF);
    auto back = blank();
    const auto r = OpenHexfile(text, back);
    ASSERT_TRUE(r.ok() && r.endRecord);
    for (std::size_t a = 0; a < MemoryImage::Size; ++a) {
        const std::uint16_t mask = a < 0x2100 ? 0x3FFF : 0xFF;
        const bool blankWord = (w[a] & mask) == mask || (a >= 0x2008 && a < 0x2100);
        ASSERT_EQ(back[a], blankWord ? MemoryImage::AbsentWord : w[a]) << a;
    }
    // And the gpasm files come back out in the writer's form, word for word.
    for (const char* name : {"f84_all_instructions.8m.hex", "f877_pages.32.hex"}) {
        auto loaded = blank();
        ASSERT_TRUE(OpenHexfile(readAll(dataFile(name)), loaded).ok());
        auto again = blank();
        ASSERT_TRUE(OpenHexfile(BuildHexFile(loaded, 0x1FFF), again).ok());
        for (std::size_t a = 0; a < MemoryImage::Size; ++a) {
            const std::uint16_t mask = a < 0x2100 ? 0x3FFF : 0xFF;
            if ((loaded[a] & mask) != mask) {
                ASSERT_EQ(again[a], loaded[a]) << name << " @" << a;
            }
        }
    }
}

}  // namespace
}  // namespace pk

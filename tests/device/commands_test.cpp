// The command layer's own rules: an empty socket, a file that does not fit the
// detected chip, the configuration word as the controls build it, failures as
// records, and the reload of the file from disk.

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "burn_fixture.h"
#include "editors/config_word.h"
#include "image/hex_file.h"

namespace pk::burntest {
namespace {

void smallProgram(Bench& b) {
    for (int a = 0; a < 16; ++a) {
        b.image.HexWords[a] = static_cast<std::uint16_t>(0x2800 + a);
    }
    b.image.ConfigWord = plainConfig(b.device.CurrentType);
}

// ---- The type check ----

struct NoChipCase {
    const char* type;  // the "/p" switch the user chose
    bool idless;       // the old 16F84, which has no device ID
};

class EmptySocket : public ::testing::TestWithParam<NoChipCase> {};

TEST_P(EmptySocket, EveryTypeIsNoChipAndNothingIsReportedDone) {
    const auto choice = lookupSwitch(GetParam().type);
    ASSERT_TRUE(choice);
    // A pulled-up data line reads all ones, one that nothing pulls up may read zeros.
    for (const bool zeros : {false, true}) {
        SCOPED_TRACE(zeros ? "reads zeros" : "reads ones");
        Bench b(nullptr, choice->type);
        if (zeros) {
            b.circuit.setDataStuck(false);
        }
        smallProgram(b);
        BurnOptions o = b.imageOptions();
        o.chip.expectDeviceId = choice->is84A;
        const ChipChoice c = o.chip;
        const CommandResult burnt = burn(b.session, o);
        const CommandResult erased = erase(b.session, true, c);
        const CommandResult unprotected = removeProtection(b.session, true, c);
        EXPECT_EQ(burnt.outcome, Outcome::NoChip);
        EXPECT_EQ(erased.outcome, Outcome::NoChip);
        EXPECT_EQ(unprotected.outcome, Outcome::NoChip);
        const Outcome compared = verify(b.session, o).outcome;
        const Outcome read = pk::read(b.session, c).outcome;
        const bool passes = GetParam().idless && !zeros;
        if (passes) {
            // The old 16F84 reads as a blank one: the compare counts every word of
            // the file, the read saves what it read with its notice.
            EXPECT_EQ(compared, Outcome::Failed);
            EXPECT_EQ(read, Outcome::Ok);
        } else {
            EXPECT_EQ(compared, Outcome::NoChip);
            EXPECT_EQ(read, Outcome::NoChip);
            EXPECT_EQ(b.log().count(cmd::BeginEraseProgrammingCycle), 0);
        }
        ASSERT_FALSE(b.report.messages.empty());
        for (const std::string& m : b.report.messages) {
            EXPECT_EQ(m.rfind(kNoChipMessage, 0), 0u) << m;
            EXPECT_NE(m.find(zeros ? "alle Bits 0. " : "alle Bits 1. "), std::string::npos) << m;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Types, EmptySocket,
                         ::testing::Values(NoChipCase{"/p16f84", true},
                                           NoChipCase{"/p16f84a", false},
                                           NoChipCase{"/p16f877", false},
                                           NoChipCase{"/p16f77", false},
                                           NoChipCase{"/p16f628", false}));

// The old 16F84 reads all ones when blank, as an empty socket does: "Löschen"
// and "CP entfernen" prove that it answered with a word written, read back and
// erased again; a chip whose configuration word answered the type check needs no proof.
TEST(EmptySocket, AnOld16F84ProvesItAnsweredAndEndsBlank) {
    struct Row {
        const char* what;
        std::uint16_t config;
        bool unprotect;
        int proofs;  // words written to prove the chip
    };
    const Row rows[] = {
        {"blank, erase", 0x3FFF, false, 1},
        {"blank, remove protection", 0x3FFF, true, 1},
        {"programmed, erase", 0x3FF1, false, 0},
        {"protected, remove protection", 0x0001, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Bench b("16F84");
        b.chip->setWord(0x2007, row.config);
        const CommandResult r =
            row.unprotect ? removeProtection(b.session, true) : erase(b.session, true);
        EXPECT_EQ(r.outcome, Outcome::Ok);
        EXPECT_TRUE(b.report.messages.empty());
        const std::string trace = b.log().commandTrace();
        int proofs = 0;
        for (auto at = trace.find("2(2AAA)"); at != std::string::npos;
             at = trace.find("2(2AAA)", at + 1)) {
            ++proofs;
        }
        EXPECT_EQ(proofs, row.proofs) << trace;
        EXPECT_EQ(b.chip->word(0), 0x3FFF) << "the proof word is erased again";
        if (row.unprotect) {
            EXPECT_EQ(b.chip->word(0x2007), 0x3FFF);
        }
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

// ---- The circuit's VPP against the chip's range ----

TEST(Vpp, FindingNamesTheLimitThatIsCrossed) {
    struct Case {
        std::int32_t type;
        int tenths;
        const char* finding;  // "" for none
    };
    const Case cases[] = {
        {Dev16F76_77, 130, ""},
        {Dev16F76_77, 120,
         "Der 16F76/77 braucht mindestens 12,75 V an MCLR; der Korvel liefert "
         "nur 12,0 V."},
        {Dev16F76_77, 133,
         "Der 16F76/77 verträgt höchstens 13,25 V an MCLR; der Korvel liefert "
         "13,3 V."},
        {Dev16F628A, 136,
         "Der 16F628A verträgt höchstens 13,5 V an MCLR; der Korvel liefert "
         "13,6 V."},
        {Dev16F628A, 100, ""},
        {Dev16F84, 140, ""},
        {Dev16F84, 141,
         "Der 16F84/84A verträgt höchstens 14 V an MCLR; der Korvel liefert 14,1 V."},
    };
    for (const Case& c : cases) {
        const auto finding = vppFinding(*deviceInfo(c.type), c.tenths);
        EXPECT_EQ(finding.value_or(""), c.finding) << c.type << " " << c.tenths;
    }
    // Every row says what its chips allow, and the circuit's usual 13 V is in
    // every range but where a data sheet says otherwise.
    for (const DeviceInfo& d : kDevices) {
        EXPECT_TRUE(d.vpp.given()) << d.listText;
        EXPECT_GE(d.vpp.minCentivolts, 800) << d.listText;
        EXPECT_LE(d.vpp.maxCentivolts, 1400) << d.listText;
    }
}

TEST(Vpp, AskedOncePerTypeAndNoVppBeforeTheAnswer) {
    for (bool yes : {false, true}) {
        Bench b("16F77", Dev16F76_77);
        b.settings.VppTenths = 120;
        smallProgram(b);
        b.report.answer = yes;
        const CommandResult first = burn(b.session, b.imageOptions());
        ASSERT_EQ(b.report.questions.size(), 1u);
        EXPECT_EQ(b.report.questions[0],
                  "Der 16F76/77 braucht mindestens 12,75 V an MCLR; der Korvel liefert nur "
                  "12,0 V. Trotzdem fortfahren?");
        if (!yes) {
            EXPECT_EQ(first.outcome, Outcome::Cancelled);
            EXPECT_EQ(b.log().modeEntries(), 0) << "the chip got VPP before the answer";
            continue;
        }
        EXPECT_EQ(first.outcome, Outcome::Ok);
        EXPECT_EQ(erase(b.session, false).outcome, Outcome::Ok);
        EXPECT_EQ(b.report.questions.size(), 1u) << "asked again for the same type";
        b.selectType(Dev16F73_74);
        b.report.answer = false;
        EXPECT_EQ(erase(b.session, false).outcome, Outcome::Cancelled) << "another type is asked";
        EXPECT_EQ(b.report.questions.size(), 2u);
    }
}

TEST(TypeCheck, WithoutATypeTheDetectedChipIsTakenAndAMisfitFileRefused) {
    Bench b("16F628", Dev16F876_877);
    b.setVpp(120);  // what every chip takes: the detection asks nothing
    smallProgram(b);
    b.image.HexWords[0x0800] = 0x0123;  // beyond the 16F628's 2k words
    BurnOptions o = b.imageOptions();
    o.chip.fromChip = true;
    const CommandResult r = burn(b.session, o);
    EXPECT_EQ(r.outcome, Outcome::WrongType);
    EXPECT_EQ(b.device.CurrentType, Dev16F628);
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0],
              "Die Datei passt nicht zum erkannten PIC 16F628: Adresse 0x0800 liegt außerhalb "
              "seines Speichers.");
    EXPECT_EQ(b.log().count(cmd::LoadDataForProgramMemory), 0) << "nothing written";

    // EEPROM beyond the chip's 128 bytes does not fit either, unless data are left out.
    b.image.HexWords[0x0800] = MemoryImage::AbsentWord;
    b.image.HexWords[0x2100 + 200] = 0x11;
    EXPECT_EQ(firstMisfit(b.image, b.device, true), 0x2100 + 200);
    EXPECT_EQ(firstMisfit(b.image, b.device, false), std::nullopt);
}

TEST(TypeCheck, AFileBeyondTheChosenChipIsRefusedBeforeTheChip) {
    Bench b("16F84A");
    smallProgram(b);
    b.image.HexWords[0x0400] = 0x0001;
    EXPECT_EQ(burn(b.session, b.imageOptions()).outcome, Outcome::FileUnusable);
    EXPECT_TRUE(b.report.questions.empty());
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0],
              "Die Datei passt nicht zum PIC 16F84/84A: Adresse 0x0400 liegt außerhalb seines "
              "Speichers.");
    EXPECT_EQ(b.log().modeEntries(), 0) << "the chip got VPP";
}

// ---- The configuration word ----

TEST(ConfigWord, FileWordGoesThroughTheControlsOnEveryLayout) {
    std::mt19937 random(14);
    for (const char* chip : {"16F84A", "16F877", "16F77", "16F628"}) {
        Bench b(chip);
        for (int round = 0; round < 6; ++round) {
            smallProgram(b);
            // Any file word, unimplemented bits cleared too; protection kept off so
            // that the chip stays readable for the next round.
            const auto fileWord = static_cast<std::uint16_t>(random() & 0x3FFF);
            BurnOptions o = b.imageOptions();
            o.configWord.reset();
            b.image.HexWords[MemoryImage::ConfigAddr] = fileWord;
            o.configRule = configRule(ConfigControls{}, true);
            const std::uint16_t wanted = o.configRule(b.device.CurrentType, fileWord, 0xFFFF).word;
            const ControlsFromWord c =
                controlsFromWord(b.device.CurrentType, fileWord, ConfigControls{});
            if (c.controls.cp0 || c.controls.cp1 || c.controls.cpd) {
                continue;
            }
            const CommandResult r = burn(b.session, o);
            EXPECT_EQ(r.outcome, Outcome::Ok) << chip << " " << fileWord;
            EXPECT_EQ(b.chip->word(0x2007), wanted) << chip << " " << fileWord;
            EXPECT_EQ(b.image.ConfigWord, wanted);
        }
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

TEST(ConfigWord, UnimplementedBitClearedOnA16F877BurnsAndVerifies) {
    Bench b("16F877");
    smallProgram(b);
    b.image.HexWords[MemoryImage::ConfigAddr] = 0x3B72;
    BurnOptions o = b.imageOptions();
    o.configWord.reset();
    EXPECT_EQ(burn(b.session, o).outcome, Outcome::Ok);
    EXPECT_EQ(b.chip->word(0x2007), 0x3F72);
    EXPECT_EQ(verify(b.session, o).outcome, Outcome::Ok);
}

TEST(ConfigWord, The16F88SecondWordIsBurntComparedReadAndErased) {
    Bench b("16F88");
    smallProgram(b);
    b.image.HexWords[MemoryImage::Config2Addr] = 0x3FFC;  // fail-safe monitor and two-speed off
    ASSERT_TRUE(b.burn());
    EXPECT_EQ(b.last.outcome, Outcome::Ok);
    EXPECT_EQ(b.chip->word(MemoryImage::Config2Addr), 0x3FFC);
    const BurnOptions o = b.imageOptions();
    EXPECT_EQ(verify(b.session, o).outcome, Outcome::Ok);

    // A word changed behind the program's back: the compare names it.
    b.chip->setWord(MemoryImage::Config2Addr, 0x3FFE);
    const CommandResult compared = verify(b.session, o);
    EXPECT_EQ(compared.outcome, Outcome::Failed);
    ASSERT_EQ(compared.failures.size(), 1u);
    EXPECT_EQ(compared.failures[0], (WordFailure{Area::Config, 0x2008, 0x3FFC, 0x3FFE}));

    // A read keeps it for the save.
    EXPECT_EQ(read(b.session).outcome, Outcome::Ok);
    EXPECT_EQ(b.image.ReadBack[MemoryImage::Config2Addr], 0x3FFE);

    // The caller's own word wins over the file's.
    BurnOptions own = o;
    own.configWord2 = 0x3FFD;
    EXPECT_EQ(burn(b.session, own).outcome, Outcome::Ok);
    EXPECT_EQ(b.chip->word(MemoryImage::Config2Addr), 0x3FFD);

    EXPECT_EQ(erase(b.session, true).outcome, Outcome::Ok);
    EXPECT_EQ(b.chip->word(MemoryImage::Config2Addr), 0x3FFF);
    EXPECT_TRUE(b.clean()) << b.violations();
}

TEST(ConfigWord, AStuckSecondWordIsNeverReportedBurntOrErased) {
    Bench b("16F88");
    smallProgram(b);
    b.chip->setWord(MemoryImage::Config2Addr, 0x3FFC);
    b.chip->setStuckCell(MemoryImage::Config2Addr);
    ASSERT_TRUE(b.burn());  // the controls ask for 0x3FFF: the bits cannot rise
    EXPECT_EQ(b.last.outcome, Outcome::Failed);
    ASSERT_EQ(b.last.failures.size(), 1u);
    EXPECT_EQ(b.last.failures[0], (WordFailure{Area::Config, 0x2008, 0x3FFF, 0x3FFC}));
    EXPECT_EQ(erase(b.session, true).outcome, Outcome::Failed);
    EXPECT_EQ(b.session.ops.errors().ConfigIdErrorCount, 1);
}

TEST(ConfigWord, AChipWithoutASecondWordLeavesNothingThereForTheSave) {
    Bench b("16F818");
    smallProgram(b);
    b.image.HexWords[MemoryImage::Config2Addr] = 0x3FFC;  // a file made for a 16F88
    b.image.ReadBack[MemoryImage::Config2Addr] = 0x3FFC;  // and an earlier read of one
    EXPECT_EQ(pk::burn(b.session, b.imageOptions()).outcome, Outcome::FileUnusable)
        << "the 16F818 has no place for it";
    EXPECT_EQ(read(b.session).outcome, Outcome::Ok);
    EXPECT_EQ(b.image.ReadBack[MemoryImage::Config2Addr], 0xFFFF);
    EXPECT_TRUE(b.clean()) << b.violations();
}

// ---- Failures as records ----

TEST(Failures, BurnAndCompareReportRecordsAndOneTextPerRecord) {
    Bench b("16F628");
    smallProgram(b);
    b.chip->setBadCell(5);
    ASSERT_TRUE(b.burn());
    const CommandResult burnt = b.last;
    EXPECT_EQ(burnt.outcome, Outcome::Failed);
    ASSERT_EQ(burnt.failures.size(), 1u);
    EXPECT_EQ(burnt.failures[0], (WordFailure{Area::Program, 5, 0x2805, 0x3FFF}));
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0].rfind("Programmbrennen abgebrochen! 0x0005: 0x2805 geschrieben, "
                                         "0x3FFF gelesen.\rNicht gebrannt: 10 Programmwörter und "
                                         "1 ID-/Configuration-Wort.\r",
                                         0),
              0u)
        << b.report.messages[0];
    // The failed word and the words never written after it.
    EXPECT_EQ(burnt.counters.ProgramErrorCount, 11);
    EXPECT_EQ(burnt.counters.ConfigIdErrorCount, 1);

    b.report.clear();
    const CommandResult compared = verify(b.session, b.imageOptions());
    EXPECT_EQ(compared.outcome, Outcome::Failed);
    ASSERT_FALSE(compared.failures.empty());
    EXPECT_EQ(compared.failures[0], (WordFailure{Area::Program, 5, 0x2805, 0x3FFF}));
    // The burn stopped at the bad word: the compare finds what its counters said.
    EXPECT_EQ(compared.counters.ProgramErrorCount, burnt.counters.ProgramErrorCount);
    EXPECT_EQ(compared.counters.ConfigIdErrorCount, burnt.counters.ConfigIdErrorCount);
    EXPECT_TRUE(b.report.messages.empty()) << "a compare reports by its counters";
}

TEST(Failures, MessagesOfEveryAreaInHexWithWhatToCheck) {
    using Check = WordFailure::Check;
    const std::pair<WordFailure, const char*> cases[] = {
        {{Area::Program, 0x1B, 0x2C88, 0x2C89},
         "Programmwort nicht gebrannt! 0x001B: 0x2C88 geschrieben, 0x2C89 gelesen."},
        {{Area::Program, 100, 7, 16383, Check::VerifyPass},
         "Programmwort nicht gebrannt! 0x0064: 0x0007 geschrieben, 0x3FFF gelesen."},
        {{Area::Program, 0x10, 0x3FFF, 0x3FFE, Check::ReadTwice},
         "Programmwort nicht gebrannt! 0x0010 las sich zweimal verschieden: 0x3FFF und 0x3FFE."},
        {{Area::Program, 0x3FF, 0x3420, 0x3FFF, Check::Calibration},
         "OSCCAL-Wert nicht zurückgeschrieben! OSCCAL-Wert an 0x03FF: 0x3420 geschrieben, 0x3FFF "
         "gelesen."},
        {{Area::Data, 0x2105, 1, 2},
         "EEPROM-Byte nicht gebrannt! 0x2105: 0x01 geschrieben, 0x02 gelesen."},
        {{Area::Id, 0x2001, 0x25, 15},
         "Brennen der ID fehlgeschlagen! 0x2001: 0x5 geschrieben, 0xF gelesen."},
        {{Area::Config, 0x2007, 0x3FF1, 0x3FFF},
         "Brennen der Configuration fehlgeschlagen! 0x2007: 0x3FF1 geschrieben, 0x3FFF gelesen."},
    };
    for (const auto& [f, text] : cases) {
        const std::string m = failureMessage(f);
        EXPECT_EQ(m.rfind(text, 0), 0u) << m;
        // One sentence on what to check follows, on its own line.
        EXPECT_NE(m.find("\r"), std::string::npos) << m;
        EXPECT_NE(m.find("prüfen"), std::string::npos) << m;
        EXPECT_EQ(m.find("abgebrochen"), std::string::npos) << "the routine does not know" << m;
    }
    // The hint names the part's own VIHH range, in German decimals and one unit.
    const WordFailure f{Area::Program, 0, 1, 0};
    for (const auto& [range, says] : {std::pair{VppRange{1000, 1300}, "Bitte VPP (10–13 V) und"},
                                      std::pair{VppRange{900, 1250}, "Bitte VPP (9–12,5 V) und"},
                                      std::pair{VppRange{}, "Bitte VPP und"}}) {
        EXPECT_NE(failureMessage(f, range).find(says), std::string::npos)
            << failureMessage(f, range);
    }
}

// ---- Reload ----

TEST(Reload, BrokenFileStopsBeforeTheChipAndAChangedOneIsBurnt) {
    Bench b("16F84A");
    b.report.reloadFromDisk = true;
    const std::string path = ::testing::TempDir() + "commands_reload.hex";
    std::ofstream(path, std::ios::binary) << ":0400000001000200F9\r\n:04000400XX00040000\r\n";
    b.image.HexFileName = path;
    BurnOptions o;
    EXPECT_EQ(burn(b.session, o).outcome, Outcome::FileUnusable);
    EXPECT_EQ(b.log().modeEntries(), 0) << "the chip got VPP";

    std::ofstream(path, std::ios::binary) << ":0400000001000200F9\r\n:00000001FF\r\n";
    EXPECT_EQ(burn(b.session, o).outcome, Outcome::Ok);
    EXPECT_EQ(b.chip->word(1), 2);
}

// ---- Reading twice ----

struct ReadCase {
    const char* what;
    const char* chip;  // nullptr: an empty socket
    std::int32_t type;
    int flaky;  // every n-th bit read flips; 0: none
    bool allBlank;
};

TEST(Read, WhatIsSavedIsReadTwiceAndAnEmptySocketIsNamed) {
    const ReadCase rows[] = {
        {"a steady read", "16F628", Dev16F628, 0, false},
        {"a flaky cable", "16F873", Dev16F873_874, 97, false},
        {"an empty socket for a 16F84", nullptr, Dev16F84, 0, true},
        // A blank old 16F84 reads the same: the notice asks, it does not refuse.
        {"a blank old 16F84", "16F84", Dev16F84, 0, true},
        {"a blank 16F84A answers with its device ID", "16F84A", Dev16F84, 0, false},
    };
    for (const ReadCase& row : rows) {
        SCOPED_TRACE(row.what);
        Bench b(row.chip, row.type);
        if (row.chip != nullptr) {
            b.chip->setWord(3, 0x1234);
            if (row.flaky != 0) {
                b.chip->setFlaky(row.flaky, 1);
            } else if (row.allBlank) {
                b.chip->setWord(3, 0x3FFF);
            }
        }
        const CommandResult r = read(b.session);
        EXPECT_EQ(r.allBlank, row.allBlank);
        EXPECT_EQ(b.report.panels[1] == kAllBlankText, row.allBlank);
        if (row.chip != nullptr) {
            EXPECT_EQ(b.log().modeEntries(), 5)
                << "the type check, then two passes: program memory; EEPROM and IDs";
        }
        EXPECT_TRUE(b.clean()) << b.violations();
        if (row.flaky == 0) {
            EXPECT_EQ(r.outcome, Outcome::Ok);
            EXPECT_TRUE(b.report.messages.empty());
            EXPECT_EQ(b.image.ReadBack[3], row.chip != nullptr && !row.allBlank ? 0x1234 : 0x3FFF);
            continue;
        }
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_GT(r.unstable, 0);
        EXPECT_EQ(r.counters.sum(), r.unstable);
        EXPECT_GT(r.counters.ProgramErrorCount, 0);
        ASSERT_EQ(b.report.messages.size(), 1u);
        EXPECT_EQ(b.report.messages[0], std::to_string(r.unstable) +
                                            " Wörter lasen sich zweimal verschieden – bitte die "
                                            "Verbindung prüfen.");
    }
    EXPECT_EQ(unstableReadMessage(1),
              "1 Wort las sich zweimal verschieden – bitte die Verbindung prüfen.");
}

TEST(TypeCheck, AnIdOfAllZerosIsNoChipNotAnotherType) {
    for (bool fromChip : {false, true}) {
        Bench b("16F628");
        b.setVpp(120);
        b.circuit.setDataStuck(false);
        ChipChoice c;
        c.fromChip = fromChip;
        EXPECT_EQ(read(b.session, c).outcome, Outcome::NoChip);
        EXPECT_EQ(b.report.messages, std::vector<std::string>{noChipMessage(0x0000)});
        EXPECT_EQ(detect(b.session).outcome, Outcome::NoChip);
    }
}

// ---- Detection ----

// Nothing in the socket is no 16F84: the type stays as chosen, and the result says so.
TEST(Detect, AnEmptySocketKeepsTheSelectedType) {
    Bench b(nullptr, Dev16F628);
    b.setVpp(120);
    const DetectResult d = detect(b.session);
    EXPECT_EQ(d.outcome, Outcome::NoChip);
    EXPECT_EQ(b.device.CurrentType, Dev16F628);
    EXPECT_EQ(b.device.ProgLastAddr, 0x07FF);
    EXPECT_EQ(b.report.panels[1], kNoChipText);
    EXPECT_EQ(
        noChipMessage(d.idWord).rfind("kein PIC erkannt: Device-ID liest 0x3FFF, alle Bits 1.", 0),
        0u);
}

// "Falscher PIC-Typ ausgewählt" names the chip found and the type chosen, also
// a chip no type has (which is no old 16F84 either: that one reads no ID).
TEST(TypeCheck, AWrongTypeNamesWhatWasFound) {
    struct Row {
        const char* chip;
        std::int32_t selected;
        const char* message;
    };
    const Row rows[] = {
        {"16F628A", Dev16F84,
         "Falscher PIC-Typ ausgewählt: im Sockel steckt ein 16F628A, gewählt ist 16F84/84A."},
        {"16F877", Dev16F873_874,
         "Falscher PIC-Typ ausgewählt: im Sockel steckt ein 16F876/877, gewählt ist 16F873/874."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.chip);
        Bench b(row.chip, row.selected);
        smallProgram(b);
        EXPECT_EQ(erase(b.session, true).outcome, Outcome::WrongType);
        EXPECT_EQ(b.report.messages, std::vector<std::string>{row.message});
        EXPECT_EQ(b.device.CurrentType, row.selected);
    }
    EXPECT_EQ(wrongTypeMessage(0x1234, Dev16F84),
              "Falscher PIC-Typ ausgewählt: im Sockel steckt ein unbekannter PIC (Device-ID "
              "0x1234), gewählt ist 16F84/84A.");
}

}  // namespace
}  // namespace pk::burntest

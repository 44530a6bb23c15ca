#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "settings/settings_file.h"
#include "support/failing_save.h"
#include "support/files.h"

namespace pk {
namespace {

using test::FailingOps;
using test::readAll;
using test::TempDir;
using test::writeAll;
using ::testing::HasSubstr;

// ---- Settings record ----

std::string record(std::int32_t version, std::int32_t driver, std::int32_t sw, std::uint8_t qd,
                   std::uint8_t k1, std::uint8_t autoSpeed, std::int32_t delay,
                   const std::string& reserved = std::string(4, '\0'), char padding = 0) {
    std::string s;
    auto put = [&](std::int32_t v) {
        for (int k = 0; k < 4; ++k) {
            s.push_back(static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * k)));
        }
    };
    put(version);
    s += reserved;
    put(driver);
    put(sw);
    s.push_back(static_cast<char>(qd));
    s.push_back(static_cast<char>(k1));
    s.push_back(static_cast<char>(autoSpeed));
    s.push_back(padding);
    put(delay);
    return s;
}

ProgrammerSettings measured(std::int32_t delay) {
    ProgrammerSettings s;
    s.DelayCount = delay;
    return s;
}

TEST(SettingsFile, Version5RecordIsTakenAndStoredDelayOnlyWithoutAutoSpeed) {
    TempDir dir;
    const std::string path = dir.file("PKorvel.ini");
    writeAll(path, record(5, 2, 3, 0, 0, 0, 700));
    SettingsRecord rec;
    auto s = measured(123);
    ASSERT_TRUE(LoadSettingsFile(path, rec, s));
    EXPECT_EQ(s.DriverIndex, 2);
    EXPECT_EQ(s.SwitchIndex, 3);
    EXPECT_FALSE(s.QuickAndDirty);
    EXPECT_FALSE(s.ModelK1);
    EXPECT_FALSE(s.AutoSpeed);
    EXPECT_EQ(s.DelayCount, 700);

    writeAll(path, record(5, 0, 2, 1, 1, 1, 700));
    s = measured(123);
    ASSERT_TRUE(LoadSettingsFile(path, rec, s));
    EXPECT_EQ(s.DelayCount, 123);  // automatic speed: the measurement counts
    EXPECT_TRUE(s.QuickAndDirty);  // taken as stored, even together with ModelK1
    EXPECT_TRUE(s.ModelK1);
    EXPECT_EQ(s.DriverIndex, 0);
    EXPECT_EQ(s.SwitchIndex, 2);

    // Indexes that name no usable circuit are refused with a reason; the rest is taken.
    for (auto [driver, sw, why] : {std::tuple{-7, 99, "unbekannten Treiber (-7)"},
                                   std::tuple{2, 1, "\"AN589 / FA\" und Spannungsschalter"}}) {
        writeAll(path, record(5, driver, sw, 0, 1, 0, -1));
        s = measured(123);
        std::string refusal;
        ASSERT_TRUE(LoadSettingsFile(path, rec, s, &refusal));
        EXPECT_EQ(s.DriverIndex, 1) << driver;
        EXPECT_EQ(s.SwitchIndex, 1) << sw;
        EXPECT_EQ(s.DelayCount, -1);
        EXPECT_THAT(refusal, HasSubstr(path));
        EXPECT_THAT(refusal, HasSubstr(why));
    }
    std::string refusal;
    writeAll(path, record(5, 2, 2, 0, 1, 0, -1));
    ASSERT_TRUE(LoadSettingsFile(path, rec, s, &refusal));
    EXPECT_EQ(refusal, "") << "the AN589 driver with the hand switch is usable";
}

TEST(SettingsFile, ForeignFilesLeaveTheDefaults) {
    TempDir dir;
    const std::string path = dir.file("PKorvel.ini");
    const ProgrammerSettings defaults = measured(55);
    auto same = [&](const ProgrammerSettings& s) {
        return s.DriverIndex == defaults.DriverIndex && s.SwitchIndex == defaults.SwitchIndex &&
               s.QuickAndDirty == defaults.QuickAndDirty && s.ModelK1 == defaults.ModelK1 &&
               s.AutoSpeed == defaults.AutoSpeed && s.DelayCount == defaults.DelayCount;
    };
    const std::string v5 = record(5, 2, 3, 1, 0, 0, 700);
    for (const std::string& content :
         {std::string(), v5.substr(0, 23), std::string("garbage text that is long enough"),
          record(4, 2, 3, 1, 0, 0, 700), record(6, 2, 3, 1, 0, 0, 700)}) {
        writeAll(path, content);
        SettingsRecord rec;
        auto s = defaults;
        EXPECT_FALSE(LoadSettingsFile(path, rec, s)) << content.size();
        EXPECT_TRUE(same(s)) << content.size();
    }
    SettingsRecord rec;
    auto s = defaults;
    EXPECT_FALSE(LoadSettingsFile(dir.file("missing.ini"), rec, s));
    EXPECT_FALSE(LoadSettingsFile(dir.path(), rec, s));  // a folder of that name
    EXPECT_TRUE(same(s));
    EXPECT_EQ(rec.bytes, SettingsRecord{}.bytes);

    // Only the first record of a longer file counts.
    writeAll(path, v5 + "and then whatever follows");
    EXPECT_TRUE(LoadSettingsFile(path, rec, s));
    EXPECT_EQ(s.DelayCount, 700);
}

TEST(SettingsFile, SaveWritesVersion5AndCarriesTheReservedBytesOver) {
    TempDir dir;
    const std::string path = dir.file("PKorvel.ini");
    const std::string reserved("\x11\x22\x33\x44", 4);
    writeAll(path, record(4, 0, 0, 0, 0, 0, 1, reserved, '\x7E'));
    SettingsRecord rec;
    auto s = measured(321);
    EXPECT_FALSE(LoadSettingsFile(path, rec, s));  // version 4: ignored...
    s.DriverIndex = 2;
    s.SwitchIndex = 3;
    s.ModelK1 = false;
    s.AutoSpeed = false;
    ASSERT_TRUE(SaveSettingsFile(path, rec, s).ok());
    // ...but its reserved bytes survive the next save, except timing and VPP.
    EXPECT_EQ(readAll(path),
              record(5, 2, 3, 0, 0, 0, 321, std::string("\0\x82\x33\x44", 4), '\x7E'));

    // Without a file the reserved bytes are zero, and the folder is made.
    const std::string nested = dir.file("new/config/PKorvel.ini");
    SettingsRecord fresh;
    ASSERT_TRUE(SaveSettingsFile(nested, fresh, measured(100)).ok());
    EXPECT_EQ(readAll(nested), record(5, 1, 1, 0, 1, 1, 100, std::string("\0\x82\0\0", 4)));
    SettingsRecord back;
    auto loaded = measured(1);
    ASSERT_TRUE(LoadSettingsFile(nested, back, loaded));
    EXPECT_EQ(back.bytes, fresh.bytes);
}

// The timing sits in the first reserved byte: older files (0 there) read as
// classic, so does any value but 1; a save writes 0 or 1 and leaves the rest.
TEST(SettingsFile, TimingByteChoosesTheDataSheetTimingOnlyWhenOne) {
    TempDir dir;
    const std::string path = dir.file("PKorvel.ini");
    for (auto [byte, timing] :
         {std::pair{'\0', TimingMode::Classic}, std::pair{'\1', TimingMode::DataSheet},
          std::pair{'\2', TimingMode::Classic}, std::pair{'\xFF', TimingMode::Classic}}) {
        const std::string reserved = std::string(1, byte) + "\x05\x06\x07";
        writeAll(path, record(5, 1, 1, 0, 1, 1, 100, reserved));
        SettingsRecord rec;
        auto s = measured(100);
        s.Timing = TimingMode::DataSheet;
        ASSERT_TRUE(LoadSettingsFile(path, rec, s));
        EXPECT_EQ(s.Timing, timing) << int(byte);
        for (const TimingMode saved : {TimingMode::DataSheet, TimingMode::Classic}) {
            s.Timing = saved;
            ASSERT_TRUE(SaveSettingsFile(path, rec, s).ok());
            const char written = saved == TimingMode::DataSheet ? '\1' : '\0';
            EXPECT_EQ(readAll(path),
                      record(5, 1, 1, 0, 1, 1, 100, std::string(1, written) + "\x82\x06\x07"));
        }
    }
}

// The circuit's VPP in the second reserved byte, in tenths of a volt: older files
// (0 there) and values no circuit gives read as 13,0 V.
TEST(SettingsFile, VppByteHoldsTheMeasuredVoltage) {
    TempDir dir;
    const std::string path = dir.file("PKorvel.ini");
    const std::pair<char, int> cases[] = {
        {'\0', 130}, {'\x78', 120}, {'\x50', 80}, {'\x96', 150}, {'\x4F', 130}, {'\x97', 130},
    };
    for (const auto& [byte, tenths] : cases) {
        writeAll(path,
                 record(5, 1, 1, 0, 1, 1, 100, std::string("\0", 1) + byte + std::string(2, '\0')));
        SettingsRecord rec;
        auto s = measured(100);
        s.VppTenths = 99;
        ASSERT_TRUE(LoadSettingsFile(path, rec, s));
        EXPECT_EQ(s.VppTenths, tenths) << int(static_cast<unsigned char>(byte));
    }
    SettingsRecord rec;
    auto s = measured(100);
    s.VppTenths = 121;
    ASSERT_TRUE(SaveSettingsFile(path, rec, s).ok());
    auto back = measured(100);
    ASSERT_TRUE(LoadSettingsFile(path, rec, back));
    EXPECT_EQ(back.VppTenths, 121);
}

TEST(SettingsFile, FailedSaveKeepsTheOldFileAndNamesIt) {
    TempDir dir;
    const std::string path = dir.file("PKorvel.ini");
    const std::string old = record(5, 0, 0, 0, 1, 1, 10);
    writeAll(path, old);
    SettingsRecord rec;
    FailingOps ops(FailingOps::At::SecondWrite);
    const auto r = SaveSettingsFile(path, rec, measured(999), &ops);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(readAll(path), old);
    const std::string msg = SettingsSaveMessage(path, r);
    EXPECT_THAT(msg, HasSubstr(path));
    EXPECT_THAT(msg, HasSubstr("Kein Platz mehr auf dem Datenträger"));
}

TEST(SettingsFile, LivesInTheUsersConfigurationFolder) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg != nullptr ? oldXdg : "";
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";

    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-here", 1);
    EXPECT_EQ(SettingsFilePath(), "/tmp/xdg-here/PKorvel.ini");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/PKorvel.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/PKorvel.ini");

    if (oldXdg != nullptr) {
        ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    }
    if (oldHome != nullptr) {
        ::setenv("HOME", savedHome.c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
}

}  // namespace
}  // namespace pk

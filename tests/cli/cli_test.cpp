// pkorvel-cli as a script sees it: exit codes, standard output and the files it
// leaves, against the simulated programmer.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "chip_facts.h"
#include "device/catalogue.h"
#include "device/p18_catalogue.h"
#include "device/p18_config_fields.h"
#include "device/type_names.h"
#include "editors/config_word.h"
#include "image/byte_hex_file.h"
#include "image/hex_file.h"
#include "link/circuit.h"
#include "viewers/memory_map.h"
#include "viewers/p18_listing.h"
#include "viewers/p18_memory_map.h"
#include "viewers/reassembler.h"

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string data(const char* name) {
    return std::string(PKORVEL_TEST_DATA) + "/" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

pk::WordArray wordsOf(const std::string& path) {
    pk::WordArray words;
    words.fill(pk::MemoryImage::AbsentWord);
    const std::string text = readFile(path);
    EXPECT_TRUE(pk::OpenHexfile(text, words).ok()) << path;
    return words;
}

class CliTest : public ::testing::Test {
  protected:
    // Runs the tool; the settings file is looked for in an empty folder, so the
    // defaults stand whatever the user running the tests has set up. `input` is
    // given on standard input.
    Result run(const QStringList& args, const std::optional<std::string>& input = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PKORVEL_CLI), args);
        if (input) {
            p.write(input->data(), static_cast<qint64>(input->size()));
            p.closeWriteChannel();
        }
        EXPECT_TRUE(p.waitForFinished(120'000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
    }

    // The simulator with a chip whose memories live in chipFile().
    Result sim(const QString& chip, QStringList args,
               const std::optional<std::string>& input = {}) {
        // A chip that takes at most 12 V on MCLR gets a board that gives 12 V.
        if (const auto m = pk::lookupSwitch("/p" + chip.toLower().toStdString());
            m && !pk::deviceInfo(m->type)->vpp.holds(1300)) {
            args.prepend(QStringLiteral("--sim-vpp=12"));
            args.prepend(QStringLiteral("--vpp=12"));
        } else if (args.filter(QStringLiteral("--type")).isEmpty() &&
                   args.filter(QStringLiteral("--vpp")).isEmpty()) {
            // The chip takes the board's 13 V; a detection asks first, since
            // not every chip does, and the user knows this one.
            args.prepend(QStringLiteral("--vpp-ok"));
        }
        args.prepend(QStringLiteral("--sim-chip-file=") + chipFile());
        args.prepend(QStringLiteral("--sim-fast"));
        args.prepend(QStringLiteral("--simulate=") + chip);
        return run(args, input);
    }

    QString chipFile() const { return dir_.filePath(QStringLiteral("chip.hex")); }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    static QString q(const std::string& s) { return QString::fromStdString(s); }

    // Changes program word `address` in the simulated chip's file behind the tool's back.
    void patchChip(int address, std::uint16_t value) {
        pk::WordArray words = wordsOf(chipFile().toStdString());
        words[static_cast<std::size_t>(address)] = value;
        std::string text;
        pk::WriteHexRange(text, words, 0, static_cast<int>(pk::MemoryImage::Size) - 1);
        text += ":00000001FF\r\n";
        std::ofstream(chipFile().toStdString(), std::ios::binary) << text;
    }

    // A simulated chip of a catalogue row, named as its switch names it.
    struct CatalogueChip {
        std::string name;  // "16F877"
        const pk::DeviceInfo* row;
    };
    // The chips a row's switches name, the first 16F84 aside: it has no device ID
    // to detect.
    static std::vector<CatalogueChip> chipsOf(const pk::DeviceInfo& d) {
        std::vector<CatalogueChip> chips;
        for (std::string_view sw : d.switches) {
            if (sw.empty() || sw == "/p16f84") {
                continue;
            }
            std::string name(sw.substr(2));
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            chips.push_back({name, &d});
        }
        return chips;
    }
    // Every chip of every row.
    static std::vector<CatalogueChip> catalogueChips() {
        std::vector<CatalogueChip> chips;
        for (const pk::DeviceInfo& d : pk::kDevices) {
            const std::vector<CatalogueChip> row = chipsOf(d);
            chips.insert(chips.end(), row.begin(), row.end());
        }
        return chips;
    }

    // in.hex for the chip: words at both ends of program memory and of the EEPROM,
    // the ID locations and the configuration word (and a second one where the
    // chip has it). Returns what the file holds.
    pk::WordArray writeChipTest(const pk::DeviceInfo& d, std::uint16_t config) {
        pk::WordArray file;
        file.fill(pk::MemoryImage::AbsentWord);
        for (int a = 0; a < 8; ++a) {
            file[static_cast<std::size_t>(a)] = static_cast<std::uint16_t>(0x2800 + a * 37);
            file[static_cast<std::size_t>(d.progLastAddr - a)] =
                static_cast<std::uint16_t>(0x0100 + a);
        }
        for (int n = 0; n <= std::min(d.dataLastAddr, 2); ++n) {
            file[static_cast<std::size_t>(pk::MemoryImage::EepromBase + n)] =
                static_cast<std::uint16_t>(0x5A + n);
        }
        if (d.dataLastAddr >= 0) {
            file[static_cast<std::size_t>(pk::MemoryImage::EepromBase + d.dataLastAddr)] = 0x33;
        }
        for (int i = 0; i < 4; ++i) {
            file[static_cast<std::size_t>(pk::MemoryImage::IdBase + i)] =
                static_cast<std::uint16_t>(1 + i);
        }
        file[pk::MemoryImage::ConfigAddr] = config;
        if (d.hasConfig2()) {
            // Not the erased value: the lowest bit the chip stores there cleared.
            const std::uint16_t stored = d.config2().implemented;
            file[pk::MemoryImage::Config2Addr] =
                static_cast<std::uint16_t>(0x3FFF & ~(stored & (~stored + 1)));
        }
        std::string text;
        pk::WriteHexRange(text, file, 0, static_cast<int>(pk::MemoryImage::Size) - 1);
        text += ":00000001FF\r\n";
        std::ofstream(path("in.hex").toStdString(), std::ios::binary) << text;
        return file;
    }

    // What a read gives back for that file: every word, the device ID at 0x2006
    // aside. The 8/14-pin chips keep their own calibration word and bandgap bits,
    // whatever the file says.
    static void expectReadBack(const pk::DeviceInfo& d, const pk::WordArray& file,
                               const pk::WordArray& back) {
        for (std::size_t a = 0; a < pk::MemoryImage::Size; ++a) {
            const auto address = static_cast<std::int32_t>(a);
            if (pk::isCalibrationWord(d.type, address)) {
                EXPECT_TRUE(pk::isRetlw(back[a]) && back[a] != file[a]) << back[a];
            } else if (a == pk::MemoryImage::ConfigAddr) {
                EXPECT_TRUE(pk::sameConfig(d.type, back[a], file[a])) << back[a];
            } else if (a != 0x2006) {
                EXPECT_EQ(back[a], file[a]) << std::hex << a;
            }
        }
    }

    // ---- PIC18F ----

    // The simulator with the part in the socket and chosen by --type; a part that
    // takes at most 12.5 V on MCLR gets a board that gives 12 V.
    Result p18(const pk::P18Device& d, QStringList args,
               const std::optional<std::string>& input = {}) {
        if (!d.family->vpp.holds(1300)) {
            args.prepend(QStringLiteral("--sim-vpp=12"));
            args.prepend(QStringLiteral("--vpp=12"));
        }
        args.prepend(QStringLiteral("--type=") + q(pk::typeName(d)));
        args.prepend(QStringLiteral("--sim-chip-file=") + chipFile());
        args.prepend(QStringLiteral("--sim-fast"));
        args.prepend(QStringLiteral("--simulate=") + q(std::string(d.name)));
        return run(args, input);
    }

    // in.hex for the part: every program, ID and EEPROM byte at random, the
    // configuration bytes that set no protection at random too, the protection
    // bytes as erased (protected code would read back as 0).
    pk::ByteImage::Bytes writeP18Random(const pk::P18Device& d, unsigned seed) {
        std::mt19937 random(seed);
        const pk::ByteRegions regions = pk::p18Regions(d);
        pk::ByteImage::Bytes bytes(regions.totalBytes());
        for (auto& b : bytes) {
            b = static_cast<std::uint16_t>(random() & 0xFF);
        }
        const std::size_t config = regions.place(pk::ByteArea::Config).first;
        for (std::size_t n = 0; n < d.configMask.size(); ++n) {
            bytes[config + n] =
                n < pk::p18cfg::k5L
                    ? static_cast<std::uint16_t>(bytes[config + n] & d.configMask[n])
                    : d.configErased[n];
        }
        std::ofstream(path("in.hex").toStdString(), std::ios::binary)
            << pk::BuildByteHexFile(regions, bytes);
        return bytes;
    }

    static pk::ByteImage bytesOf(const pk::P18Device& d, const std::string& file) {
        pk::ByteImage image(pk::p18Regions(d));
        EXPECT_TRUE(pk::OpenByteHexfile(readFile(file), image).ok()) << file;
        return image;
    }

    QTemporaryDir dir_;
};

TEST_F(CliTest, BurnVerifyReadEraseUnprotectOnASimulatedChip) {
    const QString hex = q(data("f877_pages.8m.hex"));
    Result r = sim(QStringLiteral("16F877"), {QStringLiteral("burn"), hex});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Programm 0"), std::string::npos) << r.out;

    r = sim(QStringLiteral("16F877"), {QStringLiteral("verify"), hex});
    EXPECT_EQ(r.code, 0) << r.err;

    const pk::WordArray file = wordsOf(data("f877_pages.8m.hex"));
    ASSERT_NE(file[1], pk::MemoryImage::AbsentWord);
    patchChip(1, file[1] ^ 0x0001);
    r = sim(QStringLiteral("16F877"), {QStringLiteral("verify"), QStringLiteral("--list"), hex});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("program 0x0001:"), std::string::npos) << r.out;

    // Read back: every word the file gives is in the written file, the patched one as read.
    r = sim(QStringLiteral("16F877"), {QStringLiteral("read"), path("out.hex")});
    ASSERT_EQ(r.code, 0) << r.err;
    const pk::WordArray back = wordsOf(path("out.hex").toStdString());
    for (std::size_t a = 0; a < 0x2000; ++a) {
        if (a != 1 && file[a] != pk::MemoryImage::AbsentWord) {
            EXPECT_EQ(back[a], file[a]) << a;
        }
    }
    EXPECT_EQ(back[1], file[1] ^ 0x0001);

    r = sim(QStringLiteral("16F877"), {QStringLiteral("erase")});
    EXPECT_EQ(r.code, 0) << r.err;
    // The chip file leaves erased words out, as the program's own HEX files do.
    EXPECT_EQ(wordsOf(chipFile().toStdString())[0], pk::MemoryImage::AbsentWord);
    r = sim(QStringLiteral("16F877"), {QStringLiteral("verify"), hex});
    EXPECT_EQ(r.code, 1);

    r = sim(QStringLiteral("16F877"), {QStringLiteral("unprotect")});
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(CliTest, EveryWriteSchemeBurnsAndVerifies) {
    struct Case {
        const char* chip;
        const char* file;
    };
    for (const Case& c :
         {Case{"16F84A", "f84_all_instructions.8m.hex"}, Case{"16F74", "f74_counter.8m.hex"},
          Case{"16F628", "f628_intrc.8m.hex"}}) {
        QFile::remove(chipFile());
        Result r = sim(QString::fromLatin1(c.chip), {QStringLiteral("burn"), q(data(c.file))});
        EXPECT_EQ(r.code, 0) << c.chip << r.err;
        r = sim(QString::fromLatin1(c.chip), {QStringLiteral("verify"), q(data(c.file))});
        EXPECT_EQ(r.code, 0) << c.chip << r.err;
        r = sim(QString::fromLatin1(c.chip), {QStringLiteral("unprotect")});
        EXPECT_EQ(r.code, 0) << c.chip << r.err;
    }
}

// Every catalogue row through the tool, on the simulated chip each of its
// switches names (the first 16F84 aside: it has no device ID to detect): burn,
// verify, read back what was burnt, erase, remove protection and detect, with
// the simulator echoing no protocol violation.
TEST_F(CliTest, EveryCatalogueChipBurnsVerifiesReadsErasesAndIsDetected) {
    for (const CatalogueChip& c : catalogueChips()) {
        SCOPED_TRACE(c.name);
        const pk::DeviceInfo& d = *c.row;
        const QString chip = q(c.name);
        QFile::remove(chipFile());
        const pk::WordArray file = writeChipTest(d, pk::buildConfigWord(d.type, {}));
        const QString in = path("in.hex");

        Result r = sim(chip, {QStringLiteral("burn"), in});
        ASSERT_EQ(r.code, 0) << r.out << r.err;
        r = sim(chip, {QStringLiteral("verify"), in});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_EQ(r.err.find("simulation"), std::string::npos) << r.err;

        r = sim(chip, {QStringLiteral("read"), path("out.hex")});
        ASSERT_EQ(r.code, 0) << r.err;
        expectReadBack(d, file, wordsOf(path("out.hex").toStdString()));

        r = sim(chip, {QStringLiteral("erase")});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_EQ(wordsOf(chipFile().toStdString())[0], pk::MemoryImage::AbsentWord);
        r = sim(chip, {QStringLiteral("burn"), in});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        r = sim(chip, {QStringLiteral("unprotect")});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_EQ(wordsOf(chipFile().toStdString())[0], pk::MemoryImage::AbsentWord);

        r = sim(chip, {QStringLiteral("detect"), QStringLiteral("--json")});
        ASSERT_EQ(r.code, 0) << r.out << r.err;
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
        EXPECT_EQ(o[QStringLiteral("type")].toString().toStdString(), d.listText);
        EXPECT_EQ(r.err.find("simulation"), std::string::npos) << r.err;
    }
}

// The same over every usable circuit variant, board and program alike, in both
// timings, each run with the programmer search at start-up: burn, verify, read,
// erase and detect leave the simulator's violation log empty. Then every chip
// that has an internal oscillator again, burnt to run its own program with MCLR
// disabled: where the circuit switches VDD, the type's entry order takes it
// into programming mode for every command; where VDD is always on, it answers
// nothing and the tool says so. The chips of one row differ only in their
// device ID: each rig takes one of them, the next rig the next, so every chip
// comes round and the run stays short.
struct Rig {
    int driver;
    int sw;
    const char* timing;
    int index;  // of the rig, choosing the chip of each row
};

class CliOnEveryCircuit : public CliTest, public ::testing::WithParamInterface<Rig> {
  protected:
    Result on(const std::string& chip, QStringList args) {
        const Rig& rig = GetParam();
        args.prepend(QStringLiteral("--yes"));
        args.prepend(QStringLiteral("--timing=") + QString::fromLatin1(rig.timing));
        args.prepend(QStringLiteral("--switch=") + QString::number(rig.sw));
        args.prepend(QStringLiteral("--driver=") + QString::number(rig.driver));
        return sim(q(chip), args);
    }
};

std::vector<Rig> everyRig() {
    std::vector<Rig> rigs;
    for (const pk::Circuit& c : pk::kCircuits) {
        for (const char* timing : {"classic", "datasheet"}) {
            rigs.push_back({static_cast<int>(c.driver), static_cast<int>(c.voltage), timing,
                            static_cast<int>(rigs.size())});
        }
    }
    return rigs;
}

TEST_P(CliOnEveryCircuit, EveryCatalogueChipBurnsVerifiesReadsErasesAndIsDetected) {
    const bool vddSwitched =
        pk::findCircuit(GetParam().driver, GetParam().sw)->entryOrders.vppFirst;
    const QString in = path("in.hex");
    for (const pk::DeviceInfo& row : pk::kDevices) {
        const std::vector<CatalogueChip> chips = chipsOf(row);
        const CatalogueChip& c = chips[static_cast<std::size_t>(GetParam().index) % chips.size()];
        SCOPED_TRACE(c.name);
        const pk::DeviceInfo& d = *c.row;
        QFile::remove(chipFile());
        const pk::WordArray file = writeChipTest(d, pk::buildConfigWord(d.type, {}));
        const auto clean = [&](const Result& r, int code) {
            EXPECT_EQ(r.code, code) << r.out << r.err;
            EXPECT_EQ(r.err.find("simulation"), std::string::npos) << r.err;
        };
        clean(on(c.name, {QStringLiteral("burn"), in}), 0);
        clean(on(c.name, {QStringLiteral("verify"), in}), 0);
        const Result read = on(c.name, {QStringLiteral("read"), path("out.hex")});
        clean(read, 0);
        if (read.code == 0) {
            expectReadBack(d, file, wordsOf(path("out.hex").toStdString()));
        }
        clean(on(c.name, {QStringLiteral("erase")}), 0);
        EXPECT_EQ(wordsOf(chipFile().toStdString())[0], pk::MemoryImage::AbsentWord);
        clean(on(c.name, {QStringLiteral("detect")}), 0);

        const std::uint16_t own = pk::testfacts::ownProgramConfig(d.type);
        if (own == 0) {
            continue;
        }
        SCOPED_TRACE("running its own program");
        const QString type = QStringLiteral("--type=") + q(c.name).toLower();
        QFile::remove(chipFile());
        writeChipTest(d, own);
        clean(on(c.name, {type, QStringLiteral("burn"), in}), 0);
        ASSERT_TRUE(pk::sameConfig(
            d.type, wordsOf(chipFile().toStdString())[pk::MemoryImage::ConfigAddr], own));
        if (!vddSwitched) {
            const Result r = on(c.name, {type, QStringLiteral("verify"), in});
            EXPECT_EQ(r.code, 4) << r.out << r.err;
            EXPECT_NE(r.err.find("no programming mode"), std::string::npos) << r.err;
            continue;
        }
        clean(on(c.name, {type, QStringLiteral("verify"), in}), 0);
        clean(on(c.name, {type, QStringLiteral("read"), path("out.hex")}), 0);
        clean(on(c.name, {type, QStringLiteral("detect")}), 0);
        clean(on(c.name, {type, QStringLiteral("burn"), in}), 0);
        clean(on(c.name, {type, QStringLiteral("erase")}), 0);
    }
}

// Each rig takes the next PIC18F parts in turn, so that every part comes round
// on some circuit and in some timing, and every rig meets more than one family.
TEST_P(CliOnEveryCircuit, EveryPic18fPartRoundTripsAFullRandomFile) {
    const std::size_t rigs = pk::kCircuits.size() * 2;
    const std::size_t parts = pk::kP18Devices.size();
    const std::size_t index = static_cast<std::size_t>(GetParam().index);
    for (const std::size_t k : {index, index + rigs}) {
        const pk::P18Device& d = pk::kP18Devices[k % parts];
        SCOPED_TRACE(std::string(d.name));
        const Rig& rig = GetParam();
        const QStringList circuit{QStringLiteral("--yes"),
                                  QStringLiteral("--driver=") + QString::number(rig.driver),
                                  QStringLiteral("--switch=") + QString::number(rig.sw),
                                  QStringLiteral("--timing=") + QString::fromLatin1(rig.timing)};
        auto clean = [&](QStringList args) {
            const Result r = p18(d, circuit + args);
            EXPECT_EQ(r.code, 0) << args.join(QLatin1Char(' ')).toStdString() << r.out << r.err;
            EXPECT_EQ(r.err.find("simulation"), std::string::npos) << r.err;
        };
        QFile::remove(chipFile());
        const pk::ByteImage::Bytes file = writeP18Random(d, static_cast<unsigned>(k + 1));
        const QString in = path("in.hex");
        clean({QStringLiteral("detect")});
        clean({QStringLiteral("burn"), in});
        clean({QStringLiteral("verify"), in});
        clean({QStringLiteral("read"), path("out.hex")});
        const pk::ByteImage back = bytesOf(d, path("out.hex").toStdString());
        const std::size_t config = back.regions().place(pk::ByteArea::Config).first;
        for (std::size_t i = 0; i < file.size(); ++i) {
            const bool isConfig = i >= config && i < config + d.configMask.size();
            const std::uint8_t mask = isConfig ? d.configMask[i - config] : 0xFF;
            if (mask != 0) {
                ASSERT_EQ(back.HexBytes[i] & mask, file[i] & mask) << "byte " << i;
            }
        }
        clean({QStringLiteral("erase")});
        const pk::ByteImage erased = bytesOf(d, chipFile().toStdString());
        EXPECT_EQ(erased.hexByte(0), pk::ByteImage::AbsentByte);
        EXPECT_EQ(erased.hexByte(pk::p18addr::kEeprom), pk::ByteImage::AbsentByte);
        clean({QStringLiteral("unprotect")});
    }
}

INSTANTIATE_TEST_SUITE_P(Rigs, CliOnEveryCircuit, ::testing::ValuesIn(everyRig()),
                         [](const ::testing::TestParamInfo<Rig>& info) {
                             return "driver" + std::to_string(info.param.driver) + "switch" +
                                    std::to_string(info.param.sw) + "_" + info.param.timing;
                         });

TEST_F(CliTest, JsonResultNamesCountersAndFailedAddresses) {
    const QString hex = q(data("f877_pages.8m.hex"));
    ASSERT_EQ(sim(QStringLiteral("16F877"), {QStringLiteral("burn"), hex}).code, 0);
    const pk::WordArray file = wordsOf(data("f877_pages.8m.hex"));
    std::size_t changed = 2;
    while (file[changed] == pk::MemoryImage::AbsentWord) {
        ++changed;
    }
    patchChip(static_cast<int>(changed), file[changed] ^ 0x0100);
    const Result r =
        sim(QStringLiteral("16F877"), {QStringLiteral("verify"), QStringLiteral("--json"), hex});
    EXPECT_EQ(r.code, 1);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    const QJsonObject o = doc.object();
    EXPECT_EQ(o[QStringLiteral("command")].toString(), QStringLiteral("verify"));
    EXPECT_EQ(o[QStringLiteral("type")].toString(), QStringLiteral("16F876/877"));
    EXPECT_EQ(o[QStringLiteral("result")].toString(), QStringLiteral("differences"));
    EXPECT_EQ(o[QStringLiteral("counters")].toObject()[QStringLiteral("program")].toInt(), 1);
    const QJsonArray failed = o[QStringLiteral("failed")].toArray();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0].toObject()[QStringLiteral("address")].toInt(), static_cast<int>(changed));
    EXPECT_EQ(failed[0].toObject()[QStringLiteral("wanted")].toInt(), file[changed]);
    EXPECT_EQ(failed[0].toObject()[QStringLiteral("read")].toInt(), file[changed] ^ 0x0100);

    // A burn that fails at a word names it too, taken from the routine's message.
    QFile::remove(chipFile());
    const Result burn =
        sim(QStringLiteral("16F877"), {QStringLiteral("--sim-fault=bad-cell:0x10"),
                                       QStringLiteral("--json"), QStringLiteral("burn"), hex});
    EXPECT_EQ(burn.code, 1);
    const QJsonObject b = QJsonDocument::fromJson(QByteArray::fromStdString(burn.out)).object();
    ASSERT_EQ(b[QStringLiteral("failed")].toArray().size(), 1) << burn.out;
    EXPECT_EQ(
        b[QStringLiteral("failed")].toArray()[0].toObject()[QStringLiteral("address")].toInt(),
        0x10);
}

TEST_F(CliTest, SigintEndsTheReadWithoutALeftoverFile) {
    for (const auto& [sig, code] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path());
        p.setProcessEnvironment(env);
        // Real waits, so the read is still running when the signal comes.
        p.start(QStringLiteral(PKORVEL_CLI),
                {QStringLiteral("--simulate=16F877"), QStringLiteral("read"), path("out.hex")});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(700);
        ::kill(static_cast<pid_t>(p.processId()), sig);
        ASSERT_TRUE(p.waitForFinished(60'000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), code);
        const QStringList left = QDir(dir_.path()).entryList({QStringLiteral("out.hex*")});
        EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(CliTest, ExitCodesForEveryKindOfFailure) {
    const QString hex = q(data("f877_pages.8m.hex"));
    Result r = sim(QStringLiteral("16F877"), {QStringLiteral("--type"), QStringLiteral("16f84"),
                                              QStringLiteral("burn"), q(data("edge_lf.hex"))});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("Falscher PIC-Typ ausgewählt: im Sockel steckt ein 16F876/877, gewählt "
                         "ist 16F84/84A."),
              std::string::npos)
        << r.err;

    r = sim(QStringLiteral("16F877"),
            {QStringLiteral("--sim-fault=no-chip"), QStringLiteral("detect")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("kein PIC erkannt"), std::string::npos) << r.err;

    // Without --type the detected chip must fit the file; nothing is written otherwise.
    r = sim(QStringLiteral("16F877"),
            {QStringLiteral("--sim-fault=wrong-chip:16F628"), QStringLiteral("burn"), hex});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("Die Datei passt nicht zum erkannten PIC 16F628: Adresse 0x"),
              std::string::npos)
        << r.err;

    // A 16F84A has a device ID: reading all ones means an empty socket.
    r = sim(QStringLiteral("16F84A"),
            {QStringLiteral("--sim-fault=no-chip"), QStringLiteral("--type"),
             QStringLiteral("16f84a"), QStringLiteral("read"), path("empty.hex")});
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_FALSE(QFile::exists(path("empty.hex")));

    // A read that differs between its two passes is not saved, unless forced.
    const QStringList flaky{QStringLiteral("--simulate=16F877"),
                            QStringLiteral("--sim-fast"),
                            QStringLiteral("--sim-fault=flaky:97"),
                            QStringLiteral("--type"),
                            QStringLiteral("16f877"),
                            QStringLiteral("read")};
    r = run(flaky + QStringList{path("flaky.hex")});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find(" Wörter lasen sich zweimal verschieden"), std::string::npos) << r.err;
    EXPECT_FALSE(QFile::exists(path("flaky.hex")));
    r = run(flaky + QStringList{QStringLiteral("--force"), path("flaky.hex")});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(QFile::exists(path("flaky.hex")));

    // Bulk erase commands that do nothing leave the used chip as it was.
    r = run({QStringLiteral("--simulate=16F628"), QStringLiteral("--sim-fast"),
             QStringLiteral("--sim-fault=no-bulk-erase"), QStringLiteral("--type"),
             QStringLiteral("16f628"), QStringLiteral("erase")});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("PIC nicht vollständig gelöscht!"), std::string::npos) << r.err;

    r = sim(QStringLiteral("16F877"), {QStringLiteral("--sim-lpt=0"), QStringLiteral("search")});
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("kein Korvel gefunden"), std::string::npos) << r.err;

    r = sim(QStringLiteral("16F877"), {QStringLiteral("burn"), path("missing.hex")});
    EXPECT_EQ(r.code, 5);
    r = sim(QStringLiteral("16F877"), {QStringLiteral("burn"), q(data("edge_bad_char.hex"))});
    EXPECT_EQ(r.code, 5) << "a damaged file is not burnt half";

    r = sim(QStringLiteral("16F877"), {QStringLiteral("read"), path("no/such/folder/out.hex")});
    EXPECT_EQ(r.code, 6);

    for (const QStringList& bad :
         {QStringList{QStringLiteral("--bogus"), QStringLiteral("erase")},
          QStringList{QStringLiteral("frobnicate")}, QStringList{QStringLiteral("burn")},
          QStringList{QStringLiteral("--type=16f99"), QStringLiteral("erase")},
          QStringList{QStringLiteral("--id=1,2,3"), QStringLiteral("erase")},
          QStringList{QStringLiteral("--config=0x4000"), QStringLiteral("erase")},
          QStringList{QStringLiteral("--config2=x"), QStringLiteral("erase")}, QStringList{}}) {
        EXPECT_EQ(sim(QStringLiteral("16F877"), bad).code, 2)
            << bad.join(QLatin1Char(' ')).toStdString();
    }
    r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("Exit-Codes"), std::string::npos);
}

// The old 16F84 has no device ID. A protected one burns with exit 1 and the
// hint to remove the protection, and burns after "unprotect"; an empty socket
// makes every command fail with exit 4, whatever the data line reads there.
TEST_F(CliTest, AnOld16F84ProtectedOrMissingIsNamedAsSuch) {
    const QString hex = q(data("f84_all_instructions.8m.hex"));
    pk::WordArray chip;
    chip.fill(pk::MemoryImage::AbsentWord);
    chip[0] = 0x2805;
    chip[pk::MemoryImage::ConfigAddr] = 0x0001;  // every CP bit clear
    std::string text;
    pk::WriteHexRange(text, chip, 0, static_cast<int>(pk::MemoryImage::Size) - 1);
    std::ofstream(chipFile().toStdString(), std::ios::binary) << text << ":00000001FF\r\n";
    const QStringList type{QStringLiteral("--type"), QStringLiteral("16f84")};

    Result r = sim(QStringLiteral("16F84"), type + QStringList{QStringLiteral("burn"), hex});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("Programmbrennen abgebrochen! 0x0000: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("zuerst CP entfernen"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("kein PIC erkannt"), std::string::npos) << r.err;
    r = sim(QStringLiteral("16F84"), type + QStringList{QStringLiteral("unprotect")});
    EXPECT_EQ(r.code, 0) << r.err;
    r = sim(QStringLiteral("16F84"), type + QStringList{QStringLiteral("burn"), hex});
    EXPECT_EQ(r.code, 0) << r.err;

    // (A data line held low stops the programmer search already; the device
    // tests cover an empty socket that reads zeros.)
    for (const char* command : {"erase", "unprotect"}) {
        SCOPED_TRACE(command);
        r = run({QStringLiteral("--simulate=16F84"), QStringLiteral("--sim-fast"),
                 QStringLiteral("--sim-fault=no-chip"), QStringLiteral("--type"),
                 QStringLiteral("16f84"), QString::fromLatin1(command)});
        EXPECT_EQ(r.code, 4) << r.err;
        EXPECT_NE(r.err.find("kein PIC erkannt"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("gelöscht"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("entfernt"), std::string::npos) << r.out;
    }
}

// A chip whose allowed VPP does not hold the Korvel's is refused unless the user
// says so, or gives the voltage he measured.
TEST_F(CliTest, VppOutsideTheChipsRangeIsRefusedUnlessAllowed) {
    const QString hex = q(data("f74_counter.8m.hex"));
    struct Case {
        QStringList options;
        int code;
        const char* says;  // in the error output; "" for nothing in particular
    };
    const Case cases[] = {
        {{QStringLiteral("--vpp=12")}, 2, "Der 16F73/74 braucht mindestens 12,75 V"},
        {{QStringLiteral("--vpp=13,5")},
         2,
         "verträgt höchstens 13,25 V an MCLR; der Korvel "
         "liefert 13,5 V"},
        {{QStringLiteral("--vpp=12"), QStringLiteral("--vpp-ok")}, 0, ""},
        {{QStringLiteral("--vpp=13.0")}, 0, ""},
        {{}, 0, ""},
        {{QStringLiteral("--vpp=20")}, 2, "--vpp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(QLatin1Char(' ')).toStdString());
        QFile::remove(chipFile());
        const Result r =
            sim(QStringLiteral("16F74"),
                c.options + QStringList{QStringLiteral("--type"), QStringLiteral("16f74"),
                                        QStringLiteral("burn"), hex});
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        if (c.code != 0 && QFile::exists(chipFile())) {
            EXPECT_NE(wordsOf(chipFile().toStdString())[0], wordsOf(hex.toStdString())[0])
                << "nothing was burnt";
        }
    }
    // A 16F887 takes at most 12 V: the default 13 V is refused before anything
    // is written, for the type named, or for every chip a detection may find.
    const char* limit =
        "Der 16F886/887 verträgt höchstens 12 V an MCLR; der Korvel liefert 13,0 V.";
    const char* detection =
        "Die Erkennung legt 13,0 V an MCLR, bevor sie den PIC kennt; höchstens 12 V vertragen "
        "16F882, 16F883/884, 16F886/887";
    const Case at13[] = {
        {{QStringLiteral("--type=16f887")}, 2, limit},
        {{}, 2, detection},
        {{QStringLiteral("--type=16f887"), QStringLiteral("--vpp-ok")}, 0, ""},
        {{QStringLiteral("--vpp-ok")}, 0, ""},
        {{QStringLiteral("--vpp=12")}, 0, ""},
    };
    for (const Case& c : at13) {
        SCOPED_TRACE(c.options.join(QLatin1Char(' ')).toStdString());
        QFile::remove(chipFile());
        const Result r =
            run(c.options + QStringList{QStringLiteral("--simulate=16F887"),
                                        QStringLiteral("--sim-fast"),
                                        QStringLiteral("--sim-chip-file=") + chipFile(),
                                        QStringLiteral("burn"), hex});
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        if (c.code != 0 && QFile::exists(chipFile())) {
            EXPECT_NE(wordsOf(chipFile().toStdString())[0], wordsOf(hex.toStdString())[0]);
        }
    }
}

// A bulk erase that takes the factory calibration along (as one with the
// counter at the calibration word would) ends in a counted failure naming the
// word, never in "O.K.".
TEST_F(CliTest, ALostCalibrationWordIsAFailureNamingIt) {
    for (const char* chip : {"16F887", "16F690", "16F917", "12F615"}) {
        for (const char* command : {"erase", "unprotect", "burn"}) {
            SCOPED_TRACE(command);
            QFile::remove(chipFile());  // a new chip, straight from the factory
            QStringList args{QStringLiteral("--sim-fault=erase-at-calibration"),
                             QString::fromLatin1(command)};
            if (std::string_view(command) == "burn") {
                std::ofstream(path("one.hex").toStdString()) << ":020000000028D6\n:00000001FF\n";
                args << path("one.hex");
            }
            const Result r = sim(QString::fromLatin1(chip), args);
            EXPECT_EQ(r.code, 1) << r.out << r.err;
            EXPECT_NE(r.err.find("Kalibrierwort an 0x200"), std::string::npos) << r.err;
            const Result after = sim(QString::fromLatin1(chip), {QStringLiteral("detect")});
            EXPECT_NE(after.out.find("= 0x3FFF"), std::string::npos) << after.out;
        }
    }
}

TEST_F(CliTest, DetectNamesTypeRevisionAndProtection) {
    const Result r =
        sim(QStringLiteral("16F628"), {QStringLiteral("detect"), QStringLiteral("--json")});
    ASSERT_EQ(r.code, 0) << r.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(o[QStringLiteral("type")].toString(), QStringLiteral("16F628"));
    EXPECT_EQ(o[QStringLiteral("deviceId")].toInt() & 0x3FE0, 0x07C0);
    EXPECT_FALSE(o[QStringLiteral("flashProtected")].toBool());
}

TEST_F(CliTest, ListingIsTheLibrarysText) {
    for (const char* type : {"16f877", "16f84"}) {
        const std::string file = data("viewers_all_instructions.hex");
        const Result r = run({QStringLiteral("--type"), QString::fromLatin1(type),
                              QStringLiteral("listing"), q(file)});
        ASSERT_EQ(r.code, 0) << r.err;
        pk::MemoryImage image;
        ASSERT_TRUE(pk::LoadHexFile(file, image).complete());
        image.HexFileName = file;
        const std::int32_t last = std::string(type) == "16f84" ? 0x03FF : 0x1FFF;
        EXPECT_EQ(r.out, pk::reassemble(image, last)) << type;
    }
}

TEST_F(CliTest, P18ListingIsTheLibrarysText) {
    ASSERT_EQ(std::system("command -v gpasm >/dev/null 2>&1"), 0)
        << "gpasm not found: install gputils (scripts/setup)";
    std::ofstream(path("l.asm").toStdString()) << R"(        #include <p18f4550.inc>
        CONFIG WDT = OFF, LVP = OFF
        __idlocs _IDLOC0, 0x1
        org 0
        goto start
        org 0x100
start:  movff PORTB, LATD
loop:   btfss PORTA, 0, ACCESS
        bra loop
        rcall sub
        bra start
sub:    retlw 'K'
        org 0xF00000
        de "PK"
        end
)";
    const std::string cmd =
        "cd '" + dir_.path().toStdString() + "' && gpasm -q -p 18f4550 -a inhx32 -o l.hex l.asm";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const std::string file = path("l.hex").toStdString();
    pk::ByteImage image(pk::p18Regions(*pk::p18ByName("18F4550")));
    ASSERT_TRUE(pk::LoadByteHexFile(file, image).complete());
    image.HexFileName = file;
    const std::string expected = pk::p18Listing(image);

    const Result r = run({QStringLiteral("--type"), QStringLiteral("18f4550"),
                          QStringLiteral("listing"), path("l.hex")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    EXPECT_NE(r.out.find("MOVFF   0xF81,0xF8C"), std::string::npos) << r.out;

    const Result json = run({QStringLiteral("--json"), QStringLiteral("--type=18f4550"),
                             QStringLiteral("listing"), path("l.hex")});
    ASSERT_EQ(json.code, 0) << json.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(o.value(QStringLiteral("listing")).toString().toStdString(), expected);
    EXPECT_EQ(o.value(QStringLiteral("type")).toString(), QStringLiteral("18F4550"));

    // A file the part cannot hold is refused as burn refuses it, a missing one too.
    std::ofstream(path("big.hex").toStdString()) << ":020000040001F9\n:0100000000FF\n:00000001FF\n";
    for (const char* name : {"big.hex", "none.hex"}) {
        const Result bad =
            run({QStringLiteral("--type=18f4550"), QStringLiteral("listing"), path(name)});
        EXPECT_EQ(bad.code, 5) << name << bad.out << bad.err;
        EXPECT_TRUE(bad.out.empty()) << bad.out;
        EXPECT_EQ(run({QStringLiteral("--type=18f4550"), QStringLiteral("map"), path(name),
                       path("map.png")})
                      .code,
                  5)
            << name;
    }
}

TEST_F(CliTest, MapIsTheLibrarysSheet) {
    const std::string file = data("f84_all_instructions.8m.hex");
    const Result r =
        run({QStringLiteral("--type=16f84"), QStringLiteral("map"), q(file), path("map.png")});
    ASSERT_EQ(r.code, 0) << r.err;
    pk::MemoryImage image;
    ASSERT_TRUE(pk::LoadHexFile(file, image).complete());
    pk::DeviceState device{pk::Dev16F84, 0x03FF, 0x3F, false};
    const pk::RgbPicture sheet = pk::memoryMapSheet(pk::computeMemoryMap(image, device));
    const QImage png(path("map.png"));
    ASSERT_EQ(png.width(), sheet.width);
    ASSERT_EQ(png.height(), sheet.height);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{2, 2}, std::pair{200, 100},
                               std::pair{sheet.width - 1, sheet.height - 1}}) {
        const pk::Rgb want = sheet.at(x, y);
        EXPECT_EQ(png.pixelColor(x, y), QColor(want.r, want.g, want.b)) << x << "," << y;
    }
    EXPECT_EQ(run({QStringLiteral("map"), q(file), path("no/folder/map.png")}).code, 6);
}

TEST_F(CliTest, P18MapIsTheLibrarysSheet) {
    // A quarter of every area given, so that free, used and missing cells all appear.
    const pk::P18Device& d = *pk::p18ByName("18F4550");
    const pk::ByteRegions regions = pk::p18Regions(d);
    pk::ByteImage::Bytes bytes(regions.totalBytes(), pk::ByteImage::AbsentByte);
    std::mt19937 random(7);
    for (auto& b : bytes) {
        if (random() % 4 == 0) {
            b = static_cast<std::uint16_t>(random() & 0xFF);
        }
    }
    std::ofstream(path("in.hex").toStdString(), std::ios::binary)
        << pk::BuildByteHexFile(regions, bytes);
    const Result r = run({QStringLiteral("--type"), QStringLiteral("18f4550"),
                          QStringLiteral("map"), path("in.hex"), path("map.png")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Speicherbelegung nach " + path("map.png").toStdString() + "\n");

    pk::ByteImage image(regions);
    ASSERT_TRUE(pk::LoadByteHexFile(path("in.hex").toStdString(), image).complete());
    const pk::RgbPicture sheet = pk::p18MemoryMapSheet(pk::computeP18MemoryMap(image, d));
    const QImage png = QImage(path("map.png")).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(png.width(), sheet.width);
    ASSERT_EQ(png.height(), sheet.height);
    for (int y = 0; y < sheet.height; ++y) {
        ASSERT_EQ(std::memcmp(png.constScanLine(y),
                              sheet.pixels.data() + static_cast<std::size_t>(y) * sheet.width * 3,
                              static_cast<std::size_t>(sheet.width) * 3),
                  0)
            << "row " << y;
    }
}

TEST_F(CliTest, CheckExplainsEveryEdgeCaseFile) {
    struct Case {
        const char* file;
        int code;
        const char* says;  // part of the report
    };
    const Case cases[] = {
        {"edge_crlf.hex", 0, "genau so geladen"},
        {"edge_lf.hex", 0, "genau so geladen"},
        {"edge_lower_case.hex", 0, "genau so geladen"},
        {"edge_empty_lines.hex", 0, ":10: Hinweis: Text nach dem Ende-Datensatz"},
        {"edge_bad_char.hex", 1, ":3: Fehler: ungültiges Zeichen \"G\" in Spalte 14"},
        {"edge_short_line.hex", 1, ":2: Fehler: die Zeile ist zu kurz"},
        {"edge_no_end_record.hex", 1, "Ende-Datensatz (Typ 1) fehlt"},
        {"edge_odd.hex", 1, ":2: Fehler: ungerade Byteadresse 0x0011"},
        {"edge_record_types.hex", 1, ":3: Fehler: erweiterte Adresse 0x1000"},
        {"edge_above_range.hex", 1, ":2: Fehler: Datenwort an Adresse 0x2200"},
        {"f877_pages.32.hex", 0, "Typ 4 wird übergangen (Adresse 0, ohne Wirkung)"},
    };
    for (const Case& c : cases) {
        const Result r = run({QStringLiteral("check"), q(data(c.file))});
        EXPECT_EQ(r.code, c.code) << c.file << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.file << "\n" << r.out;
    }
    // The same words read twice, a checksum off by one, data beyond a small chip.
    std::ofstream(path("twice.hex").toStdString(), std::ios::binary)
        << ":020000000100FD\n:020000000200FC\n:020002000300F8\n:020800000100F5\n:00000001FF\n";
    const Result r =
        run({QStringLiteral("--type=16f84"), QStringLiteral("check"), path("twice.hex")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(":2: Fehler: Adresse 0x0000 steht schon in Zeile 1"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(":3: Fehler: Prüfsummenfehler: F8 angegeben, F9 erwartet"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(":4: Fehler: Adresse 0x0400 liegt hinter dem Programmspeicher"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(run({QStringLiteral("check"), path("missing.hex")}).code, 5);
    // gpasm writes a 16F887's two configuration words as one record.
    std::ofstream(path("cfg2.hex").toStdString(), std::ios::binary)
        << ":04400E00F420FF3F5C\n:00000001FF\n";
    const Result two =
        run({QStringLiteral("--type=16f887"), QStringLiteral("check"), path("cfg2.hex")});
    EXPECT_EQ(two.code, 0) << two.out;
}

// One Intel HEX record with the checksum it needs.
std::string record(unsigned address, std::initializer_list<unsigned> bytes, unsigned type = 0) {
    char buf[16];
    unsigned sum = static_cast<unsigned>(bytes.size()) + (address >> 8) + (address & 0xFF) + type;
    std::snprintf(buf, sizeof buf, ":%02X%04X%02X", static_cast<unsigned>(bytes.size()), address,
                  type);
    std::string line = buf;
    for (unsigned b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        line += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + buf;
}

// A file that is not what a chip should get never reaches it: exit 5, the line and
// what is wrong, and the chip exactly as it was.
TEST_F(CliTest, BadInputFilesNeverReachTheChip) {
    const std::string end = ":00000001FF\n";
    const std::string go = record(0, {0x0F, 0x28});  // GOTO 0x0F
    std::string big;
    while (big.size() < 10u * 1024 * 1024) {
        big += go;
    }
    struct Case {
        const char* chip;
        const char* command;
        std::string text;
        const char* says;
    };
    const Case cases[] = {
        {"16F690", "burn", "", "die Datei ist leer"},
        {"16F690", "burn", end, "Datei enthält keine Daten"},
        {"16F690", "burn", ":020000000F28C8\n" + end,
         "Zeile 1: Prüfsummenfehler: C8 angegeben, C7 erwartet"},
        {"16F690", "verify", ":020000000F28C8\n" + end, "mit --force"},
        {"16F690", "burn", go + ":020002000F28\n" + end, "Zeile 2: die Zeile ist zu kurz"},
        {"16F690", "burn",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0",
                     10) +
             "\n" + go,
         "Zeile 1: die Zeile beginnt nicht mit ':'"},
        {"16F690", "burn", big, "zu groß für einen PIC"},
        {"16F690", "burn", go + record(0x2000, {0, 0}) + end,
         "Zeile 2: Adresse 0x1000 liegt hinter dem Programmspeicher"},
        {"16F690", "verify", go + record(0x2000, {0, 0}) + end, "Es wurde nichts verglichen"},
        {"16F690", "burn", go + record(0x4020, {0xFF, 0x3F}) + end,
         "Adresse 0x2010 gehört zu keinem Konfigurationswort"},
        {"16F84A", "burn", go + record(0x4280, {0x12, 0}) + end,
         "Adresse 0x2140 liegt hinter dem Data-EEPROM"},
        {"16F73", "burn", go + record(0x4200, {0x12, 0}) + end, "der PIC hat kein Data-EEPROM"},
        {"16F690", "burn", go + record(0, {0, 0x30}, 4) + go + end, "erweiterte Adresse 0x0030"},
    };
    for (const Case& c : cases) {
        QFile::remove(chipFile());
        std::ofstream(path("good.hex").toStdString(), std::ios::binary)
            << record(0, {0x05, 0x30}) + record(0x20, {0x01, 0x02}) + end;
        const QString type = QStringLiteral("--type=") + QString::fromLatin1(c.chip).toLower();
        ASSERT_EQ(
            sim(QString::fromLatin1(c.chip), {type, QStringLiteral("burn"), path("good.hex")}).code,
            0);
        const std::string before = readFile(chipFile().toStdString());
        std::ofstream(path("bad.hex").toStdString(), std::ios::binary) << c.text;
        const Result r = sim(QString::fromLatin1(c.chip),
                             {type, QString::fromLatin1(c.command), path("bad.hex")});
        EXPECT_EQ(r.code, 5) << c.says << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(readFile(chipFile().toStdString()), before) << c.says;
    }
    // A file that is no file at all; a named pipe is not waited on.
    ASSERT_EQ(::mkfifo(path("pipe.hex").toLocal8Bit().constData(), 0600), 0);
    for (const QString& bad : {path("missing.hex"), dir_.path(), path("pipe.hex")}) {
        const Result r = sim(QStringLiteral("16F690"), {QStringLiteral("burn"), bad});
        EXPECT_EQ(r.code, 5) << r.err;
        EXPECT_NE(r.err.find("nicht gefunden"), std::string::npos) << r.err;
    }
    // Told so, the tool takes a line whose checksum is wrong; a missing end record
    // after good data is taken with a word.
    std::ofstream(path("bad.hex").toStdString(), std::ios::binary) << ":020000000F28C8\n" + end;
    Result r = sim(QStringLiteral("16F690"),
                   {QStringLiteral("--force"), QStringLiteral("burn"), path("bad.hex")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(wordsOf(chipFile().toStdString())[0], 0x280F);
    std::ofstream(path("bad.hex").toStdString(), std::ios::binary) << go;
    r = sim(QStringLiteral("16F690"), {QStringLiteral("verify"), path("bad.hex")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Hinweis: HEX-File"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Ende-Datensatz (Typ 1) fehlt"), std::string::npos) << r.err;

    // A PIC18F file passes the same gate, and its own loader takes what was accepted.
    const QStringList p18{QStringLiteral("--type=18f4550"), QStringLiteral("--vpp=12"),
                          QStringLiteral("--sim-vpp=12")};
    std::ofstream(path("bad.hex").toStdString(), std::ios::binary) << ":020000000EEF02\n" + end;
    r = sim(QStringLiteral("18F4550"), p18 + QStringList{QStringLiteral("burn"), path("bad.hex")});
    EXPECT_EQ(r.code, 5) << r.err;
    EXPECT_NE(r.err.find("Prüfsummenfehler: 02 angegeben, 01 erwartet"), std::string::npos)
        << r.err;
    r = sim(QStringLiteral("18F4550"),
            p18 + QStringList{QStringLiteral("--force"), QStringLiteral("burn"), path("bad.hex")});
    EXPECT_EQ(r.code, 0) << r.err;

    // A word that does not take names the VPP this part allows.
    r = sim(QStringLiteral("16F690"),
            {QStringLiteral("--sim-fault=bad-cell:16"), QStringLiteral("burn"), path("good.hex")});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("Bitte VPP (10–13 V)"), std::string::npos) << r.err;
}

// The help pages of "Löschen" and "CP entfernen" say in a table what each family
// loses and keeps; one chip of every catalogue row is held to it.
TEST_F(CliTest, EraseAndUnprotectClearWhatTheirHelpPagesSay) {
    const std::map<std::string, int> areaAddress = {
        {"Programmspeicher", 0},
        {"Daten-EEPROM", 0x2100},
        {"ID-Locations", 0x2000},
        {"Konfigurationswort", 0x2007},
    };
    const auto split = [](const std::string& cell) {
        std::vector<std::string> items;
        std::stringstream in(cell);
        for (std::string item; std::getline(in, item, ',');) {
            items.push_back(item.substr(item.find_first_not_of(' ')));
        }
        return items;
    };
    for (const auto& [page, command] :
         {std::pair{"114.html", "erase"}, std::pair{"116.html", "unprotect"}}) {
        const std::string html =
            readFile(std::string(PKORVEL_TEST_DATA) + "/../../src/app/resources/help/" + page);
        struct Row {
            std::vector<std::string> chips, cleared, kept;
        };
        std::vector<Row> rows;
        // <tr><td>chips</td><td>cleared</td><td>kept</td></tr>
        for (std::size_t at = html.find("<tr><td>"); at != std::string::npos;
             at = html.find("<tr><td>", at + 1)) {
            std::array<std::string, 3> cells;
            std::size_t from = at + 4;
            for (std::string& cell : cells) {
                from = html.find("<td>", from) + 4;
                cell = html.substr(from, html.find("</td>", from) - from);
            }
            rows.push_back({split(cells[0]), split(cells[1]), split(cells[2])});
        }
        ASSERT_FALSE(rows.empty()) << page;
        // One chip of each catalogue row, and every chip a table row names.
        std::vector<std::string> chips;
        for (const pk::DeviceInfo& d : pk::kDevices) {
            chips.push_back(chipsOf(d).front().name);
        }
        for (const Row& row : rows) {
            if (row.chips.front().rfind("alle", 0) != 0) {
                chips.insert(chips.end(), row.chips.begin(), row.chips.end());
            }
        }
        for (const std::string& chip : chips) {
            const Row* claim = nullptr;
            for (const Row& row : rows) {
                const bool named =
                    std::find(row.chips.begin(), row.chips.end(), chip) != row.chips.end();
                if (named || (claim == nullptr && row.chips.front().rfind("alle", 0) == 0)) {
                    claim = &row;
                }
            }
            ASSERT_NE(claim, nullptr) << page << " says nothing of the " << chip;
            const auto m =
                pk::lookupSwitch("/p" + QString::fromStdString(chip).toLower().toStdString());
            ASSERT_TRUE(m) << chip;
            const bool eeprom = pk::deviceInfo(m->type)->dataLastAddr >= 0;
            QFile::remove(chipFile());
            std::ofstream(path("full.hex").toStdString(), std::ios::binary)
                << record(0, {0x05, 0x30}) + record(0x4000, {1, 0, 2, 0, 3, 0, 4, 0}) +
                       (eeprom ? record(0x4200, {0x12, 0}) : "") + ":00000001FF\n";
            const QString type = QStringLiteral("--type=") + QString::fromStdString(chip).toLower();
            const QString sc = QString::fromStdString(chip);
            ASSERT_EQ(sim(sc, {type, QStringLiteral("burn"), path("full.hex")}).code, 0) << chip;
            const pk::WordArray before = wordsOf(chipFile().toStdString());
            ASSERT_EQ(sim(sc, {type, QString::fromLatin1(command)}).code, 0)
                << chip << " " << command;
            const pk::WordArray after = wordsOf(chipFile().toStdString());
            for (const auto& [areas, cleared] :
                 {std::pair{&claim->cleared, true}, std::pair{&claim->kept, false}}) {
                for (const std::string& area : *areas) {
                    const auto a = areaAddress.find(area);
                    if (a == areaAddress.end() || (a->second == 0x2100 && !eeprom)) {
                        continue;  // the factory's words: the calibration tests hold them
                    }
                    const auto i = static_cast<std::size_t>(a->second);
                    EXPECT_EQ(after[i] != before[i], cleared)
                        << page << ": " << command << " of the " << chip << ", " << area;
                }
            }
        }
    }
}

// A read's output: a plain file is replaced atomically; a pipe or device is written
// through and stays what it is; "-" is standard output, the HEX text alone. The chip
// is only read, whatever becomes of the output.
TEST_F(CliTest, ReadWritesThroughPipesDevicesAndStandardOutput) {
    const QString chipType = QStringLiteral("16F877");
    ASSERT_EQ(sim(chipType, {QStringLiteral("burn"), q(data("f877_pages.8m.hex"))}).code, 0);
    const std::string chip = readFile(chipFile().toStdString());
    ASSERT_EQ(sim(chipType, {QStringLiteral("read"), path("out.hex")}).code, 0);
    const std::string hex = readFile(path("out.hex").toStdString());
    ASSERT_NE(hex.find(":00000001FF"), std::string::npos);
    const std::string fifo = path("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder")));

    struct Row {
        QStringList args;
        int code;
        const char* says;  // part of standard output or error
        std::string node;  // the output, which must keep its kind
        mode_t kind;
    };
    const QString read = QStringLiteral("read");
    const Row rows[] = {
        {{read, QStringLiteral("-")}, 0, "gelesen nach (Standardausgabe)", "", 0},
        {{QStringLiteral("--json"), read, QStringLiteral("-")}, 2, "--json und -", "", 0},
        {{read, q(fifo)}, 0, "gelesen nach ", fifo, S_IFIFO},
        {{read, QStringLiteral("/dev/null")}, 0, "gelesen nach /dev/null", "/dev/null", S_IFCHR},
        {{read, QStringLiteral("/dev/full")},
         6,
         "Datei /dev/full kann nicht geschrieben werden: Kein Platz mehr auf dem Datenträger",
         "/dev/full",
         S_IFCHR},
        {{read, path("folder")},
         6,
         "kann nicht geschrieben werden: Das ist ein Ordner, keine Datei",
         path("folder").toStdString(),
         S_IFDIR},
    };
    for (const Row& row : rows) {
        const std::string what = row.args.join(QLatin1Char(' ')).toStdString();
        std::string received;
        std::thread reader;
        if (row.kind == S_IFIFO) {
            reader = std::thread([&] {
                const int fd = ::open(fifo.c_str(), O_RDONLY);
                char buf[4096];
                for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) {
                    received.append(buf, static_cast<std::size_t>(n));
                }
                ::close(fd);
            });
        }
        const Result r = sim(chipType, row.args);
        if (reader.joinable()) {
            // A reader still waiting for a writer that never came gets its end of file.
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
            }
            reader.join();
            EXPECT_EQ(received, hex) << what;
        }
        EXPECT_EQ(r.code, row.code) << what << "\n" << r.err;
        EXPECT_NE((r.out + r.err).find(row.says), std::string::npos) << what << "\n" << r.err;
        if (row.args.last() == QStringLiteral("-")) {
            EXPECT_EQ(r.out, row.code == 0 ? hex : "") << what;
        }
        if (!row.node.empty()) {
            struct stat st {};
            ASSERT_EQ(::stat(row.node.c_str(), &st), 0) << what;
            EXPECT_EQ(st.st_mode & S_IFMT, row.kind) << what;
        }
        EXPECT_EQ(readFile(chipFile().toStdString()), chip) << what;
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("chip.hex"), QStringLiteral("out.hex")}));

    // A PIC18F's read goes the same way.
    const pk::P18Device& d = *pk::p18ByName("18F4550");
    writeP18Random(d, 3);
    ASSERT_EQ(p18(d, {QStringLiteral("burn"), path("in.hex")}).code, 0);
    ASSERT_EQ(p18(d, {read, path("p18.hex")}).code, 0);
    const Result r = p18(d, {read, QStringLiteral("-")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, readFile(path("p18.hex").toStdString()));
}

// "-" as the HEX file is standard input, for every command that loads a file; a
// file that cannot be used leaves the chip as it was.
TEST_F(CliTest, StandardInputIsTheHexFile) {
    const std::string good = readFile(data("f877_pages.8m.hex"));
    const std::string bad = readFile(data("edge_bad_char.hex"));
    const QString chipType = QStringLiteral("16F877");
    const QString in = QStringLiteral("-");
    struct Row {
        QStringList args;
        const std::string& input;
        int code;
        const char* says;  // part of standard output or error
        bool chipChanges;
    };
    const Row rows[] = {
        {{QStringLiteral("burn"), in}, good, 0, "Fehler: Programm 0", true},
        {{QStringLiteral("verify"), in}, good, 0, "Fehler: Programm 0", false},
        {{QStringLiteral("burn"), in},
         bad,
         5,
         "Fehler im HEX-File  (Standardeingabe)\nZeile 3",
         false},
        {{QStringLiteral("check"), in}, good, 0, "(Standardeingabe): wird genau so geladen", false},
        {{QStringLiteral("check"), in},
         bad,
         1,
         "(Standardeingabe):3: Fehler: ungültiges Zeichen",
         false},
        {{QStringLiteral("listing"), in}, good, 0, "\n(Standardeingabe)\n", false},
    };
    for (const Row& row : rows) {
        const std::string what = row.args.join(QLatin1Char(' ')).toStdString();
        const std::string before = readFile(chipFile().toStdString());
        const Result r = sim(chipType, row.args, row.input);
        EXPECT_EQ(r.code, row.code) << what << "\n" << r.err;
        EXPECT_NE((r.out + r.err).find(row.says), std::string::npos) << what << "\n"
                                                                     << r.out << r.err;
        EXPECT_EQ(readFile(chipFile().toStdString()) != before, row.chipChanges) << what;
    }

    // The map from standard input to standard output is the one between files.
    const QString f84 = q(data("f84_all_instructions.8m.hex"));
    ASSERT_EQ(
        run({QStringLiteral("--type=16f84"), QStringLiteral("map"), f84, path("map.png")}).code, 0);
    const Result map = run({QStringLiteral("--type=16f84"), QStringLiteral("map"), in, in},
                           readFile(f84.toStdString()));
    EXPECT_EQ(map.code, 0) << map.err;
    EXPECT_EQ(map.out, readFile(path("map.png").toStdString()));

    // The PIC18F loader takes it as well.
    const pk::P18Device& d = *pk::p18ByName("18F4550");
    writeP18Random(d, 5);
    const std::string p18File = readFile(path("in.hex").toStdString());
    for (const char* command : {"burn", "verify"}) {
        const Result r = p18(d, {QString::fromLatin1(command), in}, p18File);
        EXPECT_EQ(r.code, 0) << command << "\n" << r.err;
    }
}

// ---- PIC18F ----

// Every fault a user meets on a PIC18F ends in exit 4 (no or wrong chip), 3 (a
// stuck data line fails the search for the programmer already) or a counted
// failure (exit 1), never in success.
TEST_F(CliTest, EverySimulatedFaultOnAPic18fEndsInAFailure) {
    // clang-format off
    const struct {
        const char* part;
        const char* fault;
        const char* command;
        int code;
    } cases[] = {
        {"18F4550", "no-chip",           "detect",    4},
        {"18F4550", "no-chip",           "burn",      4},
        {"18F4550", "wrong-chip",        "burn",      4},
        {"18F452",  "wrong-chip",        "read",      4},
        {"18F4550", "stuck-low",         "read",      3},
        {"18F1320", "stuck-high",        "verify",    3},
        {"18F4550", "clock-open",        "erase",     4},
        {"18F452",  "no-vpp",            "burn",      4},
        {"18F1320", "flaky:501",         "read",      1},
        {"18F4550", "bad-cell:0x123",    "burn",      1},
        {"18F452",  "bad-cell:0xF00007", "burn",      1},
        {"18F1320", "bad-cell:0x300003", "burn",      1},
        {"18F4550", "stuck-cell:0x40",   "erase",     1},
        {"18F1220", "no-bulk-erase",     "unprotect", 1},
        {"18F4550", "no-bulk-erase",     "burn",      1},
    };
    // clang-format on
    for (const auto& c : cases) {
        const std::string command = c.command;
        SCOPED_TRACE(std::string(c.part) + " " + c.fault + " " + command);
        const pk::P18Device& d = *pk::p18ByName(c.part);
        QFile::remove(chipFile());
        // The chip holds the file, so that only the fault can make it differ;
        // before a burn another one, which a burn that does not erase shows.
        writeP18Random(d, command == "burn" ? 22 : 21);
        ASSERT_EQ(p18(d, {QStringLiteral("burn"), path("in.hex")}).code, 0);
        writeP18Random(d, 21);
        QStringList args{QStringLiteral("--sim-fault=") + QString::fromLatin1(c.fault), q(command)};
        if (command == "read") {
            args << path("out.hex");
        } else if (command == "burn" || command == "verify") {
            args << path("in.hex");
        }
        const Result r = p18(d, args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        EXPECT_EQ(r.out.find("O.K."), std::string::npos) << r.out;
        EXPECT_EQ(r.err.find("O.K."), std::string::npos) << r.err;
    }
}

// Without --type the PIC18F is asked first, in frames a 14-bit chip takes
// safely; one that answers is taken, with the hint that --type names it. The
// board's 13 V, more than some chips take, needs --vpp-ok first.
TEST_F(CliTest, APic18fIsFoundWithoutType) {
    const pk::P18Device& d = *pk::p18ByName("18F1320");
    writeP18Random(d, 5);
    QStringList base{QStringLiteral("--simulate=18F1320"), QStringLiteral("--sim-fast"),
                     QStringLiteral("--sim-chip-file=") + chipFile()};
    Result r = run(base + QStringList{QStringLiteral("detect")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    for (const char* says : {"Die Erkennung legt 13,0 V an MCLR", "höchstens 12,5 V die 18F2xx0",
                             "Bis 12 V fragt sie nicht.", "--vpp-ok", "--vpp=VOLT", "--type"}) {
        EXPECT_NE(r.err.find(says), std::string::npos) << says << "\n" << r.err;
    }
    base << QStringLiteral("--vpp-ok");
    r = run(base + QStringList{QStringLiteral("detect")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Typ: 18F1320\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--type=18f1320"), std::string::npos) << r.out;
    r = run(base + QStringList{QStringLiteral("burn"), path("in.hex")});
    EXPECT_EQ(r.code, 0) << r.err;
    r = run(base + QStringList{QStringLiteral("--json"), QStringLiteral("verify"), path("in.hex")});
    EXPECT_EQ(r.code, 0) << r.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(o[QStringLiteral("type")].toString(), QStringLiteral("18F1320")) << r.out;

    // An empty socket still says what the 14-bit detection found.
    r = run(base + QStringList{QStringLiteral("--sim-fault=no-chip"), QStringLiteral("erase")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("kein PIC erkannt: Device-ID liest 0x3FFF"), std::string::npos) << r.err;

    // An old 16F84 has no device ID either: the PIC18F detection before must
    // leave it as it was.
    QFile::remove(chipFile());
    const QString hex = q(data("edge_lf.hex"));
    ASSERT_EQ(
        sim(QStringLiteral("16F84"), {QStringLiteral("--type=16f84"), QStringLiteral("burn"), hex})
            .code,
        0);
    const std::string before = readFile(chipFile().toStdString());
    r = sim(QStringLiteral("16F84"), {QStringLiteral("detect")});
    EXPECT_EQ(r.code, 4) << r.out;
    EXPECT_EQ(readFile(chipFile().toStdString()), before);
}

TEST_F(CliTest, Pic18fOptionsThatCannotApplyAreRefusedBeforeTheChipIsTouched) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{QStringLiteral("--type=18f4550"), QStringLiteral("--config=0x3F7F")}, "--config=0xNNNN"},
        {{QStringLiteral("--type=18f4550"), QStringLiteral("--config2=0x3FFF")}, "--config2"},
        {{QStringLiteral("--type=18f4550"), QStringLiteral("--id=1,2,3,4")}, "--id gilt"},
        {{QStringLiteral("--type=18f4550"), QStringLiteral("--config=0x300004:0x00")},
         "0x300004: kein Konfigurationsbyte des 18F4550"},
        {{QStringLiteral("--type=18f4550"), QStringLiteral("--config=0x300001:0x100")},
         "ADRESSE:WERT"},
        {{QStringLiteral("--type=18f4550"), QStringLiteral("--config2=0x300001:0x0E")},
         "ADRESSE:WERT"},
        {{QStringLiteral("--config=0x300001:0x0E")}, "dazu --type angeben"},
        {{QStringLiteral("--type=16f877"), QStringLiteral("--config=0x300001:0x0E")},
         "dazu --type angeben"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const Result r =
            run(QStringList{QStringLiteral("--simulate=18F4550"), QStringLiteral("--sim-fast"),
                            QStringLiteral("--sim-chip-file=") + chipFile()} +
                c.args + QStringList{QStringLiteral("burn"), path("in.hex")});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(QFile::exists(chipFile())) << "the simulated chip was used";
    }
    // A PIC18F's chip erase takes the EEPROM: asked to keep it, nothing is erased.
    const pk::P18Device& d = *pk::p18ByName("18F4550");
    writeP18Random(d, 9);
    ASSERT_EQ(p18(d, {QStringLiteral("burn"), path("in.hex")}).code, 0);
    const Result r = p18(d, {QStringLiteral("--no-data"), QStringLiteral("erase")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("löscht das Löschen immer auch das Data-EEPROM"), std::string::npos);
    EXPECT_EQ(p18(d, {QStringLiteral("verify"), path("in.hex")}).code, 0);
}

// --config puts bytes over the file's; the file's other bytes stay.
TEST_F(CliTest, Pic18fConfigurationBytesFromTheCommandLine) {
    const pk::P18Device& d = *pk::p18ByName("18F452");
    const pk::ByteImage::Bytes file = writeP18Random(d, 3);
    const QString config = QStringLiteral("--config=0x300001:0x22,0x300003:0x0E");
    ASSERT_EQ(p18(d, {config, QStringLiteral("burn"), path("in.hex")}).code, 0);
    const pk::ByteImage chip = bytesOf(d, chipFile().toStdString());
    EXPECT_EQ(chip.hexByte(0x300001), 0x22);
    EXPECT_EQ(chip.hexByte(0x300003), 0x0E);
    const std::size_t at = chip.regions().place(pk::ByteArea::Config).first;
    EXPECT_EQ(chip.hexByte(0x300002), file[at + 2] & d.configMask[2]);
    EXPECT_EQ(p18(d, {config, QStringLiteral("verify"), path("in.hex")}).code, 0);
    // Without it the file's bytes differ from the chip's.
    const Result r = p18(d, {QStringLiteral("--list"), QStringLiteral("verify"), path("in.hex")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("config 0x300001: 0x"), std::string::npos) << r.out;
}

// detect names every configuration field with the value the chip holds.
TEST_F(CliTest, Pic18fDetectDecodesTheConfigurationFields) {
    const pk::P18Device& d = *pk::p18ByName("18F4550");
    writeP18Random(d, 4);
    const QString config = QStringLiteral("--config=0x300001:0x0E,0x300003:0x1E");
    ASSERT_EQ(p18(d, {config, QStringLiteral("burn"), path("in.hex")}).code, 0);
    Result r = p18(d, {QStringLiteral("detect")});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* line :
         {"\n  FOSC (Oszillator): HS-Oszillator, PLL aktiv (HSPLL)\n",
          "\n  FCMEN (Fail-Safe-Taktüberwachung): Aus\n",
          "\n  WDTEN (Watchdog): Aus, per SWDTEN schaltbar\n",
          "\n  WDTPS (Watchdog-Nachteiler): 1:32768\n", "\n  CP3 (Codeschutz Block 3): Aus\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
    }
    EXPECT_LT(r.out.find("Konfiguration 0x300000"), r.out.find("  FOSC ("));
    r = p18(d, {QStringLiteral("--json"), QStringLiteral("detect")});
    ASSERT_EQ(r.code, 0) << r.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    const QJsonObject fields = o[QStringLiteral("configFields")].toObject();
    EXPECT_EQ(static_cast<std::size_t>(fields.size()), pk::p18ConfigFields(d).size()) << r.out;
    EXPECT_EQ(fields[QStringLiteral("FOSC")].toString(),
              QStringLiteral("HS-Oszillator, PLL aktiv (HSPLL)"));
    EXPECT_EQ(fields[QStringLiteral("WDTPS")].toString(), QStringLiteral("1:32768"));
}

TEST_F(CliTest, AGpasmFileFor18F4550BurnsAndVerifies) {
    ASSERT_EQ(std::system("command -v gpasm >/dev/null 2>&1"), 0)
        << "gpasm not found: install gputils (scripts/setup)";
    std::ofstream(path("p.asm").toStdString()) << R"(        #include <p18f4550.inc>
        CONFIG PLLDIV = 5, CPUDIV = OSC1_PLL2, USBDIV = 2
        CONFIG FOSC = HSPLL_HS, FCMEN = OFF, IESO = OFF
        CONFIG PWRT = ON, BOR = OFF, VREGEN = ON
        CONFIG WDT = OFF, MCLRE = ON, PBADEN = OFF, LVP = OFF, XINST = OFF
        __idlocs _IDLOC0, 0x1
        org 0
        goto start
        org 0x100
start:  clrf TRISB
loop:   incf LATB, F
        bra loop
        org 0xF00000
        de "PKorvel"
        end
)";
    const std::string cmd =
        "cd '" + dir_.path().toStdString() + "' && gpasm -q -p 18f4550 -a inhx32 -o p.hex p.asm";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const pk::P18Device& d = *pk::p18ByName("18F4550");
    for (const char* command : {"burn", "verify"}) {
        const Result r = p18(d, {QString::fromLatin1(command), path("p.hex")});
        EXPECT_EQ(r.code, 0) << command << r.out << r.err;
        EXPECT_EQ(r.err.find("simulation"), std::string::npos) << r.err;
    }
    const pk::ByteImage chip = bytesOf(d, chipFile().toStdString());
    EXPECT_EQ(chip.hexByte(0x300006), 0x81) << "LVP off, as the file says";
    EXPECT_EQ(chip.hexByte(pk::p18addr::kEeprom), 'P');
}

}  // namespace

// "types" is the catalogue as a script sees it: every row, with what --type takes
// for it and the facts a user picks a chip by.
TEST_F(CliTest, TypesListsEveryCatalogueRowWithItsFacts) {
    const Result text = run({QStringLiteral("types")});
    ASSERT_EQ(text.code, 0) << text.err;
    const Result json = run({QStringLiteral("--json"), QStringLiteral("types")});
    ASSERT_EQ(json.code, 0) << json.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(o.value(QStringLiteral("type")), QJsonValue(QJsonValue::Null))
        << "a listing is for no chip in particular";
    const QJsonArray rows = o.value(QStringLiteral("types")).toArray();
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(pk::kDevices.size()));

    auto hex = [](unsigned v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%04X", v);
        return QString::fromLatin1(buf);
    };
    for (std::size_t i = 0; i < pk::kDevices.size(); ++i) {
        const pk::DeviceInfo& d = pk::kDevices[i];
        const QJsonObject row = rows.at(static_cast<qsizetype>(i)).toObject();
        const std::string list(d.listText);
        SCOPED_TRACE(list);
        EXPECT_EQ(row.value(QStringLiteral("type")).toString().toStdString(), list);
        // Every name it lists is one --type takes, and selects this row.
        QStringList names;
        for (const QJsonValue& n : row.value(QStringLiteral("names")).toArray()) {
            names << n.toString();
            const auto match = pk::lookupSwitch("/p" + n.toString().toStdString());
            ASSERT_TRUE(match) << n.toString().toStdString();
            EXPECT_EQ(match->type, d.type) << n.toString().toStdString();
        }
        EXPECT_EQ(names.size(), static_cast<qsizetype>(pk::typeNames(d).size()));
        EXPECT_NE(text.out.find(list + "  (--type " +
                                names.join(QStringLiteral(", ")).toStdString() + ")"),
                  std::string::npos);
        EXPECT_EQ(row.value(QStringLiteral("programWords")).toInt(), d.progLastAddr + 1);
        EXPECT_EQ(row.value(QStringLiteral("eepromBytes")).toInt(), d.dataLastAddr + 1);
        EXPECT_EQ(row.value(QStringLiteral("configWords")).toArray().size(),
                  d.hasConfig2() ? 2 : 1);
        EXPECT_EQ(row.value(QStringLiteral("deviceIds")).toArray().first().toString(),
                  hex(d.idCodes[0]));
        EXPECT_EQ(row.value(QStringLiteral("vppMinCentivolts")).toInt(), d.vpp.minCentivolts);
        EXPECT_EQ(row.value(QStringLiteral("vppMaxCentivolts")).toInt(), d.vpp.maxCentivolts);
        EXPECT_NE(text.out.find(hex(d.idCodes[0]).toStdString()), std::string::npos);
    }
    // The entry order a script reads is the catalogue's, for each of the three kinds.
    for (const auto& [type, order] :
         {std::pair{pk::Dev16F84, "vdd-first"}, std::pair{pk::Dev16F628A, "vpp-first"},
          std::pair{pk::Dev16F87_88, "vdd-then-vpp"}}) {
        EXPECT_EQ(rows.at(type).toObject().value(QStringLiteral("entryOrder")).toString(),
                  QString::fromLatin1(order));
    }
    EXPECT_NE(text.out.find("  VPP:              8,50 bis 13,50 V\n"), std::string::npos);
    EXPECT_NE(text.out.find("  Data-EEPROM:      keins\n"), std::string::npos) << "16F7x";
}

// A wrong type, or no command at all, tells where the right ones are.
TEST_F(CliTest, UsageErrorsNameTheValidTypes) {
    const Result r = run({QStringLiteral("--type=xyz"), QStringLiteral("detect")});
    EXPECT_EQ(r.code, 2);
    for (const pk::DeviceInfo& d : pk::kDevices) {
        for (std::string_view n : pk::typeNames(d)) {
            EXPECT_NE(r.err.find(std::string(n)), std::string::npos) << n << " in " << r.err;
        }
    }
    const Result none = run({QStringLiteral("--list")});
    EXPECT_EQ(none.code, 2);
    EXPECT_NE(none.err.find("types die PIC-Typen"), std::string::npos) << none.err;
}

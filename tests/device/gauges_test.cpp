#include <gtest/gtest.h>

#include "device/catalogue.h"
#include "device/gauges.h"

namespace pk {
namespace {

TEST(Gauges, ColourBands) {
    EXPECT_EQ(gaugeColour(0), GaugeColour::Blue);
    EXPECT_EQ(gaugeColour(90), GaugeColour::Blue);
    EXPECT_EQ(gaugeColour(91), GaugeColour::Yellow);
    EXPECT_EQ(gaugeColour(100), GaugeColour::Yellow);
    EXPECT_EQ(gaugeColour(101), GaugeColour::Red);
}

TEST(Gauges, EmptyImageShowsNothingUsed) {
    MemoryImage image;
    for (const DeviceInfo& d : kDevices) {
        const GaugeReading p = programUsage(image, d.progLastAddr);
        EXPECT_EQ(p.percent, 0);  // the scan stops at 1
        EXPECT_EQ(p.colour, GaugeColour::Blue);
        const GaugeReading e = dataUsage(image, d.dataLastAddr);
        EXPECT_EQ(e.visible, d.dataLastAddr > 0);
        EXPECT_EQ(e.percent, 0);
    }
}

TEST(Gauges, ProgramScanStartsAtTopWhateverTheChip) {
    MemoryImage image;
    image.HexWords[0x1FFF] = 0x0000;
    EXPECT_EQ(programUsage(image, 0x03FF).percent, 800);  // 8191 / 1023
    EXPECT_EQ(programUsage(image, 0x03FF).colour, GaugeColour::Red);
    EXPECT_EQ(programUsage(image, 0x1FFF).percent, 100);
    EXPECT_EQ(programUsage(image, 0x1FFF).colour, GaugeColour::Yellow);
}

TEST(Gauges, PercentagesTruncate) {
    MemoryImage image;
    image.HexWords[0x01FF] = 0x3FFF;  // 511 / 1023 = 49.95 %
    EXPECT_EQ(programUsage(image, 0x03FF).percent, 49);
    image.HexWords[0x03A0] = 0x0001;  // 928 / 1023 = 90.7 %
    EXPECT_EQ(programUsage(image, 0x03FF).percent, 90);
    EXPECT_EQ(programUsage(image, 0x03FF).colour, GaugeColour::Blue);
    image.HexWords[0x03A5] = 0x0001;  // 933 / 1023 = 91.2 %
    EXPECT_EQ(programUsage(image, 0x03FF).colour, GaugeColour::Yellow);
}

TEST(Gauges, DataUsageCountsFromEepromStart) {
    MemoryImage image;
    image.HexWords[0x2100 + 0x3F] = 0x00FF;
    EXPECT_EQ(dataUsage(image, 0x3F).percent, 100);
    EXPECT_EQ(dataUsage(image, 0x7F).percent, 49);  // 63 / 127
    image.HexWords[0x21FF] = 0x0001;
    EXPECT_EQ(dataUsage(image, 0x3F).percent, 404);  // 255 / 63
    EXPECT_EQ(dataUsage(image, 0x3F).colour, GaugeColour::Red);
    // Program words do not count as data, nor data as program.
    EXPECT_EQ(programUsage(image, 0x03FF).percent, 0);
}

TEST(Gauges, ChipWithoutEepromHidesDataGauge) {
    MemoryImage image;
    image.HexWords[0x2100] = 1;
    EXPECT_FALSE(dataUsage(image, -1).visible);
    EXPECT_FALSE(dataUsage(image, 0).visible);
}

}  // namespace
}  // namespace pk

#include "editors/setup_logic.h"

#include <gtest/gtest.h>

namespace pk {
namespace {

struct SetupLogicTest : ::testing::Test {
    ProgrammerSettings settings;
    int measurements = 0;
    std::int32_t measured = 100;  // what the next measurement gives
    SetupLogic logic{settings, [this] {
                         ++measurements;
                         settings.DelayCount = measured;
                     }};

    const SetupView& v() const { return logic.view(); }

    void stored(int driver, int sw, bool qd, bool k1, bool autoSpeed = false, int delay = 0) {
        settings.DriverIndex = driver;
        settings.SwitchIndex = sw;
        settings.QuickAndDirty = qd;
        settings.ModelK1 = k1;
        settings.AutoSpeed = autoSpeed;
        settings.DelayCount = delay;
    }
};

TEST_F(SetupLogicTest, OpeningShowsOneVariantAndLocksItsLists) {
    struct Case {
        int driver, sw;
        bool qd, k1;
        int wantDriver, wantSwitch;
        bool k1Box, qdBox, faBox, listsEnabled;
    };
    const Case cases[] = {
        {0, 0, false, true, 1, 1, true, false, false, false},   // K1 wins over the lists
        {0, 0, true, false, 1, 2, false, true, false, false},   // Quick and Dirty
        {2, 0, false, false, 2, 0, false, false, true, false},  // FA driver, own switch kept
        {0, 3, false, false, 2, 3, false, false, true, false},  // FA switch drags the driver
        {0, 2, false, false, 0, 2, false, false, false, true},  // a free combination
        {1, 1, false, false, 1, 1, false, false, false, true},
    };
    for (const Case& c : cases) {
        ProgrammerSettings s;
        s.DriverIndex = c.driver;
        s.SwitchIndex = c.sw;
        s.QuickAndDirty = c.qd;
        s.ModelK1 = c.k1;
        s.AutoSpeed = false;
        SetupLogic l(s, nullptr);
        l.open();
        SCOPED_TRACE(testing::Message() << "driver " << c.driver << " switch " << c.sw << " qd "
                                        << c.qd << " k1 " << c.k1);
        EXPECT_EQ(l.view().Driver, c.wantDriver);
        EXPECT_EQ(l.view().Switch, c.wantSwitch);
        EXPECT_EQ(l.view().K1, c.k1Box);
        EXPECT_EQ(l.view().QD, c.qdBox);
        EXPECT_EQ(l.view().FA, c.faBox);
        EXPECT_EQ(l.view().ListsEnabled, c.listsEnabled);
    }
}

TEST_F(SetupLogicTest, StoredK1AndQuickAndDirtyClearsQuickAndDirtyAtOnce) {
    stored(1, 1, true, true);
    logic.open();
    EXPECT_FALSE(settings.QuickAndDirty);  // in the settings, before any closing
    EXPECT_TRUE(v().K1);
    EXPECT_FALSE(v().QD);
    logic.store();
    EXPECT_FALSE(settings.QuickAndDirty);
    EXPECT_TRUE(settings.ModelK1);
}

TEST_F(SetupLogicTest, StoredFaSwitchIsStoredAsFaDriverToo) {
    stored(0, 3, false, false);
    logic.open();
    EXPECT_TRUE(v().FA);
    EXPECT_EQ(v().Driver, 2);
    EXPECT_EQ(v().Switch, 3);
    EXPECT_FALSE(v().ListsEnabled);
    logic.store();
    EXPECT_EQ(settings.DriverIndex, 2);
    EXPECT_EQ(settings.SwitchIndex, 3);
}

TEST_F(SetupLogicTest, AutomaticSpeedMeasuresAtOpeningAndStoresWholeHundreds) {
    for (auto [measurement, position, delay] :
         {std::tuple{437, 4, 400}, {2500, 10, 1000}, {99, 0, 0}, {-5, 0, 0}, {1000, 10, 1000}}) {
        stored(1, 1, false, true, true, 0);
        measurements = 0;
        measured = measurement;
        SetupLogic l(settings, [this] {
            ++measurements;
            settings.DelayCount = measured;
        });
        l.open();
        EXPECT_EQ(measurements, 1);
        EXPECT_EQ(l.view().Speed, position) << measurement;
        EXPECT_FALSE(l.view().ManualSpeedVisible);
        EXPECT_EQ(settings.DelayCount, measurement);  // until the dialog closes
        l.store();
        EXPECT_EQ(settings.DelayCount, delay) << measurement;
        EXPECT_TRUE(settings.AutoSpeed);
    }
}

TEST_F(SetupLogicTest, ManualSpeedComesFromTheStoredDelay) {
    stored(1, 1, false, true, false, 750);
    logic.open();
    EXPECT_EQ(measurements, 0);
    EXPECT_EQ(v().Speed, 7);
    EXPECT_TRUE(v().ManualSpeedVisible);
    logic.setSpeed(3);
    logic.store();
    EXPECT_EQ(settings.DelayCount, 300);

    stored(1, 1, false, true, false, 123456);
    logic.open();
    EXPECT_EQ(v().Speed, 10);
}

TEST_F(SetupLogicTest, AutoSpeedBoxActsOnTheSettingsAtOnce) {
    stored(1, 1, false, true, false, 500);
    logic.open();
    measured = 870;
    logic.setAutoSpeed(true);
    EXPECT_TRUE(settings.AutoSpeed);
    EXPECT_EQ(measurements, 1);
    EXPECT_EQ(v().Speed, 8);
    EXPECT_FALSE(v().ManualSpeedVisible);
    logic.setAutoSpeed(true);  // unchanged: no second measurement
    EXPECT_EQ(measurements, 1);
    logic.setAutoSpeed(false);
    EXPECT_FALSE(settings.AutoSpeed);
    EXPECT_TRUE(v().ManualSpeedVisible);
    EXPECT_EQ(measurements, 1);
    EXPECT_EQ(v().Speed, 8);

    measured = 260;
    logic.test();
    EXPECT_EQ(measurements, 2);
    EXPECT_EQ(v().Speed, 2);
}

TEST_F(SetupLogicTest, QuickAndDirtyReplacesFaAndUnlocksWhenCleared) {
    stored(2, 3, false, false);
    logic.open();
    ASSERT_TRUE(v().FA);
    logic.setQD(true);
    EXPECT_FALSE(v().FA);
    EXPECT_FALSE(v().K1);
    EXPECT_EQ(v().Driver, 1);
    EXPECT_EQ(v().Switch, 2);
    EXPECT_FALSE(v().ListsEnabled);
    logic.setQD(false);
    EXPECT_TRUE(v().ListsEnabled);
    EXPECT_EQ(v().Driver, 1);
    EXPECT_EQ(v().Switch, 2);
}

TEST_F(SetupLogicTest, K1ReplacesQuickAndDirty) {
    stored(1, 1, true, false);
    logic.open();
    ASSERT_TRUE(v().QD);
    logic.setK1(true);
    EXPECT_FALSE(v().QD);
    EXPECT_EQ(v().Driver, 1);
    EXPECT_EQ(v().Switch, 1);
    // QD's clearing unlocked the lists for a moment; K1 locks them again.
    EXPECT_FALSE(v().ListsEnabled);
    logic.setK1(false);
    EXPECT_TRUE(v().ListsEnabled);
}

TEST_F(SetupLogicTest, ChoosingFaInEitherListChecksFa) {
    stored(0, 0, false, false);
    logic.open();
    ASSERT_TRUE(v().ListsEnabled);
    logic.setDriver(2);
    EXPECT_TRUE(v().FA);
    EXPECT_EQ(v().Switch, 3);
    EXPECT_FALSE(v().ListsEnabled);

    stored(0, 0, false, false);
    SetupLogic other(settings, nullptr);
    other.open();
    other.setSwitch(3);
    EXPECT_TRUE(other.view().FA);
    EXPECT_EQ(other.view().Driver, 2);
    EXPECT_FALSE(other.view().ListsEnabled);

    // Clearing FA unlocks the lists and leaves them on the FA items.
    other.setFA(false);
    EXPECT_TRUE(other.view().ListsEnabled);
    EXPECT_EQ(other.view().Driver, 2);
    EXPECT_EQ(other.view().Switch, 3);
    other.store();
    EXPECT_EQ(settings.DriverIndex, 2);
}

TEST_F(SetupLogicTest, IndexesOutsideTheListsShowTheLastItemOrNothing) {
    stored(-4, -1, false, false);
    logic.open();
    EXPECT_EQ(v().Driver, -1);
    EXPECT_EQ(v().Switch, -1);
    EXPECT_FALSE(v().FA);
    logic.store();
    EXPECT_EQ(settings.DriverIndex, -1);
    EXPECT_EQ(settings.SwitchIndex, -1);

    // Above the end: the last item, which is the FA item of both lists.
    stored(1, 17, false, false);
    SetupLogic high(settings, nullptr);
    high.open();
    EXPECT_EQ(high.view().Switch, 3);
    EXPECT_TRUE(high.view().FA);
    EXPECT_EQ(high.view().Driver, 2);
    high.store();
    EXPECT_EQ(settings.SwitchIndex, 3);
    EXPECT_EQ(settings.DriverIndex, 2);
}

}  // namespace
}  // namespace pk

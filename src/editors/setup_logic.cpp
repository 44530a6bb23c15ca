#include "editors/setup_logic.h"

#include <algorithm>
#include <utility>

#include "link/circuit.h"

namespace pk {

namespace {

int listIndex(int index, int items) {
    if (index < 0) {
        return -1;
    }
    return std::min(index, items - 1);
}

}  // namespace

SetupLogic::SetupLogic(ProgrammerSettings& settings, std::function<void()> measure)
    : settings_(settings), measure_(std::move(measure)) {}

int SetupLogic::speedFor(std::int32_t delayCount) {
    return std::clamp(delayCount / 100, 0, kSpeedMax);
}

void SetupLogic::setDriver(int index) {
    index = listIndex(index, kDriverItems);
    if (index != view_.Driver) {
        view_.Driver = index;
        TreiberRadioGroupClick();
    }
}

void SetupLogic::setSwitch(int index) {
    index = listIndex(index, kSwitchItems);
    if (index != view_.Switch) {
        view_.Switch = index;
        SchalterRadioGroupClick();
    }
}

void SetupLogic::setQD(bool checked) {
    if (checked != view_.QD) {
        view_.QD = checked;
        QDCheckBoxClick();
    }
}

void SetupLogic::setK1(bool checked) {
    if (checked != view_.K1) {
        view_.K1 = checked;
        K1CheckBoxClick();
    }
}

void SetupLogic::setFA(bool checked) {
    if (checked != view_.FA) {
        view_.FA = checked;
        FACheckBoxClick();
    }
}

void SetupLogic::setAutoSpeed(bool checked) {
    if (checked != view_.AutoSpeed) {
        view_.AutoSpeed = checked;
        CheckBox1Click();
    }
}

void SetupLogic::setSpeed(int position) {
    view_.Speed = std::clamp(position, 0, kSpeedMax);
}

// Each variant box, when checked, clears the other two and moves the lists to
// its circuit; the lists stay locked while any of them is checked. Clearing a
// box only unlocks the lists, so a box cleared by another one's reaction
// unlocks them for a moment before that reaction locks them again.
void SetupLogic::QDCheckBoxClick() {
    if (view_.QD) {
        setK1(false);
        setFA(false);
        setDriver(1);
        setSwitch(2);
    }
    view_.ListsEnabled = !view_.QD;
}

void SetupLogic::K1CheckBoxClick() {
    if (view_.K1) {
        setQD(false);
        setFA(false);
        setDriver(1);
        setSwitch(1);
    }
    view_.ListsEnabled = !view_.K1;
}

void SetupLogic::FACheckBoxClick() {
    if (view_.FA) {
        setQD(false);
        setK1(false);
        setDriver(kFaDriver);
        setSwitch(kFaSwitch);
    }
    view_.ListsEnabled = !view_.FA;
}

void SetupLogic::TreiberRadioGroupClick() {
    if (view_.Driver == kFaDriver) {
        setFA(true);
    }
}

void SetupLogic::SchalterRadioGroupClick() {
    if (view_.Switch == kFaSwitch) {
        setFA(true);
    }
}

void SetupLogic::CheckBox1Click() {
    view_.ManualSpeedVisible = !view_.AutoSpeed;
    settings_.AutoSpeed = view_.AutoSpeed;
    if (view_.AutoSpeed) {
        test();
    }
}

void SetupLogic::test() {
    if (measure_) {
        measure_();
    }
    setSpeed(speedFor(settings_.DelayCount));
}

void SetupLogic::open() {
    setDriver(settings_.DriverIndex);
    setSwitch(settings_.SwitchIndex);
    if (settings_.ModelK1) {
        settings_.QuickAndDirty = false;
    }
    setQD(settings_.QuickAndDirty);
    setK1(settings_.ModelK1);
    setAutoSpeed(settings_.AutoSpeed);
    setSpeed(speedFor(settings_.DelayCount));
    setDataSheet(settings_.Timing == TimingMode::DataSheet);
    setVpp(settings_.VppTenths);
}

void SetupLogic::setVpp(int tenths) {
    view_.VppTenths =
        std::clamp(tenths, ProgrammerSettings::kMinVppTenths, ProgrammerSettings::kMaxVppTenths);
}

std::optional<std::string> SetupLogic::refusal() const {
    return circuitRefusal(view_.Driver, view_.Switch);
}

void SetupLogic::store() {
    settings_.DriverIndex = view_.Driver;
    settings_.SwitchIndex = view_.Switch;
    settings_.QuickAndDirty = view_.QD;
    settings_.ModelK1 = view_.K1;
    settings_.DelayCount = view_.Speed * 100;
    settings_.Timing = view_.DataSheet ? TimingMode::DataSheet : TimingMode::Classic;
    settings_.VppTenths = view_.VppTenths;
}

}  // namespace pk

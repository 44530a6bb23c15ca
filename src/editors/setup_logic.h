#pragma once
// The interlocks of the hardware setup dialog, without widgets. The dialog shows
// exactly this state. Every control reacts when its value changes, whoever
// changed it (the user, the opening sequence or another reaction), and setting a
// control to the value it already has does nothing; so the reactions cascade:
// checking "AN589 / FA-Korvel" moves both lists to their FA items, and choosing
// an FA item in either list checks the box.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/settings.h"

namespace pk {

// What the dialog's controls show.
struct SetupView {
    int Driver = 1;  // item index of the driver list, -1 for no selection
    int Switch = 1;  // item index of the switch list, -1 for no selection
    bool K1 = false;
    bool QD = false;
    bool FA = false;
    bool AutoSpeed = false;                                 // "auto. Speedregelung"
    int Speed = 0;                                          // track bar, 0 "schnell" .. 10 "sicher"
    bool DataSheet = false;                                 // "Datenblatt-Timing (schnell)"
    int VppTenths = ProgrammerSettings::kDefaultVppTenths;  // "VPP des Korvel"
    bool ListsEnabled = true;
    bool ManualSpeedVisible = true;  // group "Geschwindigkeit manuell"
};

class SetupLogic {
  public:
    static constexpr int kDriverItems = 3;  // "7406", "7407 / keine", "AN589 / FA"
    static constexpr int kSwitchItems = 4;  // "4066 / npn / pnp+7406", ..., "AN589 / FA"
    static constexpr int kFaDriver = 2;
    static constexpr int kFaSwitch = 3;
    static constexpr int kSpeedMax = 10;

    // `measure` runs the speed measurement, which sets settings.DelayCount.
    SetupLogic(ProgrammerSettings& settings, std::function<void()> measure);

    const SetupView& view() const { return view_; }

    // The user's (or the program's) changes to the controls. Lists take an index
    // above their last item as the last item and a negative one as no selection.
    void setDriver(int index);
    void setSwitch(int index);
    void setQD(bool checked);
    void setK1(bool checked);
    void setFA(bool checked);
    void setAutoSpeed(bool checked);
    void setSpeed(int position);
    void setDataSheet(bool checked) { view_.DataSheet = checked; }
    // Kept within what a circuit can give.
    void setVpp(int tenths);
    // "Test": measure, then show DelayCount div 100 on the track bar.
    void test();

    // Fills the controls from the settings. A stored K1 model clears a stored
    // Quick-and-Dirty flag in the settings themselves: the two exclude each other.
    void open();
    // Why the lists' driver and switch name no usable circuit (German), or nullopt.
    std::optional<std::string> refusal() const;
    // Takes the lists, the K1 and QD boxes, the timing and DelayCount (track bar
    // x 100) into the settings. AutoSpeed already follows its box; the FA box is not stored.
    void store();

    // Track bar position for a delay count: div 100, kept within 0..10.
    static int speedFor(std::int32_t delayCount);

  private:
    void QDCheckBoxClick();
    void K1CheckBoxClick();
    void FACheckBoxClick();
    void TreiberRadioGroupClick();
    void SchalterRadioGroupClick();
    void CheckBox1Click();

    ProgrammerSettings& settings_;
    std::function<void()> measure_;
    SetupView view_;
};

}  // namespace pk

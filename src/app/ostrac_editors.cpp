// TOstrac: Configuration word and ID locations.

#include <QButtonGroup>
#include <QComboBox>
#include <algorithm>

#include "editors/config_word.h"
#include "editors/id_words.h"
#include "idbytes_edit.h"
#include "idedit.h"
#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

// The fuse boxes in the order of Fuse.
std::array<QCheckBox*, kFuseCount> fuseBoxes(Ui::Ostrac* ui) {
    return {ui->CP1CheckBox,   ui->CP0CheckBox, ui->DEBUGCheckBox, ui->WRTCheckBox,
            ui->CPDCheckBox,   ui->LVPCheckBox, ui->BODENCheckBox, ui->RA5CheckBox,
            ui->PWRTECheckBox, ui->WDTECheckBox};
}

// The flag boxes in the order of Flag.
std::array<QCheckBox*, kFlagCount> flagBoxes(Ui::Ostrac* ui) {
    return {ui->FCMENCheckBox, ui->IESOCheckBox, ui->BORVCheckBox, ui->IOSCFSCheckBox};
}

// A radio group's item index is its button group's checked id (-1: no item).
void selectItem(QButtonGroup* group, int index) {
    if (QAbstractButton* b = group->button(index)) {
        b->setChecked(true);
    }
}

ConfigControls readControls(Ui::Ostrac* ui) {
    ConfigControls c;
    const auto boxes = fuseBoxes(ui);
    for (std::size_t i = 0; i < kFuseCount; ++i) {
        c.fuse(static_cast<Fuse>(i)) = boxes[i]->isChecked();
    }
    c.ra6 = ui->RA6CheckBox->isChecked();
    c.takt = ui->TaktButtonGroup->checkedId();
    c.takt1 = ui->TaktButtonGroup1->checkedId();
    c.wrtLevel = ui->WRTComboBox->currentIndex();
    c.ccp1Rb3 = ui->CCPMXCheckBox->isChecked();
    const auto flags = flagBoxes(ui);
    for (std::size_t i = 0; i < kFlagCount; ++i) {
        c.flag(static_cast<Flag>(i)) = flags[i]->isChecked();
    }
    c.borMode = ui->BORComboBox->currentData().toInt();
    return c;
}

}  // namespace

ConfigControls TOstrac::configControls() {
    return readControls(ui_.get());
}

bool TOstrac::idWordsShown() const {
    const std::optional<Part> p = part();
    return !p || p->family->optionForms().idValues;
}

void TOstrac::SetConfiguration() {
    if (fieldPanelShown()) {
        return;  // the configuration is the panel's (fieldSettings)
    }
    const ConfigControls c = readControls(ui_.get());
    Image.ConfigWord = buildConfigWord(ui_->TypComboBox->currentIndex(), c);
    Image.ConfigWord2 = buildConfigWord2(ui_->TypComboBox->currentIndex(), c);
}

void TOstrac::UpdateConfigButtons() {
    if (fieldPanelShown()) {
        fieldsFromFile();
        return;
    }
    Image.ConfigWord = Image.HexWords[MemoryImage::ConfigAddr];
    if ((Image.ConfigWord & 0x8000) != 0) {
        setPanel(1, Image.HexLoaded
                        ? QStringLiteral("keine Config einstellung im HEX-File enthalten")
                        : QStringLiteral("kein HEX-File geladen"));
        ui_->ConfigCheckBox->setChecked(false);  // its handler unlocks the controls
        return;
    }
    // The file has a configuration word now; an older notice saying otherwise goes.
    clearNotice({QStringLiteral("keine Config einstellung im HEX-File enthalten"),
                 QStringLiteral("kein HEX-File geladen")});
    const ControlsFromWord r =
        controlsFromWord(ui_->TypComboBox->currentIndex(), Image.ConfigWord,
                         readControls(ui_.get()), Image.HexWords[MemoryImage::Config2Addr]);
    // One box at a time, in Fuse order: CP1's handler may copy it into CP0 before
    // the word's own CP0 bits are applied.
    const auto boxes = fuseBoxes(ui_.get());
    for (std::size_t i = 0; i < kFuseCount; ++i) {
        if (r.fuseSet[i]) {
            boxes[i]->setChecked(r.controls.fuse(static_cast<Fuse>(i)));
        }
    }
    if (r.taktSet) {
        selectItem(ui_->TaktButtonGroup, r.controls.takt);
    }
    if (r.takt1Set) {
        selectItem(ui_->TaktButtonGroup1, r.controls.takt1);
    }
    // The file decides CLKOUT as it decides the rest: a box the user could tick
    // here would show a word that the burn's re-read of the file undoes.
    ui_->RA6CheckBox->setEnabled(r.ra6Enabled && !ui_->ConfigCheckBox->isChecked());
    ui_->RA6CheckBox->setChecked(r.controls.ra6);
    if (r.wrtLevelSet) {
        ui_->WRTComboBox->setCurrentIndex(r.controls.wrtLevel);
    }
    if (r.ccpmxSet) {
        ui_->CCPMXCheckBox->setChecked(r.controls.ccp1Rb3);
    }
    const auto flags = flagBoxes(ui_.get());
    for (std::size_t i = 0; i < kFlagCount; ++i) {
        if (r.flagSet[i]) {
            flags[i]->setChecked(r.controls.flag(static_cast<Flag>(i)));
        }
    }
    if (r.borSet) {
        ui_->BORComboBox->setCurrentIndex(
            std::max(0, ui_->BORComboBox->findData(r.controls.borMode)));
    }
}

void TOstrac::ConfigCheckBoxClick() {
    ++editorRuns.configCheckBox;
    if (fieldPanelShown()) {
        fieldsFromFile();
        return;
    }
    // The from-file mode locks every fuse control.
    const bool unlocked = !ui_->ConfigCheckBox->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->TaktRadioGroup, ui_->TaktRadioGroup1, ui_->WDTECheckBox,  ui_->PWRTECheckBox,
             ui_->CP0CheckBox,    ui_->CP1CheckBox,     ui_->CPDCheckBox,   ui_->DEBUGCheckBox,
             ui_->WRTCheckBox,    ui_->LVPCheckBox,     ui_->BODENCheckBox, ui_->RA5CheckBox,
             ui_->RA6CheckBox,    ui_->WRTComboBox,     ui_->CCPMXCheckBox, ui_->FCMENCheckBox,
             ui_->IESOCheckBox,   ui_->BORComboBox,     ui_->BORVCheckBox,  ui_->IOSCFSCheckBox}) {
        w->setEnabled(unlocked);
    }
    if (ui_->ConfigCheckBox->isChecked()) {
        UpdateConfigButtons();
    } else {
        // The type change disables again what the selected type does not use.
        TypComboBoxChange();
    }
}

void TOstrac::CP1CheckBoxClick() {
    ++editorRuns.cp1CheckBox;
    if (singleProtectionSetting(Device.CurrentType)) {
        ui_->CP0CheckBox->setChecked(ui_->CP1CheckBox->isChecked());
    }
}

void TOstrac::TaktRadioGroup1Click() {
    ++editorRuns.taktRadioGroup1;
    // CLKOUT on RA6 exists only with the internal and the resistor oscillator.
    ui_->RA6CheckBox->setEnabled(ui_->TaktButtonGroup1->checkedId() > 3);
}

void TOstrac::DATACheckBoxClick() {
    ++editorRuns.dataCheckBox;
    // The user's choice holds: "Lesen" and "Löschen" include the EEPROM when it is
    // checked, whether or not the file has EEPROM bytes. A chip without EEPROM
    // disables the box and does not count as a choice.
    if (ui_->DATACheckBox->isEnabled()) {
        dataWanted = ui_->DATACheckBox->isChecked();
    }
}

void TOstrac::IDCheckBoxClick() {
    ++editorRuns.idCheckBox;
    // Off: the ID editor's values are burnt; the file's otherwise.
    ui_->ToolButton12->setEnabled(!ui_->IDCheckBox->isChecked());
    if (!idWordsShown()) {
        return;
    }
    // The first run may uncheck the box (nested); the second makes the label
    // agree with the box's final state.
    UpdateID();
    UpdateID();
}

void TOstrac::UpdateID() {
    ++editorRuns.updateId;
    if (!idWordsShown()) {
        return;  // the ID bytes are the byte editor's
    }
    const bool fromFile = ui_->IDCheckBox->isChecked();
    Image.IdWords = fromFile ? idWordsFromFile(Image) : Image.IdEdited;
    const auto shown = Image.IdWords;
    ui_->IDLabel->setText(QString::fromStdString(idLabelText(shown)));
    const bool anyPresent = anyIdPresent(shown);
    if (fromFile && !anyPresent) {
        ui_->IDCheckBox->setChecked(false);
        setPanel(1, Image.HexLoaded ? QStringLiteral("keine ID-Information im HEX-File enthalten")
                                    : QStringLiteral("kein HEX-File geladen"));
    }
    if (fromFile && anyPresent) {
        // The file gives ID values now; an older notice saying otherwise goes.
        clearNotice({QStringLiteral("keine ID-Information im HEX-File enthalten"),
                     QStringLiteral("kein HEX-File geladen")});
    }
    ui_->IDLabel->setEnabled(anyPresent);
}

void TOstrac::ToolButton12Click() {
    if (!idWordsShown()) {
        auto* editor = new TIdBytesEdit(*this);
        editor->show();
        editor->activateWindow();
        return;
    }
    auto* editor = new TIdEdit(*this);
    editor->show();
    editor->activateWindow();
}

void TOstrac::wireEditors() {
    for (const char* item : kWrtItems) {
        ui_->WRTComboBox->addItem(QString::fromUtf8(item));
    }
    // As wide as the fuse boxes' column, not as its longest item: the window keeps its size.
    ui_->WRTComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ui_->WRTComboBox->setMinimumContentsLength(12);
    ui_->BORComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ui_->BORComboBox->setMinimumContentsLength(6);
    connect(ui_->ConfigCheckBox, &QCheckBox::toggled, this, [this] { ConfigCheckBoxClick(); });
    connect(ui_->CP1CheckBox, &QCheckBox::toggled, this, [this] { CP1CheckBoxClick(); });
    connect(ui_->DATACheckBox, &QCheckBox::toggled, this, [this] { DATACheckBoxClick(); });
    connect(ui_->IDCheckBox, &QCheckBox::toggled, this, [this] { IDCheckBoxClick(); });
    // A change of item toggles two buttons; only the newly checked one counts.
    connect(ui_->TaktButtonGroup1, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            TaktRadioGroup1Click();
        }
    });
}

}  // namespace pk

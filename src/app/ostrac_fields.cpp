// TOstrac: parts whose configuration is named fields (ChipFamily::configFields),
// which the named fuse controls cannot show: while one is chosen, the
// PIC-Setup area shows a list of the part's fields instead, grouped as the
// field table groups them.

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

void TOstrac::setUpFieldPanel() {
    fieldPanel_ = new QScrollArea(ui_->SetupGroupBox);
    fieldPanel_->setObjectName(QStringLiteral("ConfigFieldPanel"));
    fieldPanel_->setWidgetResizable(true);
    fieldPanel_->setFrameShape(QFrame::NoFrame);
    fieldPanel_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fieldPanel_->setToolTip(QStringLiteral("Konfigurationsbits"));
    // F1 on it opens the PIC-Setup page, as on the named controls.
    fieldPanel_->setProperty("helpContext", 109);
    // Hidden, it must not take room from the named controls.
    // Above "aus HEX-File lesen", in the left column, which takes the whole
    // width of the area while the named controls are hidden.
    QSizePolicy p = fieldPanel_->sizePolicy();
    p.setRetainSizeWhenHidden(false);
    p.setHorizontalPolicy(QSizePolicy::Ignored);
    p.setVerticalPolicy(QSizePolicy::Ignored);
    p.setVerticalStretch(1);
    fieldPanel_->setSizePolicy(p);
    fieldPanel_->setVisible(false);
    ui_->SetupClockLayout->insertWidget(0, fieldPanel_, 1);
}

void TOstrac::showFieldPanel(const std::optional<Part>& part) {
    Ui::Ostrac& u = *ui_;
    if (!part) {
        if (!fieldPart_) {
            return;
        }
        fieldPart_.reset();
        fieldPanel_->setVisible(false);
        for (QWidget* w : fieldHidden_) {
            w->setVisible(true);
        }
        fieldHidden_.clear();
        if (fieldSpacer_ != nullptr) {
            fieldSpacer_->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
        }
        u.SetupGroupBox->setMinimumWidth(setupMinWidth_);
        u.SetupClockLayout->invalidate();
        return;
    }
    if (!fieldPart_) {
        // The area keeps its width: the panel takes the room of the controls.
        setupMinWidth_ = u.SetupGroupBox->minimumWidth();
        u.SetupGroupBox->setMinimumWidth(u.SetupGroupBox->width());
        for (int i = 0; i < u.SetupClockLayout->count(); ++i) {
            if (QSpacerItem* s = u.SetupClockLayout->itemAt(i)->spacerItem()) {
                fieldSpacer_ = s;
                s->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
            }
        }
        // The named controls give way; "aus HEX-File lesen" stays.
        for (QWidget* w :
             u.SetupGroupBox->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (w != u.FromFileGroupBox && w != fieldPanel_ && !w->isHidden()) {
                fieldHidden_.push_back(w);
            }
        }
        for (QWidget* w : fieldHidden_) {
            w->setVisible(false);
        }
    }
    const bool changed = fieldPart_ != part;
    fieldPart_ = part;
    const ChipFamily& family = *part->family;
    const SizeLabels sizes = family.sizeLabels(part->row);
    u.FlashLabel->setText(QStringLiteral("Flash-ROM:") + qs(sizes.program));
    u.EEPROMLabel->setText(QStringLiteral("EEPROM:") + qs(sizes.eeprom));
    u.DATACheckBox->setEnabled(true);
    u.DATACheckBox->setChecked(dataWanted);
    if (changed) {
        // A read of another part is not saved in this part's layout.
        family.choose(session(), *part);
        // The file laid out for this part's memories; one that does not fit it
        // says so when a command reads it again.
        FileBytes = ByteImage();
        if (Image.HexLoaded) {
            loadFieldFile(true);
        }
    }

    // One row per field, under its group's heading.
    fields_.clear();
    auto* list = new QWidget;
    auto* grid = new QGridLayout(list);
    grid->setContentsMargins(0, 0, 4, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    int row = 0;
    for (FieldGroup group :
         {FieldGroup::Takt, FieldGroup::Reset, FieldGroup::Peripherie, FieldGroup::Schutz}) {
        bool heading = false;
        for (const ConfigField& f : family.configFields(part->row)) {
            if (f.group != group) {
                continue;
            }
            if (!heading) {
                auto* title = new QLabel(QStringLiteral("<b>") + qs(groupLabel(group)) +
                                         QStringLiteral("</b>"));
                grid->addWidget(title, row++, 0, 1, 2);
                heading = true;
            }
            auto* name = new QLabel(qs(f.name));
            name->setToolTip(qs(f.description));
            auto* box = new QComboBox;
            box->setObjectName(QStringLiteral("ConfigField_") + qs(f.name));
            box->setToolTip(qs(f.description));
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            box->setMinimumContentsLength(8);
            for (int raw = 0; raw <= f.maxRaw(); ++raw) {
                box->addItem(QString::fromStdString(valueName(f, static_cast<std::uint16_t>(raw))),
                             raw);
            }
            grid->addWidget(name, row, 0);
            grid->addWidget(box, row++, 1);
            fields_.emplace_back(box, &f);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    fieldPanel_->setWidget(list);  // the old list goes with its widget
    setFieldPanel(family.configCells(part->row).erased);
    fieldPanel_->setVisible(true);
    if (u.ConfigCheckBox->isChecked()) {
        fieldsFromFile();
    } else {
        for (const auto& [box, field] : fields_) {
            box->setEnabled(true);
        }
    }
}

std::vector<std::uint16_t> TOstrac::panelCells() const {
    if (!fieldPart_) {
        return {};
    }
    std::vector<std::uint16_t> cells = fieldPart_->family->configCells(fieldPart_->row).erased;
    for (const auto& [box, field] : fields_) {
        setFieldValue(*field, cells, static_cast<std::uint16_t>(box->currentData().toInt()));
    }
    return cells;
}

void TOstrac::setFieldPanel(std::span<const std::uint16_t> cells) {
    for (const auto& [box, field] : fields_) {
        box->setCurrentIndex(std::max(0, box->findData(fieldValue(*field, cells))));
    }
}

std::vector<ConfigSetting> TOstrac::fieldSettings() const {
    std::vector<ConfigSetting> settings;
    if (ui_->ConfigCheckBox->isChecked() || !fieldPart_) {
        return settings;
    }
    const ConfigCells layout = fieldPart_->family->configCells(fieldPart_->row);
    const std::vector<std::uint16_t> cells = panelCells();
    for (std::size_t n = 0; n < cells.size(); ++n) {
        if (layout.mask[n] != 0) {
            settings.push_back({layout.address[n], cells[n], false});
        }
    }
    return settings;
}

void TOstrac::fieldsFromFile() {
    const bool fromFile = ui_->ConfigCheckBox->isChecked();
    for (const auto& [box, field] : fields_) {
        box->setEnabled(!fromFile);
    }
    if (!fromFile || !fieldPart_) {
        return;
    }
    const ChipFamily& family = *fieldPart_->family;
    std::vector<std::uint16_t> cells = family.configCells(fieldPart_->row).erased;
    bool any = false;
    const auto file = family.fileConfig(fileImages(), *fieldPart_);
    for (std::size_t n = 0; n < cells.size() && n < file.size(); ++n) {
        if (file[n]) {
            cells[n] = *file[n];
            any = true;
        }
    }
    setFieldPanel(cells);
    if (!any) {
        setPanel(1, FileBytes.HexLoaded
                        ? QStringLiteral("keine Config einstellung im HEX-File enthalten")
                        : QStringLiteral("kein HEX-File geladen"));
    }
}

bool TOstrac::loadFieldFile(bool quiet) {
    if (!fieldPart_ || Image.HexFileName.empty()) {
        return false;
    }
    FileImages images = fileImages();
    const HexLoadResult r = fieldPart_->family->readFile(images, *fieldPart_, Image.HexFileName);
    if (!r.opened) {
        if (!quiet) {
            setPanel(0, QStringLiteral("!! file load ERROR !!"));
            dialog().message("HEX-File  " + Image.HexFileName + "  nicht gefunden");
        }
        return false;
    }
    clearNotice({QStringLiteral("kein HEX-File geladen")});
    if (!r.parse.ok()) {
        if (!quiet) {
            dialog().message(HexReadMessage(Image.HexFileName, r.parse));
        }
        FileBytes.clear();
        return false;
    }
    // A file is chosen: the commands read it again.
    Image.HexLoaded = true;
    UpdateGauge();
    fieldsFromFile();
    showFileName();
    return true;
}

}  // namespace pk

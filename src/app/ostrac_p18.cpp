// TOstrac: the PIC18F parts. Their configuration is fourteen bytes of named
// fields, which the 14-bit controls cannot show: while one is chosen, the
// PIC-Setup area shows a list of the part's fields instead, grouped as the
// field table groups them, and the commands and the file are the PIC18F ones.

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

#include "image/byte_hex_file.h"
#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// "32 KB" for the info labels.
QString kilobytes(std::uint32_t bytes) {
    return bytes >= 1024 ? QStringLiteral("%1 k").arg(bytes / 1024)
                         : QStringLiteral("%1 Byte").arg(bytes);
}

}  // namespace

const P18Device* TOstrac::p18PartAt(int index) {
    const auto first = static_cast<int>(kDevices.size());
    if (index < first || index >= first + static_cast<int>(kP18Devices.size())) {
        return nullptr;
    }
    return &kP18Devices[static_cast<std::size_t>(index - first)];
}

void TOstrac::setUpP18Panel() {
    p18Panel_ = new QScrollArea(ui_->SetupGroupBox);
    p18Panel_->setObjectName(QStringLiteral("P18ConfigPanel"));
    p18Panel_->setWidgetResizable(true);
    p18Panel_->setFrameShape(QFrame::NoFrame);
    p18Panel_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    p18Panel_->setToolTip(QStringLiteral("Konfigurationsbits des PIC18F"));
    // F1 on it opens the PIC-Setup page, as on the 14-bit controls.
    p18Panel_->setProperty("helpContext", 109);
    // Hidden, it must not take room from the 14-bit controls.
    // Above "aus HEX-File lesen", in the left column, which takes the whole
    // width of the area while the 14-bit controls are hidden.
    QSizePolicy p = p18Panel_->sizePolicy();
    p.setRetainSizeWhenHidden(false);
    p.setHorizontalPolicy(QSizePolicy::Ignored);
    p.setVerticalPolicy(QSizePolicy::Ignored);
    p.setVerticalStretch(1);
    p18Panel_->setSizePolicy(p);
    p18Panel_->setVisible(false);
    ui_->SetupClockLayout->insertWidget(0, p18Panel_, 1);
}

void TOstrac::showP18Part(const P18Device* part) {
    Ui::Ostrac& u = *ui_;
    if (part == nullptr) {
        if (p18Part_ == nullptr) {
            return;
        }
        p18Part_ = nullptr;
        p18Panel_->setVisible(false);
        for (QWidget* w : p18Hidden_) {
            w->setVisible(true);
        }
        p18Hidden_.clear();
        if (p18Spacer_ != nullptr) {
            p18Spacer_->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
        }
        u.SetupGroupBox->setMinimumWidth(p18SetupMinWidth_);
        u.SetupClockLayout->invalidate();
        return;
    }
    if (p18Part_ == nullptr) {
        // The area keeps its width: the panel takes the room of the controls.
        p18SetupMinWidth_ = u.SetupGroupBox->minimumWidth();
        u.SetupGroupBox->setMinimumWidth(u.SetupGroupBox->width());
        for (int i = 0; i < u.SetupClockLayout->count(); ++i) {
            if (QSpacerItem* s = u.SetupClockLayout->itemAt(i)->spacerItem()) {
                p18Spacer_ = s;
                s->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
            }
        }
        // The 14-bit controls give way; "aus HEX-File lesen" stays.
        for (QWidget* w :
             u.SetupGroupBox->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (w != u.FromFileGroupBox && w != p18Panel_ && !w->isHidden()) {
                p18Hidden_.push_back(w);
            }
        }
        for (QWidget* w : p18Hidden_) {
            w->setVisible(false);
        }
    }
    p18Part_ = part;
    u.FlashLabel->setText(QStringLiteral("Flash-ROM:") + kilobytes(part->programBytes));
    u.EEPROMLabel->setText(QStringLiteral("EEPROM:") + kilobytes(part->eepromBytes));
    u.DATACheckBox->setEnabled(true);
    u.DATACheckBox->setChecked(dataWanted);
    if (P18Image.regions() != p18Regions(*part)) {
        // The file laid out for this part's memories; one that does not fit it
        // says so when a command reads it again.
        P18Image = ByteImage(p18Regions(*part));
        // A read of another part is not saved in this part's layout.
        p18Session().image = ByteImage(p18Regions(*part));
        if (Image.HexLoaded) {
            p18LoadFile(true);
        }
    }

    // One row per field, under its group's heading.
    p18Fields_.clear();
    auto* list = new QWidget;
    auto* grid = new QGridLayout(list);
    grid->setContentsMargins(0, 0, 4, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    int row = 0;
    for (P18FieldGroup group : {P18FieldGroup::Takt, P18FieldGroup::Reset,
                                P18FieldGroup::Peripherie, P18FieldGroup::Schutz}) {
        bool heading = false;
        for (const P18ConfigField& f : p18ConfigFields(*part)) {
            if (f.group != group) {
                continue;
            }
            if (!heading) {
                auto* title = new QLabel(QStringLiteral("<b>") + qs(p18GroupLabel(group)) +
                                         QStringLiteral("</b>"));
                grid->addWidget(title, row++, 0, 1, 2);
                heading = true;
            }
            auto* name = new QLabel(qs(f.name));
            name->setToolTip(qs(f.description));
            auto* box = new QComboBox;
            box->setObjectName(QStringLiteral("P18Field_") + qs(f.name));
            box->setToolTip(qs(f.description));
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            box->setMinimumContentsLength(8);
            for (int raw = 0; raw <= f.maxRaw(); ++raw) {
                box->addItem(
                    QString::fromStdString(p18ValueName(f, static_cast<std::uint8_t>(raw))), raw);
            }
            grid->addWidget(name, row, 0);
            grid->addWidget(box, row++, 1);
            p18Fields_.emplace_back(box, &f);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    p18Panel_->setWidget(list);  // the old list goes with its widget
    setP18Panel(part->configErased);
    p18Panel_->setVisible(true);
    if (u.ConfigCheckBox->isChecked()) {
        p18ConfigFromFile();
    } else {
        for (const auto& [box, field] : p18Fields_) {
            box->setEnabled(true);
        }
    }
}

P18ConfigBytes TOstrac::p18PanelBytes() const {
    P18ConfigBytes bytes = p18Part_ != nullptr ? p18Part_->configErased : P18ConfigBytes{};
    for (const auto& [box, field] : p18Fields_) {
        p18SetFieldValue(*field, bytes, static_cast<std::uint8_t>(box->currentData().toInt()));
    }
    return bytes;
}

void TOstrac::setP18Panel(const P18ConfigBytes& bytes) {
    for (const auto& [box, field] : p18Fields_) {
        box->setCurrentIndex(std::max(0, box->findData(p18FieldValue(*field, bytes))));
    }
}

std::vector<ConfigSetting> TOstrac::fieldSettings() const {
    std::vector<ConfigSetting> settings;
    if (ui_->ConfigCheckBox->isChecked() || p18Part_ == nullptr) {
        return settings;
    }
    const P18ConfigBytes bytes = p18PanelBytes();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        if (p18Part_->configMask[n] != 0) {
            settings.push_back({p18addr::kConfig + static_cast<std::uint32_t>(n), bytes[n], false});
        }
    }
    return settings;
}

void TOstrac::p18ConfigFromFile() {
    const bool fromFile = ui_->ConfigCheckBox->isChecked();
    for (const auto& [box, field] : p18Fields_) {
        box->setEnabled(!fromFile);
    }
    if (!fromFile || p18Part_ == nullptr) {
        return;
    }
    P18ConfigBytes bytes = p18Part_->configErased;
    bool any = false;
    if (P18Image.HexLoaded && P18Image.regions() == p18Regions(*p18Part_)) {
        const auto file = P18Image.area(P18Image.HexBytes, ByteArea::Config);
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            if (file[n] != ByteImage::AbsentByte) {
                bytes[n] = static_cast<std::uint8_t>(file[n]);
                any = true;
            }
        }
    }
    setP18Panel(bytes);
    if (!any) {
        setPanel(1, P18Image.HexLoaded
                        ? QStringLiteral("keine Config einstellung im HEX-File enthalten")
                        : QStringLiteral("kein HEX-File geladen"));
    }
}

bool TOstrac::p18LoadFile(bool quiet) {
    P18Image = ByteImage(p18Regions(*p18Part_));
    P18Image.HexFileName = Image.HexFileName;
    if (Image.HexFileName.empty()) {
        return false;
    }
    const HexLoadResult r = LoadByteHexFile(Image.HexFileName, P18Image);
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
        P18Image.clear();
        return false;
    }
    // A file is chosen: the commands read it again, as they do for the 14-bit chips.
    Image.HexLoaded = true;
    UpdateGauge();
    p18ConfigFromFile();
    showFileName();
    return true;
}

}  // namespace pk

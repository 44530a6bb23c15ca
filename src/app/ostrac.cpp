#include "ostrac.h"

#include <array>

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <span>
#include <utility>

#include "help_window.h"
#include "hint_timing.h"
#include "qt_user_dialog.h"
#include "tool_icons.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

// The brown-out list takes the layout's items; the chosen mode stays where the
// new list has it.
void fillBorList(QComboBox* box, std::span<const FieldItem> items) {
    const QSignalBlocker quiet(box);
    const QVariant kept = box->currentData();
    box->clear();
    for (const FieldItem& i : items) {
        box->addItem(QString::fromUtf8(i.text), static_cast<int>(i.value));
    }
    box->setCurrentIndex(std::max(0, box->findData(kept)));
}

}  // namespace

TOstrac::TOstrac(const OstracDeps& deps, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::Ostrac>()), deps_(deps) {
    ui_->setupUi(this);
    if (deps.dialog != nullptr) {
        dialog_ = deps.dialog;
    } else {
        ownDialog_ = std::make_unique<QtUserDialog>(this);
        dialog_ = ownDialog_.get();
    }
    if (deps.clock != nullptr) {
        clock_ = deps.clock;
    } else {
        ownClock_ = std::make_unique<RealClock>();
        clock_ = ownClock_.get();
    }
    port_ = deps.port;
    setUpShell();
    wireHex();
    wireLink();
    wireEditors();
    wireOps();
    wireCommands();
    wireViewers();
    wireSetup();
    wireDoctor();
    setUpFieldPanel();
    FormCreate();
}

TOstrac::~TOstrac() {
    FormDestroy();
}

// ---- Window set-up -----------------------------------------------------------

void TOstrac::setUpShell() {
    // Every family's parts in the catalogue's order: for the named controls'
    // types the item index is the type.
    for (const Part& p : allParts()) {
        ui_->TypComboBox->addItem(QString::fromStdString(p.listText()));
    }
    // The box keeps the width it had with the original entries, so the window does
    // not grow with the list; the open list shows every entry in full.
    ui_->TypComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ui_->TypComboBox->setMinimumContentsLength(10);
    ui_->TypComboBox->view()->setMinimumWidth(ui_->TypComboBox->view()->sizeHintForColumn(0) +
                                              ui_->TypComboBox->view()->frameWidth() * 2 + 24);
    // A radio group's item index is its button group's checked id.
    const auto numberButtons = [](QButtonGroup* group,
                                  std::initializer_list<QAbstractButton*> buttons) {
        int id = 0;
        for (QAbstractButton* b : buttons) {
            group->setId(b, id++);
        }
    };
    numberButtons(ui_->TaktButtonGroup, {ui_->TaktRadioGroup_0, ui_->TaktRadioGroup_1,
                                         ui_->TaktRadioGroup_2, ui_->TaktRadioGroup_3});
    numberButtons(ui_->TaktButtonGroup1,
                  {ui_->TaktRadioGroup1_0, ui_->TaktRadioGroup1_1, ui_->TaktRadioGroup1_2,
                   ui_->TaktRadioGroup1_3, ui_->TaktRadioGroup1_4, ui_->TaktRadioGroup1_5});

    // Controls that come and go keep their room, so the window neither jumps while
    // "O.K." blinks or an operation runs nor reshuffles with the chip type or the
    // Quick-and-Dirty view.
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->OKLabel, ui_->RunGauge, ui_->DataGauge, ui_->DATACheckBox, ui_->DetectBTN,
             ui_->ReadBTN, ui_->CompBTN, ui_->FehlerGroupBox}) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
    }
    ui_->RunGauge->setStyleSheet(QString());
    QPalette runPalette = ui_->RunGauge->palette();
    runPalette.setColor(QPalette::Highlight, QColor(0, 128, 0));
    ui_->RunGauge->setPalette(runPalette);

    setUpToolBar();
    setUpStatusBar();
    setUpTabOrder();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(400);

    connect(ui_->TypComboBox, &QComboBox::activated, this, [this](int) {
        TypComboBoxClick();
        TypComboBoxChange();
    });
    // The tool bar in one place, so no button runs its handler twice.
    connect(ui_->ToolButton1, &QToolButton::clicked, this, [this] { ToolButton1Click(); });
    connect(ui_->ToolButton2, &QToolButton::clicked, this, [this] { ToolButton2Click(); });
    connect(ui_->ToolButton3, &QToolButton::clicked, this, [this] { ToolButton3Click(); });
    connect(ui_->ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
    // ToolButton6 and ToolButton7 are connected by wireSetup.
    connect(ui_->ToolButton8, &QToolButton::clicked, this, [this] { ToolButton8Click(); });
    connect(ui_->ToolButton9, &QToolButton::clicked, this, [this] { ToolButton9Click(); });
    connect(ui_->ToolButton11, &QToolButton::clicked, this, [this] { ToolButton11Click(); });
    connect(ui_->ToolButton12, &QToolButton::clicked, this, [this] { ToolButton12Click(); });
    connect(ui_->ToolButton13, &QToolButton::clicked, this, [this] { ToolButton13Click(); });
}

void TOstrac::setUpToolBar() {
    struct Icon {
        QToolButton* button;
        ToolIcon icon;
    };
    const Icon icons[] = {
        {ui_->ToolButton1, ToolIcon::Open},      {ui_->ToolButton2, ToolIcon::Save},
        {ui_->ToolButton3, ToolIcon::Search},    {ui_->ToolButton14, ToolIcon::CheckLink},
        {ui_->ToolButton6, ToolIcon::Setup},     {ui_->ToolButton8, ToolIcon::MemoryMap},
        {ui_->ToolButton9, ToolIcon::HexView},   {ui_->ToolButton11, ToolIcon::Listing},
        {ui_->ToolButton12, ToolIcon::IdEditor}, {ui_->ToolButton7, ToolIcon::Info},
        {ui_->ToolButton13, ToolIcon::Help},     {ui_->ToolButton5, ToolIcon::End},
    };
    for (const Icon& i : icons) {
        i.button->setIcon(toolIcon(i.icon));
        i.button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
}

void TOstrac::setUpTabOrder() {
    // The way the work goes: the chip type and the commands down the left column,
    // then the configuration on the right, clock column before fuse column.
    Ui::Ostrac& u = *ui_;
    QWidget* const order[] = {
        u.TypComboBox,       u.DetectBTN,         u.EraseBTN,          u.AntiCpBTN,
        u.ReadBTN,           u.CompBTN,           u.ProgBTN,           u.DATACheckBox,
        u.TaktRadioGroup_0,  u.TaktRadioGroup_1,  u.TaktRadioGroup_2,  u.TaktRadioGroup_3,
        u.TaktRadioGroup1_0, u.TaktRadioGroup1_1, u.TaktRadioGroup1_2, u.TaktRadioGroup1_3,
        u.TaktRadioGroup1_4, u.TaktRadioGroup1_5, u.RA5CheckBox,       u.RA6CheckBox,
        u.ConfigCheckBox,    u.IDCheckBox,        u.WDTECheckBox,      u.BODENCheckBox,
        u.PWRTECheckBox,     u.WRTCheckBox,       u.LVPCheckBox,       u.DEBUGCheckBox,
        u.CP1CheckBox,       u.CP0CheckBox,       u.CPDCheckBox,
    };
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void TOstrac::setUpStatusBar() {
    statusPanel0_ = new QLabel(ui_->StatusBar1);
    statusPanel0_->setObjectName(QStringLiteral("StatusPanel0"));
    statusPanel0_->setFixedWidth(150);
    statusPanel1_ = new QLabel(ui_->StatusBar1);
    statusPanel1_->setObjectName(QStringLiteral("StatusPanel1"));
    statusPanel1_->setMinimumWidth(1);
    for (QLabel* panel : {statusPanel0_, statusPanel1_}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setContentsMargins(2, 0, 2, 0);
    }
    ui_->StatusBar1->addWidget(statusPanel0_);
    ui_->StatusBar1->addWidget(statusPanel1_, 1);
    // The run's remaining time, at the right while a run gauge is shown.
    remainingLabel_ = new QLabel(ui_->StatusBar1);
    remainingLabel_->setObjectName(QStringLiteral("RemainingLabel"));
    remainingLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    remainingLabel_->setContentsMargins(2, 0, 2, 0);
    remainingLabel_->hide();
    ui_->StatusBar1->addPermanentWidget(remainingLabel_);
}

void TOstrac::showRemaining(const std::optional<std::chrono::seconds>& left) {
    if (left) {
        remainingLabel_->setText(QString::fromStdString(remainingText(*left)));
    }
    remainingLabel_->setVisible(left.has_value());
}

void TOstrac::setPanel(int index, const QString& text) {
    if (QLabel* label = panelLabel(index)) {
        label->setText(text);
        // A long notice runs past the window's edge; its hint shows it whole.
        if (index == 1) {
            label->setToolTip(text);
        }
    }
}

void TOstrac::showFileName() {
    QLabel* label = panelLabel(0);
    if (label == nullptr) {
        return;
    }
    const QString path = QString::fromStdString(Image.HexFileName);
    const QString name = QFileInfo(path).fileName();
    // The panel is narrow; the middle of a long name goes, its end (".hex") stays.
    label->setText(
        label->fontMetrics().elidedText(name, Qt::ElideMiddle, std::max(label->width() - 6, 40)));
    label->setToolTip(path);
}

void TOstrac::clearNotice(std::initializer_list<QString> notices) {
    if (std::find(notices.begin(), notices.end(), panel(1)) != notices.end()) {
        setPanel(1, QString());
    }
}

QString TOstrac::panel(int index) const {
    QLabel* label = panelLabel(index);
    return label != nullptr ? label->text() : QString();
}

QLabel* TOstrac::panelLabel(int index) const {
    switch (index) {
        case 0:
            return statusPanel0_;
        case 1:
            return statusPanel1_;
        default:
            return nullptr;
    }
}

// ---- Start-up ----------------------------------------------------------------

void TOstrac::FormCreate() {
    // 1. Hints appear quickly and stay long enough to be read; help is at hand.
    applyHintTimings();
    installHelpKey();

    // 2. How fast may the port lines be clocked on this machine?
    Bremse();

    // 3. No code-protection findings before anything was detected.
    ui_->FCPLabel->setText(QString());
    ui_->ECPLabel->setText(QString());

    // 4. Nothing loaded, nothing read.
    Image.HexLoaded = false;
    Image.clear();
    Image.ReadBack = Image.HexWords;

    // 5. Start with the 16F84/84A; the type change sets sizes and option controls.
    Device.ProgLastAddr = 0x1FFF;
    Device.DataLastAddr = 0xFF;
    Device.CurrentType = Dev16F876_877;
    ui_->TypComboBox->setCurrentIndex(Dev16F84);
    TypComboBoxChange();
    Device.Is84A = false;

    // 6. Settings file; it decides the Quick-and-Dirty view.
    LoadSettingsFile();

    // 7. No ID values yet.
    Image.IdWords.fill(MemoryImage::IdNone);
    Image.IdEdited.fill(MemoryImage::IdNone);

    // 8. A file given with "/f" is in the image before the programmer search runs.
    ProcessCommandLine(deps_.arguments);

    // 9. Its message box is the first thing the user sees.
    ToolButton3Click();
}

void TOstrac::FormDestroy() {
    PortZu();
}

void TOstrac::ProcessCommandLine(const QStringList& args) {
    // Argument 0 is the program's own path. On Linux it usually begins with "/"
    // too, and a path such as "/fs/pkorvel" must not be taken for a file switch.
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QLatin1Char('/'))) {
            continue;
        }
        if (arg.size() >= 2) {
            const QChar which = arg.at(1).toLower();
            if (which == QLatin1Char('f')) {
                StartupFilePending = true;
                StartupFileName = arg.mid(2);
                ToolButton1Click();
            } else if (which == QLatin1Char('p')) {
                const std::string lower = arg.toLower().toStdString();
                if (const auto match = lookupSwitch(lower)) {
                    ui_->TypComboBox->setCurrentIndex(match->type);
                    if (match->is84A) {
                        Device.Is84A = true;
                    }
                }
                // Runs for an unknown type switch as well.
                TypComboBoxChange();
            }
        }
        if (arg.toLower() == QStringLiteral("/reass")) {
            ui_->ToolButton11->setVisible(true);
        }
    }
}

// ---- Type list ---------------------------------------------------------------

void TOstrac::TypComboBoxChange() {
    Ui::Ostrac& u = *ui_;
    // A part whose configuration is named fields shows them instead of the
    // named controls.
    if (const std::optional<Part> chosen = part();
        chosen && !chosen->family->configFields(chosen->row).empty()) {
        showFieldPanel(chosen);
        return;
    }
    showFieldPanel(std::nullopt);
    const std::int32_t type = u.TypComboBox->currentIndex();
    Device.CurrentType = type;
    const DeviceInfo* info = deviceInfo(type);
    if (info != nullptr) {
        const bool fromFile = u.ConfigCheckBox->isChecked();
        const ConfigLayoutTable& layout = configLayoutTable(info->configLayout);
        const bool ownClock = sixItemClock(layout.clock);

        // Clock source: the 16F62x have their own oscillator modes and the RA5/RA6 fuses.
        // What goes is hidden before what comes is shown: showing a control lays the
        // window out at once, and with both clock groups visible for that moment it
        // would grow and stay grown.
        QWidget* const ownClockOnly[] = {u.TaktRadioGroup1, u.RA5CheckBox, u.RA6CheckBox};
        if (ownClock) {
            u.TaktRadioGroup->setVisible(false);
        }
        for (QWidget* w : ownClockOnly) {
            w->setVisible(ownClock);
        }
        u.TaktRadioGroup->setVisible(!ownClock);

        // Fuse boxes the chip has; the from-file mode keeps its own lock on them.
        const std::array<QCheckBox*, kFuseBoxCount> boxes{
            u.CP0CheckBox, u.CPDCheckBox,   u.DEBUGCheckBox, u.WRTCheckBox,
            u.LVPCheckBox, u.BODENCheckBox, u.RA5CheckBox,   u.RA6CheckBox};
        const int clockItem = u.TaktButtonGroup1->checkedId();
        for (std::size_t i = 0; i < kFuseBoxCount; ++i) {
            if (const auto on = boxEnabledAfterTypeChange(layout.boxes[i], fromFile, clockItem)) {
                boxes[i]->setEnabled(*on);
            }
        }
        if (singleProtectionSetting(type)) {
            u.CP0CheckBox->setChecked(u.CP1CheckBox->isChecked());
        }

        // The newer chips' settings: one protection box, the write-protection
        // list instead of the write box, the brown-out list instead of its box,
        // the CCP1 pin and the single-bit settings of either word. Hidden first,
        // shown after, for the same reason as the clock groups.
        const bool one = layout.oneProtectionBox;
        const bool wrtList = wrtListShown(type);
        const bool borList = layout.borField != 0;
        const auto flags = flagsShown(type);
        const auto has = [&flags](Flag f) { return flags[static_cast<std::size_t>(f)]; };
        if (borList) {
            fillBorList(u.BORComboBox, layout.borItems);
        }
        // Beside the list the threshold alone names the box; set before
        // it shows, as a wider text would grow the window.
        u.BORVCheckBox->setText(borList ? QStringLiteral("4,0 V")
                                        : QStringLiteral("BOR bei 4,0 V"));
        u.BORVCheckBox->setToolTip(
            QStringLiteral("angehakt: Brown-out Reset unter 4,0 V, sonst unter ") +
            QString::fromUtf8(layout.borvLow));
        const std::array<std::pair<QWidget*, bool>, 12> newer{{
            {u.CP0CheckBox, !one},
            {u.WRTCheckBox, !wrtList},
            {u.WRTComboBox, wrtList},
            {u.BODENCheckBox, !borList},
            {u.BORComboBox, borList},
            {u.BORVCheckBox, has(Flag::BORV)},
            {u.BORRow, borList || has(Flag::BORV)},
            {u.IOSCFSCheckBox, has(Flag::IOSCFS)},
            {u.CCPMXCheckBox, layout.ccpmx != 0},
            {u.FCMENCheckBox, has(Flag::FCMEN)},
            {u.IESOCheckBox, has(Flag::IESO)},
            {u.Config2Row, has(Flag::FCMEN) || has(Flag::IESO)},
        }};
        for (const auto& [w, shown] : newer) {
            if (!shown) {
                w->setVisible(false);
            }
        }
        for (const auto& [w, shown] : newer) {
            if (shown) {
                w->setVisible(true);
            }
        }
        for (QWidget* w : std::initializer_list<QWidget*>{
                 u.WRTComboBox, u.CCPMXCheckBox, u.FCMENCheckBox, u.IESOCheckBox, u.BORComboBox,
                 u.BORVCheckBox, u.IOSCFSCheckBox}) {
            w->setEnabled(!fromFile);
        }
        u.CP1CheckBox->setText(one ? QStringLiteral("Codeprotection gesamt")
                                   : QStringLiteral("oberer Bereich"));
        u.CP1CheckBox->setToolTip(
            one ? QStringLiteral("ganzen Programmspeicher schützen")
                : QStringLiteral(
                      "1. Hälfte der Programmspeichers schützen (16F84/7x: ganzer Speicher)"));
        // The 8- and 14-pin chips have MCLR and CLKOUT on other pins.
        u.RA5CheckBox->setText(QString::fromLatin1(layout.mclrPin) + QStringLiteral(" = MCLR"));
        u.RA6CheckBox->setText(QString::fromLatin1(layout.clkoutPin) + QStringLiteral(" = CLKOUT"));
        u.TaktRadioGroup1_3->setText(QStringLiteral("EC (->") +
                                     QString::fromLatin1(layout.clockInPin) + QStringLiteral(")"));
        u.TaktRadioGroup1_4->setText(QString::fromUtf8(layout.intoscItem));
        u.TaktRadioGroup1_5->setText(QString::fromUtf8(layout.rcItem));
        // Without EEPROM the box is off and cannot be ticked; the user's choice
        // comes back with the next chip that has one.
        const bool eeprom = info->dataLastAddr >= 0;
        const bool wanted = dataWanted;
        u.DATACheckBox->setEnabled(false);
        u.DATACheckBox->setChecked(eeprom && wanted);
        u.DATACheckBox->setEnabled(eeprom);

        Device.ProgLastAddr = info->progLastAddr;
        Device.DataLastAddr = info->dataLastAddr;
        u.FlashLabel->setText(
            QStringLiteral("Flash-ROM:%1 k").arg((Device.ProgLastAddr + 1) / 1024));
        u.EEPROMLabel->setText(QStringLiteral("EEPROM:%1 Byte").arg(Device.DataLastAddr + 1));

        // The file's word through the new type's layout: the panel shows what
        // "Brennen" will burn, not what the last type made of it.
        if (fromFile && Image.HexLoaded) {
            UpdateConfigButtons();
        }
    }
    UpdateGauge();
}

void TOstrac::TypComboBoxClick() {
    ui_->FCPLabel->setText(QString());
    ui_->ECPLabel->setText(QString());
    setPanel(1, QString());
}

// ---- Ending and help ---------------------------------------------------------

void TOstrac::ToolButton5Click() {
    PortZu();
    // End at once: no close events, nothing saved.
    hide();
    QCoreApplication::exit(0);
}

void TOstrac::ToolButton13Click() {
    HelpWindow::showTopic(QStringLiteral("Inhalt"));
}

void TOstrac::closeEvent(QCloseEvent* event) {
    // A chip operation holds the window and must not be left half done (VPP on);
    // once it has ended, the user is asked.
    if (operationRunning()) {
        noteCloseRequest();
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace pk

#include "setupdialog.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLocale>
#include <QSignalBlocker>
#include <cmath>

#include "ostrac.h"
#include "ui_setupdialog.h"

namespace pk {

TSetupDialog::TSetupDialog(TOstrac& main)
    : QWidget(&main, Qt::Dialog),
      ui_(std::make_unique<Ui::SetupDialog>()),
      main_(main),
      before_(main.Settings),
      logic_(main.Settings, [&main] { main.Bremse(); }),
      treiber_(this),
      schalter_(this) {
    ui_->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    // Volts with a decimal comma, whatever the desktop's language.
    ui_->VppSpinBox->setLocale(QLocale(QLocale::German, QLocale::Germany));
    setProperty("helpContext", kHelpContext);
    // One size whether or not the manual speed group shows: without it the two lists
    // take its room.
    setFixedSize(QSize(454, 220).expandedTo(minimumSizeHint()));

    // Button ids are the item indexes the settings store.
    treiber_.setObjectName(QStringLiteral("TreiberButtons"));
    schalter_.setObjectName(QStringLiteral("SchalterButtons"));
    treiber_.addButton(ui_->TreiberItem0, 0);
    treiber_.addButton(ui_->TreiberItem1, 1);
    treiber_.addButton(ui_->TreiberItem2, 2);
    schalter_.addButton(ui_->SchalterItem0, 0);
    schalter_.addButton(ui_->SchalterItem1, 1);
    schalter_.addButton(ui_->SchalterItem2, 2);
    schalter_.addButton(ui_->SchalterItem3, 3);
    showState();

    // State-change signals, so a change made by code reacts like one by the
    // user; showState() blocks them while it mirrors the logic.
    connect(&treiber_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) {
            change([this, id] { logic_.setDriver(id); });
        }
    });
    connect(&schalter_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) {
            change([this, id] { logic_.setSwitch(id); });
        }
    });
    connect(ui_->QDCheckBox, &QCheckBox::toggled, this,
            [this](bool on) { change([this, on] { logic_.setQD(on); }); });
    connect(ui_->K1CheckBox, &QCheckBox::toggled, this,
            [this](bool on) { change([this, on] { logic_.setK1(on); }); });
    connect(ui_->FACheckBox, &QCheckBox::toggled, this,
            [this](bool on) { change([this, on] { logic_.setFA(on); }); });
    connect(ui_->CheckBox1, &QCheckBox::toggled, this,
            [this](bool on) { change([this, on] { logic_.setAutoSpeed(on); }); });
    connect(ui_->DatenblattCheckBox, &QCheckBox::toggled, this,
            [this](bool on) { change([this, on] { logic_.setDataSheet(on); }); });
    connect(ui_->STrackBar, &QSlider::valueChanged, this,
            [this](int position) { change([this, position] { logic_.setSpeed(position); }); });
    connect(ui_->VppSpinBox, &QDoubleSpinBox::valueChanged, this, [this](double volts) {
        change([this, volts] { logic_.setVpp(static_cast<int>(std::lround(volts * 10))); });
    });
    connect(ui_->SButton, &QPushButton::clicked, this, &TSetupDialog::SButtonClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &TSetupDialog::Button1Click);

    FormCreate();
}

TSetupDialog::~TSetupDialog() = default;

void TSetupDialog::FormCreate() {
    change([this] { logic_.open(); });
}

void TSetupDialog::change(const std::function<void()>& step) {
    if (showing_) {
        return;
    }
    step();
    showState();
}

void TSetupDialog::showIndex(QButtonGroup& group, int index) {
    if (QAbstractButton* item = group.button(index)) {
        item->setChecked(true);
        return;
    }
    // No selection: an exclusive group cannot uncheck its last checked button.
    group.setExclusive(false);
    for (QAbstractButton* item : group.buttons()) {
        item->setChecked(false);
    }
    group.setExclusive(true);
}

void TSetupDialog::showState() {
    showing_ = true;
    const SetupView& v = logic_.view();
    {
        const QSignalBlocker b1(treiber_);
        const QSignalBlocker b2(schalter_);
        const QSignalBlocker b3(ui_->QDCheckBox);
        const QSignalBlocker b4(ui_->K1CheckBox);
        const QSignalBlocker b5(ui_->FACheckBox);
        const QSignalBlocker b6(ui_->CheckBox1);
        const QSignalBlocker b7(ui_->STrackBar);
        const QSignalBlocker b8(ui_->DatenblattCheckBox);
        const QSignalBlocker b9(ui_->VppSpinBox);
        showIndex(treiber_, v.Driver);
        showIndex(schalter_, v.Switch);
        ui_->QDCheckBox->setChecked(v.QD);
        ui_->K1CheckBox->setChecked(v.K1);
        ui_->FACheckBox->setChecked(v.FA);
        ui_->CheckBox1->setChecked(v.AutoSpeed);
        ui_->STrackBar->setValue(v.Speed);
        ui_->DatenblattCheckBox->setChecked(v.DataSheet);
        ui_->VppSpinBox->setValue(v.VppTenths / 10.0);
    }
    ui_->TreiberRadioGroup->setEnabled(v.ListsEnabled);
    ui_->SchalterRadioGroup->setEnabled(v.ListsEnabled);
    ui_->GroupBox1->setVisible(v.ManualSpeedVisible);
    showing_ = false;
}

void TSetupDialog::SButtonClick() {
    change([this] { logic_.test(); });
}

void TSetupDialog::Button1Click() {
    close();
}

void TSetupDialog::cancel() {
    // "Test" and the speed box act on the settings at once; they go back too.
    main_.Settings = before_;
    hide();
}

void TSetupDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Button1Click();
            return;
        case Qt::Key_Escape:
            cancel();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool TSetupDialog::FormClose() {
    // A combination no circuit can be keeps the dialog open.
    if (const auto why = logic_.refusal()) {
        main_.dialog().message(*why);
        return false;
    }
    logic_.store();
    main_.ApplyQuickAndDirtyView();
    main_.Anfang();
    return main_.SaveSettingsFile();
}

void TSetupDialog::showEvent(QShowEvent* event) {
    // Over the main window when it first appears; afterwards where the user put it.
    if (!placed_) {
        placed_ = true;
        if (main_.isVisible()) {
            move(main_.frameGeometry().center() - QPoint(width() / 2, height() / 2));
        }
    }
    QWidget::showEvent(event);
}

void TSetupDialog::closeEvent(QCloseEvent* event) {
    if (FormClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace pk

#include "idedit.h"

#include <QCloseEvent>
#include <QMouseEvent>

#include "editors/id_words.h"
#include "ostrac.h"
#include "ui_idedit.h"

namespace pk {

TIdEdit::TIdEdit(TOstrac& main)
    : QWidget(&main, Qt::Window), main_(main), ui_(std::make_unique<Ui::IdEdit>()) {
    ui_->setupUi(this);
    loc_ = {{
        {ui_->ID0GroupBox, ui_->ID0TrackBar, ui_->ID0Label, ui_->ID0CheckBox},
        {ui_->ID1GroupBox, ui_->ID1TrackBar, ui_->ID1Label, ui_->ID1CheckBox},
        {ui_->ID2GroupBox, ui_->ID2TrackBar, ui_->ID2Label, ui_->ID2CheckBox},
        {ui_->ID3GroupBox, ui_->ID3TrackBar, ui_->ID3Label, ui_->ID3CheckBox},
    }};
    for (int n = 0; n < 4; ++n) {
        const Location& l = loc_[static_cast<std::size_t>(n)];
        connect(l.box, &QCheckBox::toggled, this, [this, n] { IDCheckBoxClick(n); });
        connect(l.slider, &QSlider::valueChanged, this, [this, n] { IDTrackBarChange(n); });
        l.group->installEventFilter(this);
    }
    connect(ui_->Button1, &QPushButton::clicked, this, &TIdEdit::Button1Click);
}

TIdEdit::~TIdEdit() = default;

void TIdEdit::IDCheckBoxClick(int n) {
    const Location& l = loc_[static_cast<std::size_t>(n)];
    if (l.box->isChecked()) {
        // Start at the value last stored for this location (0 when none was).
        l.slider->setEnabled(true);
        l.slider->setValue(main_.Image.IdEdited[static_cast<std::size_t>(n)] & 0x0F);
        l.label->setEnabled(true);
        l.label->setText(QString::number(l.slider->value()));
    } else {
        l.slider->setEnabled(false);
        l.slider->setValue(0);
        l.label->setEnabled(false);
        l.label->setText(QStringLiteral("xx"));
    }
}

void TIdEdit::IDTrackBarChange(int n) {
    const Location& l = loc_[static_cast<std::size_t>(n)];
    l.label->setText(QString::number(l.slider->value()));
}

void TIdEdit::IDGroupBoxClick(int n) {
    loc_[static_cast<std::size_t>(n)].box->setChecked(true);
}

void TIdEdit::Button1Click() {
    close();
}

void TIdEdit::FormActivate() {
    for (int n = 0; n < 4; ++n) {
        QCheckBox* box = loc_[static_cast<std::size_t>(n)].box;
        // The handler runs once below whether or not the state changed.
        const QSignalBlocker block(box);
        box->setChecked(idPresent(main_.Image.IdEdited[static_cast<std::size_t>(n)]));
    }
    for (int n = 0; n < 4; ++n) {
        IDCheckBoxClick(n);
    }
}

void TIdEdit::FormClose() {
    for (std::size_t n = 0; n < 4; ++n) {
        const Location& l = loc_[n];
        main_.Image.IdEdited[n] = l.box->isChecked() ? l.slider->value() : MemoryImage::IdNone;
    }
    main_.UpdateID();
}

bool TIdEdit::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QWidget::event(e);
}

bool TIdEdit::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease) {
        const auto* me = static_cast<QMouseEvent*>(e);
        for (int n = 0; n < 4; ++n) {
            QGroupBox* g = loc_[static_cast<std::size_t>(n)].group;
            if (watched == g && me->button() == Qt::LeftButton &&
                g->rect().contains(me->position().toPoint())) {
                IDGroupBoxClick(n);
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TIdEdit::closeEvent(QCloseEvent* e) {
    FormClose();
    e->accept();  // only hides: the window stays until the main window goes
}

}  // namespace pk

#include "startform.h"

#include <QDesktopServices>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <cstring>

#include "jpeg_decode.h"
#include "ui_startform.h"

namespace pk {

bool TStartForm::InfoFirstShow = true;

namespace {

constexpr int kMargin = 8;

QFont textFont(int pixelSize, bool bold = false, bool underline = false) {
    QFont font;
    // Arial first; the metric twins next, so the texts fit the boxes they were laid out for.
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

// The boxes are laid out for Arial. Where the system's font is wider, a text
// grows to the right as far as the window allows and then gets a smaller font,
// rather than being cut off.
void fitText(QLabel* label, int windowWidth) {
    QFont font = label->font();
    const int available = windowWidth - kMargin - label->x();
    auto needed = [&] { return QFontMetrics(font).horizontalAdvance(label->text()) + 2; };
    while (needed() > available && font.pixelSize() > 9) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    label->setFont(font);
    if (needed() > label->width()) {
        label->resize(std::min(needed(), available), label->height());
    }
}

}  // namespace

TStartForm::TStartForm(QWidget* mainWindow, const QString& picturePath)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::StartForm>()),
      mainWindow_(mainWindow) {
    ui_->setupUi(this);
    setFixedSize(523, 215);
    ui_->StaticText1->setFont(textFont(21, true));
    QPalette red = ui_->StaticText1->palette();
    red.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    ui_->StaticText1->setPalette(red);
    ui_->StaticText2->setFont(textFont(16));
    ui_->StaticText3->setFont(textFont(13, false, true));
    for (QLabel* text : {ui_->StaticText1, ui_->StaticText2, ui_->StaticText3}) {
        fitText(text, width());
    }
    // The close button keeps its corner; a wider caption makes it grow to the left.
    if (const int wide = ui_->Button1->sizeHint().width(); wide > ui_->Button1->width()) {
        const QRect g = ui_->Button1->geometry();
        ui_->Button1->setGeometry(g.right() + 1 - wide, g.y(), wide, g.height());
    }
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setParent(this);
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &TStartForm::Timer1Timer);
    connect(ui_->Button1, &QPushButton::clicked, this, &TStartForm::Button1Click);
    ui_->StaticText3->installEventFilter(this);
    FormCreate(picturePath);
}

TStartForm::~TStartForm() = default;

void TStartForm::FormCreate(const QString& picturePath) {
    Timer1.setInterval(InfoFirstShow ? kFirstShowMs : kLaterShowMs);
    InfoFirstShow = false;
    loadPicture(picturePath);
    Timer1.start();
}

void TStartForm::loadPicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray data = file.readAll();
    const DecodedPicture picture =
        decodeJpeg(reinterpret_cast<const std::uint8_t*>(data.constData()),
                   static_cast<std::size_t>(data.size()));
    if (!picture.ok()) {
        return;
    }
    // QImage pads rows to four bytes, so copy row by row.
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(image.scanLine(y), picture.rgb.data() + stride * static_cast<std::size_t>(y),
                    stride);
    }
    ui_->Image1->setPixmap(QPixmap::fromImage(image));
    hasPicture_ = true;
}

void TStartForm::showEvent(QShowEvent* event) {
    centreOverMainWindow();
    QWidget::showEvent(event);
}

void TStartForm::centreOverMainWindow() {
    QRect over;
    if (mainWindow_ != nullptr && mainWindow_->isVisible()) {
        over = mainWindow_->frameGeometry();
    } else if (const QScreen* s = screen(); s != nullptr) {
        over = s->availableGeometry();
    } else {
        return;
    }
    move(over.center() - QPoint(width() / 2, height() / 2));
}

void TStartForm::Timer1Timer() {
    if (mainWindow_ != nullptr) {
        mainWindow_->show();
    }
    hide();
    deleteLater();
}

void TStartForm::FormClick() {
    if (mainWindow_ != nullptr) {
        mainWindow_->show();
    }
    close();
}

void TStartForm::Button1Click() {
    if (mainWindow_ != nullptr) {
        mainWindow_->show();
    }
    close();
}

void TStartForm::StaticText3Click() {
    // The desktop's URL handler, never a shell: the text is data, not a command.
    QDesktopServices::openUrl(QUrl::fromUserInput(ui_->StaticText3->text()));
}

void TStartForm::mouseReleaseEvent(QMouseEvent* event) {
    // Only the bare background counts; the texts and the picture do not close the window.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        childAt(event->position().toPoint()) == nullptr) {
        FormClick();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

bool TStartForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->StaticText3 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            ui_->StaticText3->rect().contains(mouse->position().toPoint())) {
            StaticText3Click();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pk

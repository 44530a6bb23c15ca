#include "mem.h"

#include <QLabel>
#include <QPixmap>
#include <cstring>

#include "help_window.h"
#include "ui_mem.h"
#include "viewers/part_views.h"

namespace pk {

TMem::TMem(const ViewerContext& context, QWidget* parent)
    : ViewerWindow(context, help::MemoryMap, parent), ui_(std::make_unique<Ui::Mem>()) {
    ui_->setupUi(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(ui_->Button1, &QPushButton::clicked, this, &TMem::Button1Click);
}

TMem::~TMem() = default;

QImage TMem::toImage(const RgbPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(image.scanLine(y),
                    picture.pixels.data() + static_cast<std::size_t>(y) * picture.width * 3,
                    static_cast<std::size_t>(picture.width) * 3);
    }
    return image;
}

void TMem::FormActivate() {
    setWindowTitle(QStringLiteral("Speicher-Belegung  -  ") + fileName());
    const std::optional<Part> p = part();
    const MemoryMap map =
        p ? viewsOf(*p).windowMap(files(), *p) : computeMemoryMap(image(), device());
    QLabel* pictures[4] = {ui_->P0Image, ui_->P1Image, ui_->P2Image, ui_->P3Image};
    for (std::size_t n = 0; n < 4; ++n) {
        pages_[n] = toImage(map.pages[n]);
        pictures[n]->setPixmap(QPixmap::fromImage(pages_[n]));
    }
    ui_->PGroupBox->setTitle(QString::fromStdString(map.programCaption));
    eeprom_ = toImage(map.eeprom);
    ui_->EImage->setPixmap(QPixmap::fromImage(eeprom_));
    ui_->EGroupBox->setTitle(QString::fromStdString(map.eepromCaption));
    if (map.typeLabel) {
        ui_->PLabel->setText(QString::fromStdString(*map.typeLabel));
    }
    ui_->CLabel->setText(QString::fromStdString(map.configLabel));
}

void TMem::Button1Click() {
    close();
}

}  // namespace pk

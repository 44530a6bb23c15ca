#include "mem.h"

#include <QLabel>
#include <QPixmap>
#include <cstring>

#include "help_window.h"
#include "ui_mem.h"
#include "viewers/p18_memory_map.h"

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
    if (const P18Device* part = p18Part()) {
        showP18(*part);
        return;
    }
    const MemoryMap map = computeMemoryMap(image(), device());
    QLabel* pictures[4] = {ui_->P0Image, ui_->P1Image, ui_->P2Image, ui_->P3Image};
    for (std::size_t p = 0; p < 4; ++p) {
        pages_[p] = toImage(map.pages[p]);
        pictures[p]->setPixmap(QPixmap::fromImage(pages_[p]));
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

// A PIC18F's eight 8 KB pages, two to each of the four pictures (16 KB each);
// the EEPROM picture has the 14-bit one's size. IDs and configuration bytes are
// named in the labels.
void TMem::showP18(const P18Device& part) {
    const P18MemoryMap map = computeP18MemoryMap(p18Image(), part);
    QLabel* pictures[4] = {ui_->P0Image, ui_->P1Image, ui_->P2Image, ui_->P3Image};
    for (std::size_t p = 0; p < 4; ++p) {
        RgbPicture both(P18MemoryMap::PageWidth, 2 * P18MemoryMap::PageHeight);
        both.paste(map.pages[2 * p], 0, 0);
        both.paste(map.pages[2 * p + 1], 0, P18MemoryMap::PageHeight);
        pages_[p] = toImage(both);
        pictures[p]->setPixmap(QPixmap::fromImage(pages_[p]));
    }
    ui_->PGroupBox->setTitle(QString::fromStdString(map.programCaption));
    eeprom_ = toImage(map.eeprom);
    ui_->EImage->setPixmap(QPixmap::fromImage(eeprom_));
    ui_->EGroupBox->setTitle(QString::fromStdString(map.eepromCaption));
    ui_->PLabel->setText(QString::fromStdString(map.typeLabel));
    ui_->CLabel->setText(QString::fromStdString(map.configLabel));
}

void TMem::Button1Click() {
    close();
}

}  // namespace pk

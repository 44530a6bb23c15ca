#pragma once
// TMem: the memory usage map, one coloured square per program word and EEPROM
// byte of the loaded HEX file. The colours come from viewers/memory_map.h.

#include <QImage>
#include <array>
#include <memory>

#include "viewer_window.h"
#include "viewers/memory_map.h"

namespace Ui {
class Mem;
}

namespace pk {

class TMem : public ViewerWindow {
    Q_OBJECT

  public:
    explicit TMem(const ViewerContext& context, QWidget* parent = nullptr);
    ~TMem() override;

    void FormActivate() override;
    void Button1Click();

    Ui::Mem* ui() { return ui_.get(); }
    // The pictures as last drawn: pages 0..3, then the EEPROM.
    const QImage& pageImage(int page) const { return pages_[static_cast<std::size_t>(page)]; }
    const QImage& eepromImage() const { return eeprom_; }

    static QImage toImage(const RgbPicture& picture);

  private:
    std::unique_ptr<Ui::Mem> ui_;
    std::array<QImage, 4> pages_;
    QImage eeprom_;
};

}  // namespace pk

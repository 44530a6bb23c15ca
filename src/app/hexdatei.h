#pragma once
// THexdatei: the current HEX file as it is on disk, line by line.

#include <memory>

#include "viewer_window.h"

namespace Ui {
class Hexdatei;
}

namespace pk {

class THexdatei : public ViewerWindow {
    Q_OBJECT

  public:
    explicit THexdatei(const ViewerContext& context, QWidget* parent = nullptr);
    ~THexdatei() override;

    void FormActivate() override;
    void Button1Click();

    Ui::Hexdatei* ui() { return ui_.get(); }

    // Larger files are not HEX files of these chips; they are refused, not shown.
    static constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

  private:
    std::unique_ptr<Ui::Hexdatei> ui_;
};

}  // namespace pk

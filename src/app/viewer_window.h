#pragma once
// What the three viewer windows (listing, HEX file, memory map) share: they read
// the main window's state, rebuild their whole content every time they become the
// active window, and only hide when closed.

#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>

#include <optional>

#include "device/catalogue.h"
#include "device/family.h"
#include "image/byte_image.h"
#include "image/memory_image.h"
#include "link/user_dialog.h"

namespace pk {

// The main window's state a viewer reads, and the two ways it reports.
struct ViewerContext {
    const MemoryImage* image = nullptr;
    const DeviceState* device = nullptr;
    UserDialog* dialog = nullptr;
    // Shows a text in panel 0 of the main window's status bar.
    std::function<void(const QString&)> setStatusPanel0;
    // The part chosen now, and the images its family loaded the file into.
    std::function<std::optional<Part>()> part;
    std::function<FileImages()> files;
};

class ViewerWindow : public QWidget {
    Q_OBJECT

  public:
    ViewerWindow(const ViewerContext& context, int helpContext, QWidget* parent);

    // Rebuilds the content from the main window's state.
    virtual void FormActivate() = 0;
    // How often the content has been rebuilt (tests and diagnostics).
    int rebuildCount() const { return rebuilds_; }

    // "Courier New" at the given size, or the closest fixed-pitch font there is.
    static QFont fixedFont(int pixelSize, int pointSize);

  protected:
    bool event(QEvent* event) override;

    const MemoryImage& image() const { return *context_.image; }
    std::optional<Part> part() const { return context_.part ? context_.part() : std::nullopt; }
    FileImages files() const { return context_.files(); }
    const DeviceState& device() const { return *context_.device; }
    // A message box through the main window's dialogs.
    void message(const std::string& text, const std::string& caption = kAppTitle);
    void setStatusPanel0(const QString& text) const;
    QString fileName() const { return QString::fromStdString(image().HexFileName); }

  private:
    ViewerContext context_;
    int rebuilds_ = 0;
    bool messageShown_ = false;
    // The last rebuild showed a message box. The focus coming back from it is not
    // a new activation; otherwise the message would bring itself up again and again.
    bool returnFromMessage_ = false;
};

}  // namespace pk

#pragma once
// TReass: the assembler listing of the loaded HEX file. The listing goes through
// the window's own temporary file and is loaded into the view in one go.

#include <QTemporaryFile>
#include <memory>

#include "viewer_window.h"
#include "viewers/reassembler.h"

namespace Ui {
class Reass;
}

namespace pk {

class TReass : public ViewerWindow {
    Q_OBJECT

  public:
    explicit TReass(const ViewerContext& context, QWidget* parent = nullptr);
    ~TReass() override;

    void FormActivate() override;
    // Writes the complete listing into ListingFile; false when it could not.
    bool Reassembler();
    void Button1Click();

    // The window's temporary file (empty when the system could not make one).
    QString ListingFile() const;
    Ui::Reass* ui() { return ui_.get(); }

    // The view refuses texts larger than this (the listing of 8K words is far smaller).
    static constexpr qint64 MaxViewBytes = 16 * 1024 * 1024;

  private:
    void FormCreate();
    bool loadListing();

    std::unique_ptr<Ui::Reass> ui_;
    // Kept (closed) for the window's life; removes the file when the window goes.
    std::unique_ptr<QTemporaryFile> listingFile_;
    pk::Reassembler reassembler_;
};

}  // namespace pk

#pragma once
// The ID location editor: four ID values 0..15 or off, kept in IdEdited of the
// main window's image. Closing the window stores them and lets the main window
// take them over (UpdateID).

#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QSlider;

QT_BEGIN_NAMESPACE
namespace Ui {
class IdEdit;
}
QT_END_NAMESPACE

namespace pk {

class TOstrac;

class TIdEdit : public QWidget {
    Q_OBJECT

  public:
    explicit TIdEdit(TOstrac& main);
    ~TIdEdit() override;

    // The handlers of location n (ID0CheckBoxClick ... ID3GroupBoxClick).
    void IDCheckBoxClick(int n);
    void IDTrackBarChange(int n);
    void IDGroupBoxClick(int n);
    void Button1Click();
    // On every activation: the boxes show which IdEdited values are on.
    void FormActivate();
    // Every close stores the four values and hands them to the main window.
    void FormClose();

    Ui::IdEdit* ui() { return ui_.get(); }

  protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    struct Location {
        QGroupBox* group;
        QSlider* slider;
        QLabel* label;
        QCheckBox* box;
    };
    TOstrac& main_;
    std::unique_ptr<Ui::IdEdit> ui_;
    std::array<Location, 4> loc_{};
};

}  // namespace pk

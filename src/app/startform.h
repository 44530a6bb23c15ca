#pragma once
// The info window: program name, version, the maker's web address and a
// picture. The first one (at program start) stays one second, every later one
// (from "Programminfo") five seconds; each is destroyed by its own timer, even
// when the user has closed (hidden) it before.

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class StartForm;
}
QT_END_NAMESPACE

namespace pk {

class TStartForm : public QWidget {
    Q_OBJECT

  public:
    // True until the first info window has been created; it selects the short
    // display time for the window shown at program start.
    static bool InfoFirstShow;

    static constexpr int kFirstShowMs = 1000;
    static constexpr int kLaterShowMs = 5000;
    static inline const QString kPicturePath = QStringLiteral(":/resources/info/programmer.jpg");

    // mainWindow becomes visible when this window goes away; it is also the
    // parent, so a window still waiting for its timer dies with the program.
    explicit TStartForm(QWidget* mainWindow, const QString& picturePath = kPicturePath);
    ~TStartForm() override;

    QTimer* timer() { return &Timer1; }
    // Whether the picture decoded; without it the window shows the texts only.
    bool hasPicture() const { return hasPicture_; }

    void Timer1Timer();
    void Button1Click();
    void StaticText3Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate(const QString& picturePath);
    void FormClick();
    void loadPicture(const QString& path);
    void centreOverMainWindow();

    std::unique_ptr<Ui::StartForm> ui_;
    QPointer<QWidget> mainWindow_;
    QTimer Timer1;
    bool hasPicture_ = false;
};

}  // namespace pk

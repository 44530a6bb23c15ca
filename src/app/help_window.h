#pragma once
// The program's help: German HTML pages in the resources, one per help context
// number plus the contents page "Inhalt", shown in one reusable help window.
// F1 anywhere opens the page of the focused control or of the nearest enclosing
// widget that has a context number.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace pk {

// Help context numbers of the windows and controls.
namespace help {
inline constexpr int MainWindow = 99;
inline constexpr int SetupDialog = 107;
inline constexpr int TypeList = 108;  // TypComboBox and DetectBTN
inline constexpr int Configuration = 109;
inline constexpr int ConfigFromFile = 110;
inline constexpr int IdFromFile = 111;
inline constexpr int Burn = 112;
inline constexpr int Compare = 113;
inline constexpr int Erase = 114;
inline constexpr int Read = 115;
inline constexpr int RemoveProtection = 116;
inline constexpr int MemoryMap = 117;
inline constexpr int HexViewer = 118;
inline constexpr int Listing = 119;
inline constexpr int IdEditor = 120;
}  // namespace help

// Gives a widget (and what it encloses, unless those have their own) a context number.
void setHelpContext(QWidget* widget, int context);
// The context number of this widget or of the nearest enclosing one; 0 if none.
int helpContextOf(const QWidget* widget);

// Makes F1 open the help in every window of the program; further calls do nothing.
void installHelpKey();

class HelpWindow : public QWidget {
    Q_OBJECT

  public:
    // Opens (or raises) the help window at a context number's page. Unknown
    // numbers show the contents page.
    static HelpWindow* show(int context);
    // Opens the help window at a named topic; "Inhalt" is the contents page.
    static HelpWindow* showTopic(const QString& topic);
    // The help window if one has been opened, else nullptr.
    static HelpWindow* instance();

    // The resource path of a context number's page, or empty if there is none.
    static QString pageFor(int context);
    static QString pageFor(const QString& topic);

    // The page shown at the moment.
    QString currentPage() const;

  private:
    HelpWindow();
    void open(const QString& page);

    QTextBrowser* browser_ = nullptr;
};

}  // namespace pk

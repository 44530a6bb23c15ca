#include "hexdatei.h"

#include <QFile>

#include "help_window.h"
#include "ui_hexdatei.h"

namespace pk {

THexdatei::THexdatei(const ViewerContext& context, QWidget* parent)
    : ViewerWindow(context, help::HexViewer, parent), ui_(std::make_unique<Ui::Hexdatei>()) {
    ui_->setupUi(this);
    ui_->Memo1->setFont(fixedFont(0, 10));
    connect(ui_->Button1, &QPushButton::clicked, this, &THexdatei::Button1Click);
}

THexdatei::~THexdatei() = default;

void THexdatei::FormActivate() {
    setWindowTitle(QStringLiteral("Hexdatei-Betrachter  -  ") + fileName());
    ui_->Memo1->clear();
    QFile file(fileName());
    bool ok = !fileName().isEmpty() && file.open(QIODevice::ReadOnly | QIODevice::Text) &&
              file.size() <= MaxFileBytes;
    QByteArray bytes;
    if (ok) {
        bytes = file.readAll();
        ok = file.error() == QFileDevice::NoError;
    }
    if (!ok) {
        message("Datei nicht geladen oder fehlerhaft", "Problem");
        return;
    }
    // HEX files are ASCII; anything else in them is shown as Latin-1 rather than lost.
    ui_->Memo1->setPlainText(QString::fromLatin1(bytes));
}

void THexdatei::Button1Click() {
    close();
}

}  // namespace pk

#include "qt_user_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace pk {

QString QtUserDialog::displayText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

void QtUserDialog::message(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), displayText(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

bool QtUserDialog::question(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), displayText(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace {
// A folder and a name, or a pattern such as "*.hex" for the name field: the
// dialog opens in that folder (the working folder without one) with the name filled in.
QString startPath(const std::string& initialName) {
    return QString::fromStdString(initialName);
}

QString qtFilter(const std::string& filter) {
    // "*.hex" -> "HEX-Dateien (*.hex)"; a Qt-style filter passes unchanged.
    QString f = QString::fromStdString(filter);
    if (f.contains('(')) {
        return f;
    }
    return QStringLiteral("HEX-Dateien (%1);;Alle Dateien (*)").arg(f);
}
}  // namespace

std::optional<std::string> QtUserDialog::openFile(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& initialName) {
    QString path = QFileDialog::getOpenFileName(parent_, QString::fromStdString(title),
                                                startPath(initialName), qtFilter(filter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

std::optional<std::string> QtUserDialog::saveFile(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& initialName) {
    QString path = QFileDialog::getSaveFileName(parent_, QString::fromStdString(title),
                                                startPath(initialName), qtFilter(filter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

}  // namespace pk

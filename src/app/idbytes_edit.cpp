#include "idbytes_edit.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "image/byte_image.h"
#include "ostrac.h"

namespace pk {

TIdBytesEdit::TIdBytesEdit(TOstrac& main) : QWidget(&main, Qt::Window), main_(main) {
    setObjectName(QStringLiteral("IdBytesEdit"));
    setWindowTitle(QStringLiteral("ID-Bytes"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("ID-Bytes ab 0x200000 (hex, leer: nicht brennen)")),
                    0, 0, 1, 8);
    for (std::size_t n = 0; n < fields_.size(); ++n) {
        auto* field = new QLineEdit;
        field->setObjectName(QStringLiteral("IdByte%1").arg(n));
        field->setInputMask(QStringLiteral(">hh"));
        field->setMaxLength(2);
        field->setFixedWidth(36);
        field->setToolTip(QStringLiteral("ID-Byte an 0x%1").arg(0x200000 + n, 6, 16));
        const std::uint16_t v = main_.IdBytesEdited[n];
        if (v != ByteImage::AbsentByte) {
            field->setText(QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper());
        }
        grid->addWidget(new QLabel(QString::number(n)), 1, static_cast<int>(n), Qt::AlignHCenter);
        grid->addWidget(field, 2, static_cast<int>(n));
        fields_[n] = field;
    }
    auto* close = new QPushButton(QStringLiteral("OK"));
    close->setObjectName(QStringLiteral("Button1"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    grid->addWidget(close, 3, 6, 1, 2);
}

std::array<std::uint16_t, kIdByteCount> TIdBytesEdit::bytes() const {
    std::array<std::uint16_t, 8> out{};
    for (std::size_t n = 0; n < fields_.size(); ++n) {
        bool ok = false;
        const uint v = fields_[n]->text().toUInt(&ok, 16);
        out[n] = ok && !fields_[n]->text().isEmpty() ? static_cast<std::uint16_t>(v)
                                                     : ByteImage::AbsentByte;
    }
    return out;
}

void TIdBytesEdit::closeEvent(QCloseEvent* e) {
    main_.IdBytesEdited = bytes();
    e->accept();
}

}  // namespace pk

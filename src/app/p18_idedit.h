#pragma once
// The ID editor of a PIC18F: its eight ID bytes (0x200000..0x200007) as two
// hex digits each, an empty field leaving its byte unwritten. Closing the
// window stores them in the main window's IdBytesEdited; they are burnt instead
// of the file's while "ID-Locations" (aus HEX-File lesen) is off.

#include <QWidget>
#include <array>

class QLineEdit;

namespace pk {

class TOstrac;

class TP18IdEdit : public QWidget {
    Q_OBJECT

  public:
    explicit TP18IdEdit(TOstrac& main);

    // The fields as they stand: 0x00..0xFF, or ByteImage::AbsentByte for an empty one.
    std::array<std::uint16_t, 8> bytes() const;

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    TOstrac& main_;
    std::array<QLineEdit*, 8> fields_{};
};

}  // namespace pk

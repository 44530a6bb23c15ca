#pragma once
// The ID editor of a part whose IDs are bytes (a PIC18F's 0x200000..0x200007):
// eight ID bytes as two hex digits each, an empty field leaving its byte unwritten. Closing the
// window stores them in the main window's IdBytesEdited; they are burnt instead
// of the file's while "ID-Locations" (aus HEX-File lesen) is off.

#include <QWidget>
#include <array>
#include <cstddef>
#include <cstdint>

class QLineEdit;

namespace pk {

class TOstrac;

inline constexpr std::size_t kIdByteCount = 8;

class TIdBytesEdit : public QWidget {
    Q_OBJECT

  public:
    explicit TIdBytesEdit(TOstrac& main);

    // The fields as they stand: 0x00..0xFF, or ByteImage::AbsentByte for an empty one.
    std::array<std::uint16_t, kIdByteCount> bytes() const;

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    TOstrac& main_;
    std::array<QLineEdit*, kIdByteCount> fields_{};
};

}  // namespace pk

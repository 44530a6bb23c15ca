// TOstrac: Port access, line timing and the programmer search.

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::PortAuf() {}

void TOstrac::PortZu() {}

void TOstrac::Delay() {}

void TOstrac::Bremse() {}

void TOstrac::Anfang() {}

void TOstrac::Sync() {}

void TOstrac::ToolButton3Click() {}

void TOstrac::wireLink() {}

void TOstrac::WritePort(std::int32_t port, std::uint8_t value) {
    if (port_ != nullptr && port >= 0) {
        port_->write(port, value);
    }
}

std::uint8_t TOstrac::ReadPort(std::int32_t port) {
    if (port_ == nullptr || port < 0) {
        return 0xFF;
    }
    return port_->read(port);
}

bool TOstrac::PortOpen() {
    return port_ != nullptr && port_->available();
}

}  // namespace pk

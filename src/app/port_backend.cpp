#include "port_backend.h"

#include "link/direct_port.h"
#include "link/ppdev_port.h"

namespace pk {

std::unique_ptr<PortIo> makePortBackend(const QString& choice, QString* error) {
    if (choice.isEmpty() || choice == QStringLiteral("ppdev")) {
        return std::make_unique<PpdevPort>();
    }
    if (choice == QStringLiteral("direct")) {
        return std::make_unique<DirectPort>();
    }
    if (error != nullptr) {
        *error = QStringLiteral("--port=%1: erlaubt sind ppdev und direct").arg(choice);
    }
    return nullptr;
}

}  // namespace pk

#pragma once
// Chooses how the program reaches the parallel port (option --port).

#include <QString>
#include <memory>

#include "link/port_io.h"

namespace pk {

// "ppdev" (default, also for an empty choice) or "direct". nullptr and an
// explanation in *error for an unknown choice.
std::unique_ptr<PortIo> makePortBackend(const QString& choice, QString* error);

}  // namespace pk

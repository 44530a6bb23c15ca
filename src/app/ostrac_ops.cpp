// TOstrac: Chip operations, gauges and error statistics.

#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::UpdateGauge() {}

void TOstrac::wireOps() {}

}  // namespace pk

// TOstrac: "Verbindung prüfen".

#include <QToolButton>

#include "device/doctor.h"
#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

void TOstrac::ToolButton14Click() {
    if (operationRunning()) {
        return;
    }
    DoctorReadings readings;
    const bool done =
        runOperation([&] { readings = takeDoctorReadings(link(), clock(), Settings, PortBase); });
    if (!done) {
        return;
    }
    LastDiagnosis = explainReadings(readings);
    dialog().message(diagnosisText(LastDiagnosis), "Verbindung prüfen");
}

void TOstrac::wireDoctor() {
    connect(ui()->ToolButton14, &QToolButton::clicked, this, [this] { ToolButton14Click(); });
}

}  // namespace pk

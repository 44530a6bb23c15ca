// TOstrac: Chip operations, gauges and error statistics.

#include <QProgressBar>

#include "device/gauges.h"
#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

void showReading(QProgressBar* gauge, const GaugeReading& r) {
    // The bar stops at full; the text still tells how far beyond the chip the file goes.
    gauge->setValue(std::min(r.percent, gauge->maximum()));
    gauge->setFormat(QStringLiteral("%1 %").arg(r.percent));
    QPalette p = gauge->palette();
    switch (r.colour) {
        case GaugeColour::Blue:
            p.setColor(QPalette::Highlight, QColor(0, 0, 255));
            p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
            break;
        case GaugeColour::Yellow:
            p.setColor(QPalette::Highlight, QColor(255, 255, 0));
            p.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
            break;
        case GaugeColour::Red:
            p.setColor(QPalette::Highlight, QColor(255, 0, 0));
            p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
            break;
    }
    gauge->setPalette(p);
}

}  // namespace

void TOstrac::UpdateGauge() {
    showReading(ui()->ProgGauge, programUsage(Image, Device.ProgLastAddr));
    const GaugeReading data = dataUsage(Image, Device.DataLastAddr);
    if (!data.visible) {
        ui()->DataGauge->setVisible(false);
        return;
    }
    ui()->DataGauge->setVisible(true);
    showReading(ui()->DataGauge, data);
}

void TOstrac::wireOps() {}

}  // namespace pk

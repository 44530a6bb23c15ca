// TOstrac: Hardware setup dialog and info window.

#include <QAbstractButton>
#include <QAction>

#include "ostrac.h"
#include "startform.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

// The tool bar may hold its buttons as QToolButtons or as QActions; either is
// found by its objectName.
template <typename Slot>
void connectToolButton(TOstrac* window, const char* name, Slot slot) {
    const QString objectName = QString::fromLatin1(name);
    if (auto* button = window->findChild<QAbstractButton*>(objectName)) {
        QObject::connect(button, &QAbstractButton::clicked, window, slot);
    } else if (auto* action = window->findChild<QAction*>(objectName)) {
        QObject::connect(action, &QAction::triggered, window, slot);
    }
}

}  // namespace

void TOstrac::ToolButton6Click() {}

void TOstrac::ToolButton7Click() {
    auto* info = new TStartForm(this);
    info->show();
}

void TOstrac::wireSetup() {
    connectToolButton(this, "ToolButton6", [this] { ToolButton6Click(); });
    connectToolButton(this, "ToolButton7", [this] { ToolButton7Click(); });
}

}  // namespace pk

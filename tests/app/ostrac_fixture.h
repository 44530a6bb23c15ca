#pragma once
// A main window built with scripted dialogs and a virtual clock, so no real
// message box or file dialog pops up and nothing really waits.

#include <QStringList>
#include <QWidget>
#include <memory>

#include "link/clock.h"
#include "link/user_dialog.h"
#include "ostrac.h"
#include "support/scripted_dialog.h"
#include "ui_ostrac.h"

namespace pk::test {

struct Window {
    ScriptedDialog dialog;
    VirtualClock clock;
    std::unique_ptr<TOstrac> w;

    explicit Window(QStringList extraArgs = {}) {
        OstracDeps deps;
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.arguments = QStringList{QStringLiteral("pkorvel")} + extraArgs;
        w = std::make_unique<TOstrac>(deps);
    }

    template <typename T = QWidget>
    T* find(const char* name) const {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    Ui::Ostrac& ui() const { return *w->ui(); }
};

}  // namespace pk::test

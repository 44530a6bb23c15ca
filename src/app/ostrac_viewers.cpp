// TOstrac: The viewer windows. Each press of a tool button opens a new
// non-modal window; it belongs to the main window and lives until the program ends.

#include "hexdatei.h"
#include "mem.h"
#include "ostrac.h"
#include "reass.h"
#include "ui_ostrac.h"

namespace pk {
namespace {

ViewerContext viewerContext(TOstrac& owner) {
    ViewerContext c;
    c.image = &owner.Image;
    c.device = &owner.Device;
    c.dialog = &owner.dialog();
    c.setStatusPanel0 = [&owner](const QString& text) { owner.setPanel(0, text); };
    c.part = [&owner] { return owner.part(); };
    c.files = [&owner] { return owner.fileImages(); };
    return c;
}

// Shown and made the active window, which builds its content.
void open(QWidget* viewer) {
    viewer->show();
    viewer->activateWindow();
}

}  // namespace

void TOstrac::ToolButton8Click() {
    open(new TMem(viewerContext(*this), this));
}

void TOstrac::ToolButton9Click() {
    open(new THexdatei(viewerContext(*this), this));
}

void TOstrac::ToolButton11Click() {
    open(new TReass(viewerContext(*this), this));
}

// The tool buttons are connected with the other tool buttons of the main window.
void TOstrac::wireViewers() {}

}  // namespace pk

#include "ostrac.h"

#include <QCloseEvent>

#include "qt_user_dialog.h"
#include "ui_ostrac.h"

namespace pk {

TOstrac::TOstrac(const OstracDeps& deps, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::Ostrac>()), deps_(deps) {
    ui_->setupUi(this);
    if (deps.dialog != nullptr) {
        dialog_ = deps.dialog;
    } else {
        ownDialog_ = std::make_unique<QtUserDialog>(this);
        dialog_ = ownDialog_.get();
    }
    if (deps.clock != nullptr) {
        clock_ = deps.clock;
    } else {
        ownClock_ = std::make_unique<RealClock>();
        clock_ = ownClock_.get();
    }
    port_ = deps.port;
    wireHex();
    wireLink();
    wireEditors();
    wireOps();
    wireViewers();
    wireSetup();
    FormCreate();
}

TOstrac::~TOstrac() = default;

void TOstrac::FormCreate() {
    Image.startupInit();
    ProcessCommandLine(deps_.arguments);
}

void TOstrac::ProcessCommandLine(const QStringList& /*args*/) {}

void TOstrac::TypComboBoxChange() {}

void TOstrac::TypComboBoxClick() {}

void TOstrac::ToolButton5Click() {
    close();
}

void TOstrac::closeEvent(QCloseEvent* event) {
    event->accept();
}

}  // namespace pk

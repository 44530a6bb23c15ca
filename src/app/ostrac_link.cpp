// TOstrac: Port access, line timing and the programmer search.

#include <QLabel>

#include "link/no_port.h"
#include "link/range_error.h"
#include "link/search_texts.h"
#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

// The controls a found programmer makes usable.
const char* const kOperationControls[] = {"EraseBTN",  "ReadBTN",   "CompBTN",    "ProgBTN",
                                          "DetectBTN", "AntiCpBTN", "TypComboBox"};

}  // namespace

void TOstrac::wireLink() {
    PortIo* port = port_;
    if (port == nullptr) {
        noPort_ = std::make_unique<NoPort>();
        port = noPort_.get();
    }
    link_ = std::make_unique<ProgrammerLink>(*port, *clock_, *dialog_, Settings, PortBase);
    // "Korvel suchen" is connected with the tool bar.
}

bool TOstrac::runGuarded(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const RangeError& e) {
        // Never leave a chip under 12 V because an operation broke off.
        if (link_->inProgrammingMode()) {
            link_->EndProgmode();
        }
        dialog().message(e.what());
        return false;
    }
}

// ---- Port access ----

void TOstrac::WritePort(std::int32_t port, std::uint8_t value) {
    link_->WritePort(port, value);
}

std::uint8_t TOstrac::ReadPort(std::int32_t port) {
    return link_->ReadPort(port);
}

bool TOstrac::PortOpen() {
    return link_->PortOpen();
}

void TOstrac::PortAuf() {}

void TOstrac::PortZu() {
    // The data lines keep their last value after the port is given back, so a
    // found programmer is switched off first. After a failed search the tested
    // ports keep their last test pattern.
    if (programmerFound_) {
        link_->safeIdle();
        programmerFound_ = false;
    }
    if (port_ != nullptr) {
        port_->release();
    }
}

// ---- Timing ----

void TOstrac::Delay() {
    link_->Delay();
}

void TOstrac::Bremse() {
    link_->Bremse();
}

// ---- Serial frames and programming mode ----

void TOstrac::Kommando(std::uint16_t command) {
    link_->Kommando(command);
}

void TOstrac::WrDaten(std::uint16_t word) {
    link_->WrDaten(word);
}

std::uint16_t TOstrac::RdDaten() {
    return link_->RdDaten();
}

void TOstrac::StartProgmode() {
    link_->StartProgmode();
}

void TOstrac::EndProgmode() {
    link_->EndProgmode();
}

void TOstrac::Anfang() {
    link_->Anfang();
}

// ---- Search ----

void TOstrac::Sync() {
    programmerFound_ = false;
    if (!link_->findProgrammer()) {
        setPanel(1, QString::fromUtf8(kNotFoundPanel));
        dialog().message(kNotFoundMessage);
        PortZu();
        return;
    }
    programmerFound_ = true;
    Anfang();
    setPanel(1, PortBase == kLpt1 ? QStringLiteral("Korvel gefunden an LPT 1")
                                  : QStringLiteral("Korvel gefunden an LPT 2"));
    dialog().message(kFoundMessage);
    for (const char* name : kOperationControls) {
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(name))) {
            w->setEnabled(true);
        }
    }
    if (auto* w = findChild<QWidget*>(QStringLiteral("ToolButton3"))) {
        w->setEnabled(false);
    }
}

void TOstrac::ToolButton3Click() {
    PortAuf();
    if (!PortOpen()) {
        // The classic message, and the concrete reason on Linux beside it.
        const QString reason = QString::fromStdString(link_->portUnavailableReason());
        setPanel(1, reason);
        if (QLabel* label = panelLabel(1)) {
            label->setToolTip(reason);  // in case the panel is too narrow
        }
        dialog().message(kNoDriverMessage);
        return;
    }
    runGuarded([this] { Sync(); });
}

}  // namespace pk

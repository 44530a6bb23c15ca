#include "reass.h"

#include <QDir>
#include <QFile>

#include "help_window.h"
#include "ui_reass.h"
#include "viewers/part_views.h"

namespace pk {

TReass::TReass(const ViewerContext& context, QWidget* parent)
    : ViewerWindow(context, help::Listing, parent), ui_(std::make_unique<Ui::Reass>()) {
    ui_->setupUi(this);
    ui_->Memo1->setFont(fixedFont(13, 0));
    connect(ui_->Button1, &QPushButton::clicked, this, &TReass::Button1Click);
    FormCreate();
}

TReass::~TReass() = default;

void TReass::FormCreate() {
    listingFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/$XXXXXX"));
    listingFile_->setAutoRemove(true);
    // Creating it reserves the unique name; the runs reopen it by name.
    if (listingFile_->open()) {
        listingFile_->close();
    } else {
        listingFile_.reset();
    }
}

QString TReass::ListingFile() const {
    return listingFile_ ? listingFile_->fileName() : QString();
}

bool TReass::Reassembler() {
    // Each part's file in its own instruction set.
    const std::optional<Part> p = part();
    const std::string text = p ? viewsOf(*p).listing(files(), *p, image().HexFileName)
                               : reassembler_.run(image(), device().ProgLastAddr);
    QFile file(ListingFile());
    if (ListingFile().isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setStatusPanel0(QStringLiteral("!! file save ERROR !!"));
        message("Datei nicht zwischengespeichert werden", "Problem");
        return true;  // nothing written; the activation still loads the file
    }
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.flush()) {
        // Like an I/O error of the run: it stops here and the view keeps what it shows.
        setStatusPanel0(QStringLiteral("!! file save ERROR !!"));
        message(file.errorString().toStdString());
        return false;
    }
    return true;
}

void TReass::FormActivate() {
    if (!Reassembler()) {
        return;
    }
    setWindowTitle(QStringLiteral("Assembler-Betrachter  -  ") + fileName());
    ui_->Memo1->clear();
    if (!loadListing()) {
        message("Datei fehlerhaft oder zu groß", "Problem");
    }
}

bool TReass::loadListing() {
    QFile file(ListingFile());
    if (ListingFile().isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxViewBytes) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    ui_->Memo1->setPlainText(QString::fromUtf8(bytes));
    return true;
}

void TReass::Button1Click() {
    close();
}

}  // namespace pk

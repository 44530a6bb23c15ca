// The PIC18F parts in the real window against the simulated board: the type
// list, the configuration panel in place of the 14-bit controls, the file and
// the commands, and the way back to a 14-bit type.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QToolButton>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "device/p18_config_fields.h"
#include "image/byte_hex_file.h"
#include "ostrac.h"
#include "sim/circuit.h"
#include "sim/p18_chip.h"
#include "support/scripted_dialog.h"
#include "ui_ostrac.h"

namespace pk {
namespace {

struct P18Window {
    ScriptedDialog dialog;
    VirtualClock clock;
    sim::SimCircuit board{clock, {1, 1}, 1};
    std::unique_ptr<TOstrac> w;
    QTemporaryDir dir;
    sim::SimChip* chip = nullptr;

    explicit P18Window(const char* chipName) {
        OstracDeps deps;
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.port = &board;
        deps.arguments = {QStringLiteral("pkorvel")};
        w = std::make_unique<TOstrac>(deps);
        w->Settings.DriverIndex = 1;
        w->Settings.SwitchIndex = 1;
        w->Settings.QuickAndDirty = false;
        // The 18F2xx0/4xx0 take at most 12.5 V: a board that gives 12 V.
        w->Settings.VppTenths = 120;
        board.setVpp(1200);
        w->Sync();
        chip = board.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(chipName)));
        dialog.clear();
        board.log().clear();
    }

    Ui::Ostrac& ui() { return *w->ui(); }
    QScrollArea* panel() { return w->findChild<QScrollArea*>(QStringLiteral("ConfigFieldPanel")); }
    std::string path(const char* name) const {
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }
    void select(const P18Device& d) {
        ui().TypComboBox->setCurrentIndex(static_cast<int>(kDevices.size()) +
                                          static_cast<int>(&d - kP18Devices.data()));
        w->TypComboBoxChange();
    }
};

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(P18Window, ChosenBurntComparedReadAndBackTo14Bit) {
    P18Window t("18F4550");
    const P18Device& d = *p18ByName("18F4550");
    const QSize size = t.w->size();
    t.select(d);
    ASSERT_NE(t.panel(), nullptr);
    EXPECT_FALSE(t.panel()->isHidden());
    EXPECT_TRUE(t.ui().TaktRadioGroup->isHidden());
    EXPECT_TRUE(t.ui().WDTECheckBox->isHidden());
    EXPECT_FALSE(t.ui().ConfigCheckBox->isHidden()) << "aus HEX-File lesen stays";
    EXPECT_EQ(t.w->size(), size) << "the window keeps its size";
    EXPECT_EQ(t.ui().FlashLabel->text().toStdString(), "Flash-ROM:32 k");

    // A file with program, IDs, EEPROM and an HSPLL oscillator.
    ByteImage file(p18Regions(d));
    std::mt19937 random(4);
    for (std::uint32_t a = 0; a < 0x300; ++a) {
        file.area(file.HexBytes, ByteArea::Program)[a] =
            static_cast<std::uint16_t>(random() & 0xFF);
    }
    file.area(file.HexBytes, ByteArea::Id)[0] = 0x12;
    file.area(file.HexBytes, ByteArea::Eeprom)[7] = 0x5A;
    P18ConfigBytes config = d.configErased;
    p18SetFieldValue(*p18FindField(d, "FOSC"), config, 0xE);
    for (std::size_t n = 0; n < config.size(); ++n) {
        if (d.configMask[n] != 0) {
            file.area(file.HexBytes, ByteArea::Config)[n] = config[n];
        }
    }
    const std::string source = t.path("p18.hex");
    std::ofstream(source, std::ios::binary) << BuildByteHexFile(file.regions(), file.HexBytes);
    t.dialog.queueFileAnswer(source);
    ASSERT_TRUE(t.w->ToolButton1Click()) << testing::PrintToString(t.dialog.messages());
    EXPECT_TRUE(t.ui().ConfigCheckBox->isChecked());
    auto* fosc = t.w->findChild<QComboBox*>(QStringLiteral("ConfigField_FOSC"));
    ASSERT_NE(fosc, nullptr);
    EXPECT_EQ(fosc->currentData().toInt(), 0xE) << "the file's oscillator";
    EXPECT_FALSE(fosc->isEnabled()) << "locked while it comes from the file";

    t.ui().ProgBTN->click();
    EXPECT_EQ(t.w->panel(1).toStdString(), "PIC gebrannt – O.K.")
        << testing::PrintToString(t.dialog.messages());
    EXPECT_EQ(t.chip->p18()->byte(p18addr::kConfig + 1) & d.configMask[1], config[1]);
    t.ui().CompBTN->click();
    EXPECT_EQ(t.w->panel(1).toStdString(), "Vergleich – O.K.");
    const std::string saved = t.path("read.hex");
    t.dialog.queueFileAnswer(saved);
    t.ui().ReadBTN->click();
    EXPECT_EQ(t.w->panel(1).toStdString(), "PIC gelesen – O.K.");
    ByteImage back(p18Regions(d));
    ASSERT_TRUE(OpenByteHexfile(readText(saved), back).ok());
    for (std::size_t i = 0; i < file.HexBytes.size(); ++i) {
        if (file.HexBytes[i] != ByteImage::AbsentByte && i < d.programBytes) {
            ASSERT_EQ(back.HexBytes[i], file.HexBytes[i]) << i;
        }
    }
    EXPECT_EQ(back.hexByte(p18addr::kEeprom + 7), 0x5A);

    // The panel's own choice, with "aus HEX-File lesen" off, is what is burnt.
    t.ui().ConfigCheckBox->setChecked(false);
    EXPECT_TRUE(fosc->isEnabled());
    fosc->setCurrentIndex(fosc->findData(0x2));
    t.ui().ProgBTN->click();
    EXPECT_EQ(t.w->panel(1).toStdString(), "PIC gebrannt – O.K.");
    EXPECT_EQ((t.chip->p18()->byte(p18addr::kConfig + 1) & 0x0F), 0x2);
    EXPECT_TRUE(t.board.log().violations().empty()) << t.board.log().violationText();

    // Back to a 14-bit type: its controls as before, the panel gone.
    t.ui().TypComboBox->setCurrentIndex(Dev16F876_877);
    t.w->TypComboBoxChange();
    EXPECT_TRUE(t.panel()->isHidden());
    EXPECT_FALSE(t.ui().TaktRadioGroup->isHidden());
    EXPECT_FALSE(t.ui().WDTECheckBox->isHidden());
    EXPECT_FALSE(t.ui().IDCheckBox->isHidden());
    EXPECT_EQ(t.w->size(), size);
}

TEST(P18Window, AutodetectFindsAPic18fAndSaysSo) {
    P18Window t("18F1320");
    t.ui().DetectBTN->click();
    EXPECT_EQ(t.ui().TypComboBox->currentText().toStdString(), "18F1320");
    EXPECT_EQ(t.w->panel(1).toStdString(), "PIC18F erkannt: 18F1320");
    EXPECT_FALSE(t.panel()->isHidden());
}

// With "ID-Locations" off, the ID editor's bytes are burnt instead of the
// file's, an empty field leaving its byte erased.
TEST(P18Window, IdEditorBytesAreBurntWhileIdLocationsIsOff) {
    P18Window t("18F1320");
    const P18Device& d = *p18ByName("18F1320");
    t.select(d);
    ByteImage file(p18Regions(d));
    file.area(file.HexBytes, ByteArea::Program)[0] = 0x12;
    for (auto& b : file.area(file.HexBytes, ByteArea::Id)) {
        b = 0x77;
    }
    const std::string source = t.path("ids.hex");
    std::ofstream(source, std::ios::binary) << BuildByteHexFile(file.regions(), file.HexBytes);
    t.dialog.queueFileAnswer(source);
    ASSERT_TRUE(t.w->ToolButton1Click());
    ASSERT_TRUE(t.ui().IDCheckBox->isChecked());
    EXPECT_FALSE(t.ui().ToolButton12->isEnabled());
    t.ui().ProgBTN->click();
    EXPECT_EQ(t.chip->p18()->byte(p18addr::kIds + 3), 0x77) << "the file's";

    t.ui().IDCheckBox->setChecked(false);
    ASSERT_TRUE(t.ui().ToolButton12->isEnabled());
    t.ui().ToolButton12->click();
    auto* editor = t.w->findChild<QWidget*>(QStringLiteral("IdBytesEdit"));
    ASSERT_NE(editor, nullptr);
    editor->findChild<QLineEdit*>(QStringLiteral("IdByte0"))->setText(QStringLiteral("a5"));
    editor->findChild<QLineEdit*>(QStringLiteral("IdByte3"))->setText(QStringLiteral("3C"));
    editor->close();
    t.ui().ProgBTN->click();
    EXPECT_EQ(t.w->panel(1).toStdString(), "PIC gebrannt – O.K.");
    EXPECT_EQ(t.chip->p18()->byte(p18addr::kIds), 0xA5);
    EXPECT_EQ(t.chip->p18()->byte(p18addr::kIds + 3), 0x3C);
    EXPECT_EQ(t.chip->p18()->byte(p18addr::kIds + 1), 0xFF) << "left empty: erased";
    t.ui().CompBTN->click();
    EXPECT_EQ(t.w->panel(1).toStdString(), "Vergleich – O.K.");
}

// Every value of every field of every part: box → cells → box.
TEST(P18Window, EveryFieldRoundTripsThroughItsBox) {
    P18Window t("18F4550");
    for (const P18Device& d : kP18Devices) {
        SCOPED_TRACE(std::string(d.name));
        t.select(d);
        t.ui().ConfigCheckBox->setChecked(false);
        const auto boxes = t.panel()->findChildren<QComboBox*>();
        ASSERT_EQ(boxes.size(), static_cast<qsizetype>(p18ConfigFields(d).size()));
        for (QComboBox* box : boxes) {
            const std::string name = box->objectName().mid(12).toStdString();
            const P18ConfigField* f = p18FindField(d, name);
            ASSERT_NE(f, nullptr) << name;
            for (int i = 0; i < box->count(); ++i) {
                box->setCurrentIndex(i);
                const std::vector<std::uint16_t> cells = t.w->panelCells();
                ASSERT_EQ(fieldValue(*f, cells), box->itemData(i).toInt()) << name;
                box->setCurrentIndex((i + 1) % box->count());
                t.w->setFieldPanel(cells);
                ASSERT_EQ(box->currentIndex(), i) << name;
            }
        }
    }
}

}  // namespace
}  // namespace pk

// The window, headless: its layout, the load through the scripted dialog,
// the boxes and buttons driven by Qt Test events, and what they do in the
// middle of a walk.
#include "form1.h"
#include "pen_cursor.h"
#include "picture_box.h"
#include "pumping_ui_host.h"
#include "qt_common_dialog.h"
#include "recording_row_converter.h"
#include "scripted_common_dialog.h"
#include "temp_folder.h"

#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <numeric>

namespace {

class Form1Test : public ::testing::Test {
protected:
    TempFolder folder;
    PumpingUiHost host;
    ScriptedCommonDialog cd1;
    RecordingRowConverter converter;
    Form1 form{cd1, converter};

    template <typename Widget>
    Widget* Control(const char* name)
    {
        auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    PictureBox* Picture() { return Control<PictureBox>("Picture1"); }
    QLineEdit* Box(const char* name) { return Control<QLineEdit>(name); }
    QPushButton* Button(const char* name) { return Control<QPushButton>(name); }

    void Load(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        cd1.answers.push_back(folder.Write(name, bytes));
        form.Load();
    }
    void Type(QLineEdit* box, const QString& text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }
    // The pixel values 0 to 3 of Picture1 at x0 + 1 ... x0 + 8 of row y.
    std::vector<int> Values(int x0, int y)
    {
        PictureBox* picture = Picture();
        const SystemShades shades = picture->Shades();
        std::vector<int> values;
        for (int x = x0 + 1; x <= x0 + 8; ++x) {
            const QRgb rgb = picture->Snapshot().pixel(x, y);
            values.push_back(rgb == shades.background ? 0 : rgb == shades.buttonFace ? 1 : rgb == shades.workspace ? 2 : rgb == qRgb(0, 0, 0) ? 3 : -1);
        }
        return values;
    }
};

TEST_F(Form1Test, ControlsStandAtTheirPlacesWithTheirCaptions)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.windowTitle(), "Mr. Tavrel's NES to GB GFX Converter");
    QWidget* client = form.centralWidget();
    EXPECT_EQ(client->size(), QSize(491, 390));
    EXPECT_EQ(client->y(), form.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(form.size(), QSize(491, 390 + client->y()));
    struct Place {
        const char* name;
        QRect geometry;
        QString text;
    };
    const Place places[] = {
        {"Picture1", {16, 16, 385, 321}, {}},
        {"exportconvert", {416, 16, 65, 41}, "Export Converted"},
        {"tilestxt", {24, 352, 33, 27}, "48"},
        {"Command1", {80, 352, 89, 25}, "<- Tiles Per Row"},
        {"offsettxt", {192, 352, 121, 25}, ""},
        {"Command2", {336, 352, 65, 25}, "<- Offset"},
        {"Line1", {184, 344, 1, 41}, {}},
    };
    for (const Place& place : places) {
        QWidget* widget = Control<QWidget>(place.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), client) << place.name;
        EXPECT_EQ(widget->geometry(), place.geometry) << place.name;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), place.text) << place.name;
        }
        if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_EQ(box->text(), place.text) << place.name;
        }
    }
    const QFont font = Box("tilestxt")->font();
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pointSize(), 15);

    QWidget* focus = Picture();
    for (const char* next : {"tilestxt", "Command1", "offsettxt", "Command2", "exportconvert"}) {
        focus = focus->nextInFocusChain();
        EXPECT_EQ(focus->objectName(), next);
    }

    auto* format = form.menuBar()->findChild<QMenu*>("format");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->title(), "Format");
    const QList<QAction*> items = format->actions();
    ASSERT_EQ(items.size(), 3);
    const std::pair<const char*, const char*> expected[] = {
        {"bp1pmenu", "1BPP (Certain Fonts)"}, {"b2nes", "2BPP (NES)"}, {"b2gb", "2BPP (GameBoy)"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->objectName(), expected[i].first);
        EXPECT_EQ(items[i]->text(), expected[i].second);
        EXPECT_FALSE(items[i]->isCheckable());
    }
}

TEST_F(Form1Test, TheWindowShowsThePenCursor)
{
    const QCursor cursor = form.centralWidget()->cursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(5, 5));
    const QImage image = PenCursorImage().toImage();
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 0, 0)) << "the tip is the hot spot";
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0) continue;
            const Colour colour = static_cast<Colour>(qRed(pixel)) | static_cast<Colour>(qGreen(pixel)) << 8 |
                                  static_cast<Colour>(qBlue(pixel)) << 16;
            EXPECT_NE(std::find(kQBColors.begin(), kQBColors.end(), colour), kQBColors.end()) << x << "," << y;
        }
}

TEST(PictureShades, ComeFromThePaletteUnlessTheyWouldNotStayApart)
{
    const auto shades = [](QColor text, QColor button, QColor dark) {
        QPalette palette;
        palette.setColor(QPalette::HighlightedText, text);
        palette.setColor(QPalette::Button, button);
        palette.setColor(QPalette::Dark, dark);
        return ShadesFromPalette(palette);
    };
    const QColor white(255, 255, 255), black(0, 0, 0), light(220, 220, 220), dark(100, 100, 100);
    EXPECT_EQ(shades(white, light, dark), (SystemShades{white.rgb(), light.rgb(), dark.rgb()}));
    EXPECT_EQ(shades(QColor(250, 250, 250), light, dark), kClassicShades);
    EXPECT_EQ(shades(white, light, light), kClassicShades);
    EXPECT_EQ(shades(white, white, dark), kClassicShades);
    EXPECT_EQ(shades(white, light, black), kClassicShades);
}

TEST(QtCommonDialogFilter, BecomesQtNameFiltersEntryByEntry)
{
    EXPECT_EQ(QtNameFilters(u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*"),
              QStringList({"NES Files (*.nes*)", "GB Files (*.gb*)", "GBC Files (*.gbc*)", "All Files (*.*)"}));
    EXPECT_EQ(QtNameFilters(u"Tiles|*.gb;*.gbc|Dangling"), QStringList({"Tiles (*.gb *.gbc)"}));
    EXPECT_TRUE(QtNameFilters(u"").isEmpty());
}

TEST_F(Form1Test, LoadShowsTheWindowAndDrawsTheFirstTiles)
{
    // Row 0 of the first tile is bytes 60 and 90 in both layouts.
    std::vector<uint8_t> nes(32, 0);
    nes[0] = 60;
    nes[8] = 90;
    Load("tiles.NES", nes);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Values(0, 0), (std::vector<int>{0, 2, 1, 3, 3, 1, 2, 0}));
    EXPECT_EQ(Values(0, 1), std::vector<int>(8, 0));

    Form1 gbForm(cd1, converter);
    cd1.answers.push_back(folder.Write("tiles.gb", {0, 0, 60, 90}));
    gbForm.Load();
    const QImage picture = gbForm.findChild<PictureBox*>("Picture1")->Snapshot();
    EXPECT_EQ(picture.pixel(2, 1), gbForm.findChild<PictureBox*>("Picture1")->Shades().workspace);
    EXPECT_EQ(picture.pixel(4, 1), qRgb(0, 0, 0));
}

TEST_F(Form1Test, CancelAndUnreadableFilesEndTheProgramWithoutAWindow)
{
    form.Load();
    EXPECT_TRUE(form.viewer().Ended());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(host.messageBoxes.empty());

    Form1 failing(cd1, converter);
    cd1.answers.push_back((folder.Path() / "missing.gb").string());
    failing.Load();
    EXPECT_TRUE(failing.viewer().Failed());
    EXPECT_FALSE(failing.isVisible());
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].caption, u"Mr. Tavrel's NES To GB GFX Converter");
}

TEST_F(Form1Test, AnUnknownExtensionLeavesThePictureEmpty)
{
    Load("tiles.chr", std::vector<uint8_t>(64, 0xFF));
    EXPECT_FALSE(form.viewer().Ended());
    EXPECT_EQ(form.viewer().State().layouttag, "");
    EXPECT_TRUE(converter.rows.empty());
    QTest::mouseClick(Button("Command2"), Qt::LeftButton);
    EXPECT_TRUE(converter.rows.empty());
    EXPECT_EQ(Values(0, 0), std::vector<int>(8, 0));
}

TEST_F(Form1Test, TheBoxesApplyWithEnterOrTheirButtons)
{
    std::vector<uint8_t> bytes(640);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    Load("tiles.gb", bytes);
    QLineEdit* tiles = Box("tilestxt");
    QLineEdit* offset = Box("offsettxt");
    QSignalSpy tilesReturns(tiles, &QLineEdit::returnPressed);
    QSignalSpy offsetReturns(offset, &QLineEdit::returnPressed);

    Type(tiles, "5");
    QTest::keyClick(tiles, Qt::Key_Return);
    EXPECT_EQ(form.viewer().State().tilesperrow, 8);
    EXPECT_EQ(tiles->text(), "8");
    EXPECT_EQ(tilesReturns.count(), 1) << "the key still reaches the box";

    Type(tiles, "16");
    QTest::mouseClick(Button("Command1"), Qt::LeftButton);
    EXPECT_EQ(form.viewer().State().tilesperrow, 16);
    EXPECT_EQ(tiles->text(), "16");

    converter.rows.clear();
    Type(offset, "17");
    QTest::keyClick(offset, Qt::Key_Enter);
    EXPECT_EQ(offsetReturns.count(), 1);
    ASSERT_FALSE(converter.rows.empty());
    EXPECT_EQ(converter.rows.front().first, 16) << "position 17 holds byte 16";
    EXPECT_EQ(form.viewer().State().drawing.tileband, 2) << "39 tiles, 16 to a band";

    converter.rows.clear();
    Type(offset, "2.5");
    QTest::mouseClick(Button("Command2"), Qt::LeftButton);
    EXPECT_EQ(form.viewer().State().startoffset, 2.5);
    ASSERT_FALSE(converter.rows.empty());
    EXPECT_EQ(converter.rows.front().first, 1);
}

TEST_F(Form1Test, ApplyOffsetDuringAWalkDrawsTheNewSheetWhole)
{
    std::vector<uint8_t> bytes(16 * 64);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    host.onPump = [&](long pump) {
        if (pump != 5) return;
        Box("offsettxt")->setText("33");
        QTest::mouseClick(Button("Command2"), Qt::LeftButton);
    };
    Load("tiles.nes", bytes);
    const QImage replaced = Picture()->Snapshot();
    const DrawingState state = form.viewer().State().drawing;
    host.onPump = nullptr;
    QTest::mouseClick(Button("Command2"), Qt::LeftButton);
    EXPECT_EQ(form.viewer().State().drawing, state);
    EXPECT_EQ(Picture()->Snapshot(), replaced);
    EXPECT_EQ(converter.rows.size(), 4u * 8 + 62u * 8 + 62u * 8);
}

TEST_F(Form1Test, CloseDuringAWalkClosesEveryFileAndEndsAtOnce)
{
    LONG otherFile = -1;
    host.onPump = [&](long pump) {
        if (pump != 2) return;
        otherFile = FileOpen(form.viewer().Files(), FreeFile(form.viewer().Files()),
                             folder.Write("other", {1}).c_str(), FILE_MODE_BINARY_READ);
        form.close();
    };
    Load("tiles.gb", std::vector<uint8_t>(4096, 0x55));
    EXPECT_EQ(otherFile, 0);
    EXPECT_TRUE(form.viewer().Ended());
    EXPECT_FALSE(form.viewer().Failed());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(FileOpenCount(form.viewer().Files()), 0);
    EXPECT_EQ(converter.rows.size(), 9u);
    EXPECT_EQ(host.pumps, 2);
    // Events that still arrive change nothing.
    Button("Command2")->click();
    EXPECT_EQ(converter.rows.size(), 9u);
}

TEST_F(Form1Test, ExportConvertedClickAsksForTheOutputInTheOtherLayout)
{
    Load("tiles.gb", std::vector<uint8_t>(32, 0x0F));
    QTest::mouseClick(Button("exportconvert"), Qt::LeftButton);
    ASSERT_EQ(cd1.calls.size(), 2u);
    EXPECT_TRUE(cd1.calls[1].save);
    EXPECT_EQ(cd1.calls[1].filter, u"NES Files|*.nes*|All Files|*.*");
}

}  // namespace

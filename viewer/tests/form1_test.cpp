// The window, headless: its layout, the load through the scripted dialog,
// the boxes and buttons driven by Qt Test events, and what they do in the
// middle of a walk.
#include "fake_window.h"
#include "form1.h"
#include "pen_cursor.h"
#include "picture_box.h"
#include "qt_common_dialog.h"
#include "recording_row_converter.h"
#include "scripted_common_dialog.h"
#include "scripted_ui_host.h"
#include "temp_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// Qt's strings in failure messages as text (found by argument-dependent lookup).
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// The pixel values 0 to 3 of a window's Picture1 at x0 + 1 ... x0 + 8 of row
// y; 4 for a colour that is none of the four shades.
std::vector<int> Values(const Form1& form, int x0, int y)
{
    const auto* picture = form.findChild<PictureBox*>("Picture1");
    const SystemShades s = picture->Shades();
    const QRgb shades[] = {s.background, s.buttonFace, s.workspace, qRgb(0, 0, 0)};
    std::vector<int> values;
    for (int x = x0 + 1; x <= x0 + 8; ++x)
        values.push_back(static_cast<int>(std::ranges::find(shades, picture->Snapshot().pixel(x, y)) - shades));
    return values;
}

class Form1Test : public ::testing::Test {
protected:
    TempFolder folder;
    ScriptedUiHost host;
    ScriptedCommonDialog cd1;
    RecordingRowConverter converter;
    Form1 form{cd1, converter};

    template <typename Widget = QPushButton>
    Widget* Control(const char* name)
    {
        auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Load(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        cd1.answers.push_back(folder.Write(name, bytes));
        form.Load();
    }
    void Type(const char* box, const QString& text)
    {
        Control<QLineEdit>(box)->clear();
        QTest::keyClicks(Control<QLineEdit>(box), text);
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
    const std::tuple<const char*, QRect, QString> places[] = {
        {"Picture1", {16, 16, 385, 321}, {}},             {"exportconvert", {416, 16, 65, 41}, "Export Converted"},
        {"tilestxt", {24, 352, 33, 27}, "48"},             {"Command1", {80, 352, 89, 25}, "<- Tiles Per Row"},
        {"offsettxt", {192, 352, 121, 25}, ""},            {"Command2", {336, 352, 65, 25}, "<- Offset"},
        {"Line1", {184, 344, 1, 41}, {}},
    };
    for (const auto& [name, geometry, text] : places) {
        SCOPED_TRACE(name);
        QWidget* widget = Control<QWidget>(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), client);
        EXPECT_EQ(widget->geometry(), geometry);
        EXPECT_EQ(widget->property("text").toString(), text);  // none for Picture1 and Line1
    }
    const QFont font = Control<QLineEdit>("tilestxt")->font();
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pointSize(), 15);

    QStringList focusChain;
    for (QWidget* focus = Control<PictureBox>("Picture1"); focusChain.size() < 5;) {
        focus = focus->nextInFocusChain();
        focusChain << focus->objectName();
    }
    EXPECT_EQ(focusChain, QStringList({"tilestxt", "Command1", "offsettxt", "Command2", "exportconvert"}));

    auto* format = form.menuBar()->findChild<QMenu*>("format");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->title(), "Format");
    QStringList items;
    for (const QAction* item : format->actions())
        items << item->objectName() + ": " + item->text() + (item->isCheckable() ? " (checkable)" : "");
    EXPECT_EQ(items, QStringList({"bp1pmenu: 1BPP (Certain Fonts)", "b2nes: 2BPP (NES)", "b2gb: 2BPP (GameBoy)"}));
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
            const auto colour = static_cast<Colour>(qRed(pixel) | qGreen(pixel) << 8 | qBlue(pixel) << 16);
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
              QStringList({"NES Files (*.nes*)", "GB Files (*.gb*)", "GBC Files (*.gbc*)", "All Files (*)"}));
    EXPECT_EQ(QtNameFilters(u"Tiles|*.gb;*.gbc;*.*|Dangling"), QStringList({"Tiles (*.gb *.gbc *)"}));
    EXPECT_TRUE(QtNameFilters(u"").isEmpty());
}

// The names that a file dialog lists in its folder, once it has read the
// folder and listed `awaited` (the file system is read in the background).
QStringList ListedNames(QFileDialog& dialog, const QString& awaited)
{
    const auto* view = dialog.findChild<QListView*>("listView");
    QStringList names;
    for (int wait = 0; wait < 100 && !names.contains(awaited); ++wait) {
        QTest::qWait(50);
        names.clear();
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    }
    return names;
}

// The real dialog: "All Files" lists every file, a name without a dot too,
// and the open dialog then returns it.
TEST(QtCommonDialogFilter, AllFilesListsNamesWithoutADot)
{
    const TempFolder folder;
    folder.Write("README", {1});
    folder.Write("tiles.nes", {1});
    QtCommonDialog cd1;
    cd1.flags = CommonDialog::kFileMustExist;
    cd1.filter = u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*";
    cd1.fileName = (folder / "tiles.nes").string();
    QStringList underNes, underAll;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        underNes = ListedNames(*dialog, "tiles.nes");
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        QTest::keyClick(types, Qt::Key_End);
        EXPECT_EQ(types->currentText(), QString("All Files (*)"));
        underAll = ListedNames(*dialog, "README");
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        name->setText("README");
        dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open)->click();
        if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_EQ(cd1.ShowOpen(), (folder / "README").string());
    EXPECT_EQ(underNes, QStringList({"tiles.nes"}));
    EXPECT_EQ(underAll, QStringList({"README", "tiles.nes"}));
}

TEST_F(Form1Test, LoadShowsTheWindowAndDrawsTheFirstTiles)
{
    // Row 0 of the first tile is bytes 60 and 90 in NES layout, row 1 in GB layout.
    std::vector<uint8_t> nes(32, 0);
    nes[0] = 60;
    nes[8] = 90;
    Load("tiles.NES", nes);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Values(form, 0, 0), (std::vector<int>{0, 2, 1, 3, 3, 1, 2, 0}));
    EXPECT_EQ(Values(form, 0, 1), std::vector<int>(8, 0));

    Form1 gbForm(cd1, converter);
    cd1.answers.push_back(folder.Write("tiles.gb", {0, 0, 60, 90}));
    gbForm.Load();
    EXPECT_EQ(Values(gbForm, 0, 1), (std::vector<int>{0, 2, 1, 3, 3, 1, 2, 0}));
}

TEST_F(Form1Test, CancelAndUnreadableFilesEndTheProgramWithoutAWindow)
{
    for (const std::string& answer : {std::string(), (folder.Path() / "missing.gb").string()}) {
        SCOPED_TRACE(answer);
        Form1 ending(cd1, converter);
        cd1.answers.push_back(answer);
        ending.Load();
        EXPECT_TRUE(ending.viewer().Ended());
        EXPECT_FALSE(ending.isVisible());
    }
    EXPECT_EQ(host.messageBoxes.size(), 1u) << "the unreadable file is reported";
}

TEST_F(Form1Test, TheBoxesApplyWithEnterOrTheirButtons)
{
    Load("tiles.gb", PositionBytes(640));
    QLineEdit* tiles = Control<QLineEdit>("tilestxt");
    QSignalSpy tilesReturns(tiles, &QLineEdit::returnPressed);
    QSignalSpy offsetReturns(Control<QLineEdit>("offsettxt"), &QLineEdit::returnPressed);

    Type("tilestxt", "5");
    QTest::keyClick(tiles, Qt::Key_Return);
    EXPECT_EQ(form.viewer().State().tilesperrow, 8);
    EXPECT_EQ(tiles->text(), "8");
    EXPECT_EQ(tilesReturns.count(), 1) << "the key still reaches the box";

    Type("tilestxt", "16");
    QTest::mouseClick(Control("Command1"), Qt::LeftButton);
    EXPECT_EQ(form.viewer().State().tilesperrow, 16);
    EXPECT_EQ(tiles->text(), "16");

    converter.rows.clear();
    Type("offsettxt", "17");
    QTest::keyClick(Control<QLineEdit>("offsettxt"), Qt::Key_Enter);
    EXPECT_EQ(offsetReturns.count(), 1);
    ASSERT_FALSE(converter.rows.empty());
    EXPECT_EQ(converter.rows.front().first, 17);
    EXPECT_EQ(form.viewer().State().drawing.tileband, 2) << "39 tiles, 16 to a band";

    converter.rows.clear();
    Type("offsettxt", "2.5");
    QTest::mouseClick(Control("Command2"), Qt::LeftButton);
    EXPECT_EQ(form.viewer().State().startoffset, 2.5);
    ASSERT_FALSE(converter.rows.empty());
    EXPECT_EQ(converter.rows.front().first, 2);
}

TEST_F(Form1Test, ApplyOffsetDuringAWalkDrawsTheNewSheetWhole)
{
    host.onDoEvents = [&](long pump) {
        if (pump != 5) return;
        Control<QLineEdit>("offsettxt")->setText("33");
        QTest::mouseClick(Control("Command2"), Qt::LeftButton);
    };
    Load("tiles.nes", PositionBytes(16 * 64));
    const QImage replaced = Control<PictureBox>("Picture1")->Snapshot();
    const DrawingState state = form.viewer().State().drawing;
    host.onDoEvents = nullptr;
    QTest::mouseClick(Control("Command2"), Qt::LeftButton);
    EXPECT_EQ(form.viewer().State().drawing, state);
    EXPECT_EQ(Control<PictureBox>("Picture1")->Snapshot(), replaced);
    EXPECT_EQ(converter.rows.size(), 4u * 8 + 62u * 8 + 62u * 8);
}

TEST_F(Form1Test, CloseDuringAWalkClosesEveryFileAndEndsAtOnce)
{
    LONG otherFile = -1;
    host.onDoEvents = [&](long pump) {
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
    EXPECT_EQ(host.doEventsCalls, 2);
    // Events that still arrive change nothing.
    Control("Command2")->click();
    EXPECT_EQ(converter.rows.size(), 9u);
}

TEST_F(Form1Test, ExportConvertedClickAsksForTheOutputInTheOtherLayout)
{
    Load("tiles.gb", std::vector<uint8_t>(32, 0x0F));
    QTest::mouseClick(Control("exportconvert"), Qt::LeftButton);
    ASSERT_EQ(cd1.calls.size(), 2u);
    EXPECT_TRUE(cd1.calls[1].save);
    EXPECT_EQ(cd1.calls[1].filter, u"NES Files|*.nes*|All Files|*.*");
}

}  // namespace

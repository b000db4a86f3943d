// The window Form1, headless on its real widgets: its layout, the load
// through a scripted dialog, its boxes and buttons driven by Qt Test events,
// what they do in the middle of a walk, real tile files drawn through the
// real component, Picture1's own pixels, and the real open dialog's filter.
#include "binary_row_converter.h"
#include "form1.h"
#include "picture_box.h"
#include "qt_common_dialog.h"
#include "recording_row_converter.h"
#include "registered_component.h"
#include "registration_hint.h"
#include "scripted_common_dialog.h"
#include "scripted_ui_host.h"
#include "temp_folder.h"
#include "tile_row_drawing.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <dlfcn.h>
#include <unistd.h>

// Qt's strings in failure messages as text (found by argument-dependent lookup).
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// Form1 with its own user-interface host and dialog, and a converter that
// records the rows, or another one.
struct Window : QObject {
    explicit Window(RowConverter* other = nullptr) : form(cd1, other ? *other : converter)
    {
        form.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show && onShow) onShow();
        return false;
    }

    ScriptedUiHost host;
    ScriptedCommonDialog cd1;
    RecordingRowConverter converter;
    Form1 form;
    // Runs when the window is shown, between the file's opening and its reading.
    std::function<void()> onShow;

    template <typename Widget = QPushButton>
    Widget* Control(const char* name) { return form.findChild<Widget*>(name); }
    const ViewerState& State() const { return form.viewer().State(); }
    void Load(const std::string& path) { cd1.answers = {path}; form.Load(); }
    // Types text into a box and applies it with Enter, or with the button named.
    void Apply(const char* box, const QString& text, const char* button = nullptr)
    {
        Control<QLineEdit>(box)->clear();
        QTest::keyClicks(Control<QLineEdit>(box), text);
        if (button) Control(button)->click();
        else QTest::keyClick(Control<QLineEdit>(box), Qt::Key_Return);
    }
};

class ViewerTest : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(ViewerTest, ControlsStandAtTheirPlacesWithTheirCaptions)
{
    Window w;
    w.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    EXPECT_EQ(w.form.windowTitle(), "Mr. Tavrel's NES to GB GFX Converter");
    QWidget* client = w.form.centralWidget();
    EXPECT_EQ(client->size(), QSize(491, 390));
    EXPECT_EQ(w.form.size(), QSize(491, 390 + w.form.menuBar()->geometry().bottom() + 1));
    const std::tuple<const char*, QRect, QString> places[] = {
        {"Picture1", {16, 16, 385, 321}, {}},             {"exportconvert", {416, 16, 65, 41}, "Export Converted"},
        {"tilestxt", {24, 352, 33, 27}, "48"},             {"Command1", {80, 352, 89, 25}, "<- Tiles Per Row"},
        {"offsettxt", {192, 352, 121, 25}, ""},            {"Command2", {336, 352, 65, 25}, "<- Offset"},
        {"Line1", {184, 344, 1, 41}, {}},
    };
    for (const auto& [name, geometry, text] : places) {
        const QWidget* widget = w.Control<QWidget>(name);
        ASSERT_NE(widget, nullptr);
        // No text for Picture1 and Line1.
        EXPECT_EQ(std::tuple(widget->parentWidget(), widget->geometry(), widget->property("text").toString()),
                  std::tuple(client, geometry, text)) << name;
    }
    const QFont tilesFont = w.Control<QLineEdit>("tilestxt")->font();
    EXPECT_TRUE(tilesFont.bold() && tilesFont.pointSize() == 15);
    QStringList focusChain;
    for (QWidget* focus = w.Control<PictureBox>("Picture1"); focusChain.size() < 5;)
        focusChain << (focus = focus->nextInFocusChain())->objectName();
    EXPECT_EQ(focusChain, QStringList({"tilestxt", "Command1", "offsettxt", "Command2", "exportconvert"}));
    QStringList items;
    for (const QAction* item : w.form.menuBar()->findChild<QMenu*>("format")->actions())
        items << item->objectName() + ": " + item->text() + (item->isCheckable() ? " (checkable)" : "");
    EXPECT_EQ(items, QStringList({"bp1pmenu: 1BPP (Certain Fonts)", "b2nes: 2BPP (NES)", "b2gb: 2BPP (GameBoy)"}));
    EXPECT_EQ(client->cursor().hotSpot(), QPoint(5, 5)) << "the pen's tip";
}

// The load asks for a file, unless the program's argument names it, and
// takes the layout from its extension; that layout's walk draws the first
// sheet, which the offset box and the export (proposing the file) then
// work on. A named file comes to the same end as a chosen one. An empty
// file has no positions to draw and, like a file of an unknown layout, is
// not shown. A cancel (no path) ends the program
// quietly; a file that can't be opened, read whole or held, or a row the
// converter fails on, is reported and ends it too: the recording converter
// fails at the fifth row, the real one when its component is not registered
// (the message says how to register it).
TEST_F(ViewerTest, LoadTakesTheLayoutFromTheExtensionOrEndsTheProgram)
{
    // Sparse files: one byte past the 32-bit positions, and 3 GiB.
    const std::string big = folder.Write("big.gb", {}), huge = folder.Write("huge.nes", {});
    ASSERT_EQ(truncate(big.c_str(), int64_t{1} << 31), 0);
    ASSERT_EQ(truncate(huge.c_str(), int64_t{3} << 30), 0);
    const std::string shrinking = folder.Write("shrinking.gb", PositionBytes(100));
    const std::u16string refused = RecordingRowConverter().Failure();
    // Nothing is registered in the test's own folder.
    RegisteredComponent::UseRegistryIn(folder);
    // How to register it: regsvr beside the program and the library where the program's own tree keeps it, this
    // build's or an installed tree's (named where neither is there; a path with a blank quoted for the shell).
    BinaryRowConverter unregistered(RegistrationHint(QFileInfo(REGSVR_BIN).path()));
    BinaryRowConverter installed(RegistrationHint("/opt/tile bridge/bin"));
    // The file chosen; its layout, the rows recorded and the first of them
    // ({0, 0} for none: no byte of the files is 0); the reason reported; the
    // converter when not the recording one.
    const std::tuple<std::string, std::string, size_t, std::pair<uint8_t, uint8_t>, std::u16string, RowConverter*>
        cases[] = {
            {folder.Write("MARIO.NES", PositionBytes(40)), "nes", 16, {1, 9}, u"", nullptr},
            {folder.Write("game.gbc", PositionBytes(40)), "gb", 20, {1, 2}, u"", nullptr},
            {folder.Write("font.chr", PositionBytes(40)), "", 0, {}, u"", nullptr},
            {folder.Write("empty.gb", {}), "", 0, {}, u"", nullptr},
            {"", "", 0, {}, u"", nullptr},
            {(folder.Path() / "gone.nes").string(), "", 0, {}, u"File not found", nullptr},
            {folder.Path().string(), "", 0, {}, u"Path/File access error", nullptr},
            {big, "", 0, {}, u"is too large: it holds 2147483648 bytes", nullptr},
            {huge, "", 0, {}, u"is too large: it holds 3221225472 bytes", nullptr},
            {shrinking, "", 0, {}, u"shrinking.gb\": it ended before its length.", nullptr},
            {folder.Write("tiles.nes", PositionBytes(64)), "nes", 4, {1, 9}, refused, nullptr},
            {folder.Write("tiles.gb", PositionBytes(64)), "gb", 0, {}, u"not registered (0x80040154).\n\nRegister"
             " it with:\n    " REGSVR_BIN " " BITSTRINGS_LIBRARY, &unregistered},
            {folder.Write("tiles2.gb", PositionBytes(64)), "gb", 0, {}, u"\n    '/opt/tile bridge/bin/regsvr' "
             "'/opt/tile bridge/" INSTALL_LIBDIR "/tilebridge/libbitstrings.so'", &installed},
        };
    // Chosen in the dialog, or named as the program's argument (no path: no argument, and the dialog is cancelled).
    for (const bool named : {false, true}) for (const auto& [path, tag, rows, firstRow, reason, converter] : cases) {
        Window w(converter);
        ASSERT_EQ(truncate(shrinking.c_str(), 100), 0);
        if (path == shrinking) w.onShow = [&] { ASSERT_EQ(truncate(shrinking.c_str(), 50), 0); };
        w.converter.failAtRow = reason == refused ? 5 : 0;
        w.cd1.answers = {path};
        w.form.Load(named && !path.empty() ? std::vector{path} : std::vector<std::string>{});
        const bool ends = path.empty() || !reason.empty(), shown = !tag.empty() && !ends;
        const size_t asked = named && !path.empty() ? 0 : 1;
        EXPECT_EQ(std::tuple(w.cd1.calls.size(), w.cd1.flags, w.cd1.filter),
                  std::tuple(asked, 0x1000, u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*"));
        ASSERT_EQ(w.host.messageBoxes.size(), reason.empty() ? 0u : 1u) << path;
        for (const auto& box : w.host.messageBoxes) {
            EXPECT_EQ(std::tuple(box.text.find(reason) != std::u16string::npos, box.caption, box.type),
                      std::tuple(true, u"Mr. Tavrel's NES To GB GFX Converter", UINT{MB_OK | MB_TASKMODAL})) << path;
        }
        const bool failed = w.form.viewer().Failed(), ended = w.form.viewer().Ended();
        EXPECT_EQ(std::tuple(failed, ended, w.form.isVisible(), FileOpenCount(w.form.viewer().Files())),
                  std::tuple(!reason.empty(), ends, shown, ends ? 0 : 1)) << path;
        EXPECT_EQ(w.State().layouttag, tag);
        EXPECT_EQ(w.converter.rows.size(), rows);
        EXPECT_EQ(w.converter.rows.empty() ? decltype(firstRow)() : w.converter.rows.front(), firstRow);
        w.Apply("offsettxt", "1", "Command2");
        EXPECT_EQ(w.converter.rows.size() > rows, shown);
        w.Control("exportconvert")->click();
        EXPECT_EQ(w.cd1.calls.size() == asked + 1 && w.cd1.calls.back().save && w.cd1.calls.back().proposed == path,
                  shown);
    }
}

// Anything but one file's name is answered with how to start the program,
// which then ends without asking for a file.
TEST_F(ViewerTest, ArgumentsOtherThanOneFileAreAnsweredWithTheUsage)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"a.nes", "b.gb"}, {"--help"}, {"-"}, {""}}) {
        Window w;
        w.form.Load(arguments);
        const auto& boxes = w.host.messageBoxes;
        EXPECT_EQ(std::tuple(boxes.size() == 1 && boxes[0].text.starts_with(u"Usage: tilebridge [FILE]\n"),
                             w.cd1.calls.size(), w.form.viewer().Failed(), FileOpenCount(w.form.viewer().Files())),
                  std::tuple(true, 0u, true, 0));
    }
}

// Each box, applied with Enter in the GB layout and with its button in the
// NES layout. Tiles per row is at least 8 (the box then shows 8), rounded
// half to even, and resets only the cell column: nothing is redrawn. A new
// offset clears the picture and draws anew from the offset rounded half to
// even, at least 1: the NES walk reads the box's text, the GB walk the start
// offset kept from it.
TEST_F(ViewerTest, TheBoxesTakeWholeNumbersRoundedHalfToEven)
{
    // The box, the text typed, the number kept, the box's text then, and the
    // byte at the first position drawn (0 for none).
    const std::tuple<const char*, QString, double, QString, uint8_t> cases[] = {
        {"tilestxt", "", 8, "8", 0},         {"tilestxt", "-20", 8, "8", 0},         {"tilestxt", "7.5", 8, "7.5", 0},
        {"tilestxt", "8.5", 8, "8.5", 0},    {"tilestxt", "9.5", 10, "9.5", 0},      {"tilestxt", "500", 500, "500", 0},
        {"tilestxt", "3e9", 8, "8", 0},      {"offsettxt", "", 1, "", 1},            {"offsettxt", "0.6", 1, "0.6", 1},
        {"offsettxt", "1.9", 1.9, "1.9", 2}, {"offsettxt", "2.5", 2.5, "2.5", 2},    {"offsettxt", "3.5", 3.5, "3.5", 4},
        {"offsettxt", "&H11", 17, "&H11", 17},  {"offsettxt", "1000", 1000, "1000", 0},  {"offsettxt", "3e9", 1, "3e9", 1},
        {"offsettxt", "2147483647.6", 1, "2147483647.6", 1},
    };
    for (const auto& [name, byButton] : {std::pair("tiles.gb", false), std::pair("tiles.nes", true)}) {
        Window w;
        w.Load(folder.Write(name, PositionBytes(64)));
        auto* picture = w.Control<PictureBox>("Picture1");
        for (const auto& [box, text, value, shown, firstByte] : cases) {
            const bool offset = box == std::string_view("offsettxt");
            DrawingState drawing = w.State().drawing;
            drawing.tilecol = 0;
            picture->PSet(0, 0, QBColor(5));
            w.converter.rows.clear();
            w.Apply(box, text, byButton ? (offset ? "Command2" : "Command1") : nullptr);
            SCOPED_TRACE(name + (" " + text.toStdString()));
            EXPECT_EQ(offset ? w.State().startoffset : w.State().tilesperrow, value);
            EXPECT_EQ(w.Control<QLineEdit>(box)->text(), shown);
            EXPECT_EQ(w.converter.rows.empty() ? 0 : w.converter.rows.front().first, firstByte);
            EXPECT_EQ(picture->Point(0, 0) == QBColor(5), !offset) << "cleared for a new offset only";
            EXPECT_TRUE(offset || w.State().drawing == drawing);
        }
    }
}

// The walk takes the length on disk at every step; the image keeps the
// bytes read at load, and no row is taken from beyond them.
TEST_F(ViewerTest, AFileThatShrinksOrGrowsOnDiskDuringAWalkIsReadOnlyWithinItsImage)
{
    for (const auto& [newLength, rows] : {std::pair<int64_t, size_t>{19, 9}, {1000, 100}}) {
        const std::string path = folder.Write("tiles.gb", PositionBytes(200));
        Window w;
        w.host.onDoEvents = [&](long pump) {
            if (pump == 1) {
                ASSERT_EQ(truncate(path.c_str(), newLength), 0);
            }
        };
        w.Load(path);
        EXPECT_EQ(w.converter.rows.size(), rows) << newLength;
    }
}

// What a user does at a turn of the event pump while a NES file of 64 tiles
// is drawn. Tiles per row changed takes effect at the next band. A new
// offset starts a walk that replaces the one in progress, which draws no
// further row. Closing the window closes every file the program holds (the
// input file and one more) and ends the walk at once; a click that still
// arrives draws nothing.
TEST_F(ViewerTest, WhatAUserDoesDuringAWalk)
{
    const std::string other = folder.Write("other", {1});
    const auto closeWithAnotherFileOpen = [&](Window& w) {
        FILE_NUMBER_TABLE* files = w.form.viewer().Files();
        ASSERT_EQ(FileOpen(files, FreeFile(files), other.c_str(), FILE_MODE_BINARY_READ), 0);
        w.form.close();
    };
    // The turn and what the user does; the rows drawn, where the drawing stands, and the files left open.
    const std::tuple<long, std::function<void(Window&)>, size_t, DrawingState, int> cases[] = {
        // Tile 0 in cell 0, then tiles 1 to 63 fill bands of 8 from cell 0 again.
        {2, [](Window& w) { w.Apply("tilestxt", "8"); }, 64 * 8, {8 * 7, 8 * 7, 7, 0, 7}, 1},
        {5, [](Window& w) { w.Apply("offsettxt", "33"); }, 4 * 8 + 62 * 8, {8 * 14, 8, 14, 0, 1}, 1},
        {2, closeWithAnotherFileOpen, 8, {8, 0, 1, 0, 0}, 0},
    };
    for (const auto& [turn, action, rows, drawing, files] : cases) {
        Window w;
        w.host.onDoEvents = [&](long pump) {
            if (pump == turn) action(w);
        };
        w.Load(folder.Write("tiles.nes", PositionBytes(16 * 64)));
        EXPECT_EQ(w.converter.rows.size(), rows) << turn;
        EXPECT_EQ(w.State().drawing, drawing) << turn;
        EXPECT_EQ(std::tuple(FileOpenCount(w.form.viewer().Files()), w.form.isVisible(), w.form.viewer().Failed()),
                  std::tuple(files, files > 0, false));
        w.converter.rows.clear();
        w.Control("Command2")->click();
        EXPECT_EQ(w.converter.rows.empty(), files == 0);
    }
}

// A real tile file under the test data and, after an @, the position its
// tiles start at (1 without one), drawn through the real component at 16
// tiles per row, is the sheet named after both that an independent tool drew
// (255, 170, 85 and 0 grey for the pixel values 0 to 3).
class RealData : public ::testing::TestWithParam<std::string> {};

TEST_P(RealData, SheetsMatchTheIndependentDrawing)
{
    const std::filesystem::path testdata = TILEBRIDGE_TESTDATA;
    const std::string file = GetParam(), path = file.substr(0, file.find('@'));
    const std::filesystem::path expected = testdata / "expected" / std::filesystem::path(file + ".png").filename();
    const QImage sheet(QString::fromStdString(expected.string()));
    ASSERT_FALSE(sheet.isNull()) << file;
    const RegisteredComponent registered(BITSTRINGS_LIBRARY);
    {
        BinaryRowConverter binary(u"");
        Window w(&binary);
        w.Load((testdata / path).string());
        w.Apply("tilestxt", "16", "Command1");
        w.Apply("offsettxt", QString::fromStdString(file == path ? "1" : file.substr(path.size() + 1)), "Command2");
        const auto* picture = w.Control<PictureBox>("Picture1");
        const QImage drawn = picture->Snapshot();
        const SystemShades shades = picture->Shades();
        const QRgb shadeOfValue[] = {shades.background, shades.buttonFace, shades.workspace, qRgb(0, 0, 0)};
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = 0; x < sheet.width(); ++x)
                ASSERT_EQ(drawn.pixel(x + 1, y), shadeOfValue[3 - qGray(sheet.pixel(x, y)) / 85]) << x << ", " << y;
        EXPECT_TRUE(w.host.messageBoxes.empty());
    }
    // The converter's object went with it, so the component's library may unload.
    void* library = dlopen(BITSTRINGS_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(library, "DllCanUnloadNow"))(), S_OK);
    dlclose(library);
}

INSTANTIATE_TEST_SUITE_P(Files, RealData,
                         ::testing::Values("gb/rgbds-font_nums.2bpp.gb", "gb/2048-sanqui-tiles.2bpp.gb",
                                           "gb/gbtools-parallax.chr.gb", "gb/sram128-font.2bpp.gb",
                                           "nes/cc65-nes-charset.chr.nes", "nes/nesstarterkit-sprites.chr.nes",
                                           "nes/ca65example-background.chr.nes", "rom/hello-cc65.nes@32785"));

// Picture1 starts white, and a row drawn into its pixels in place still
// reaches the screen.
TEST(Picture1, ShowsWhatIsDrawnIntoItsPixels)
{
    struct CountedPicture : PictureBox {
        int paints = 0;
        void paintEvent(QPaintEvent* event) override { ++paints; PictureBox::paintEvent(event); }
    } picture;
    EXPECT_EQ(picture.Point(0, 0), QBColor(15));
    picture.PSet(0, 321, QBColor(0));  // past the last row: nothing is drawn, and nothing beyond the pixels
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    QTest::qWait(50);
    picture.paints = 0;
    DrawingState state;
    DrawTileRow(u"1111111111111111", state, 48, picture);
    EXPECT_TRUE(QTest::qWaitFor([&] { return picture.paints > 0; }, 2000));
}

// The real dialog: "All Files" lists every file, a name without a dot too,
// and the open dialog then returns it; only the save dialog takes a name
// that is not there yet.
TEST(QtCommonDialogFilter, AllFilesListsNamesWithoutADot)
{
    const TempFolder folder;
    folder.Write("README", {1});
    folder.Write("tiles.nes", {1});
    QtCommonDialog cd1;
    cd1.flags = CommonDialog::kFileMustExist;
    cd1.filter = u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*";
    cd1.fileName = (folder / "tiles.nes").string();
    // Answers the dialog with a name once its folder, read in the background, lists `files` files (tiles.nes
    // only, by the first filter); a warning that the name is not there is closed.
    const auto answer = [](const char* name, int files, const std::function<void(QFileDialog*)>& before = {}) {
        QTimer::singleShot(0, [=] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            const auto* view = dialog->findChild<QListView*>("listView");
            EXPECT_TRUE(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == files; }));
            if (before) before(dialog);
            // A name that is not listed is not selected in the list, only typed.
            dialog->selectFile(name);
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
            QTimer::singleShot(0, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->close();
            });
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible()) dialog->reject();
        });
    };
    answer("README", 1, [](QFileDialog* dialog) {
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        QTest::keyClick(types, Qt::Key_End);
        EXPECT_EQ(types->currentText(), QString("All Files (*)"));
        const auto* view = dialog->findChild<QListView*>("listView");
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; })) << "README too";
    });
    EXPECT_EQ(cd1.ShowOpen(), (folder / "README").string());
    // A new name: the save dialog takes it; the open dialog warns and keeps asking.
    answer("new.gb", 1);
    EXPECT_EQ(cd1.ShowSave(), (folder / "new.gb").string());
    answer("new.gb", 1);
    EXPECT_EQ(cd1.ShowOpen(), "");
}

}  // namespace

// Headless, with HOME and XDG_DATA_HOME in a temporary folder, so that
// nothing of the user's own settings or component registry is read or
// changed.
int main(int argc, char* argv[])
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const TempFolder home;
    RegisteredComponent::UseRegistryIn(home);
    QApplication app(argc, argv);
    // Closing a window under test must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The window, headless: its layout, the load through the scripted dialog,
// the boxes and buttons driven by Qt Test events, and what they do in the
// middle of a walk.
#include "fake_window.h"
#include "form1.h"
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
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// Qt's strings in failure messages as text (found by argument-dependent lookup).
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

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
    EXPECT_EQ(form.size(), QSize(491, 390 + form.menuBar()->geometry().bottom() + 1));
    const std::tuple<const char*, QRect, QString> places[] = {
        {"Picture1", {16, 16, 385, 321}, {}},             {"exportconvert", {416, 16, 65, 41}, "Export Converted"},
        {"tilestxt", {24, 352, 33, 27}, "48"},             {"Command1", {80, 352, 89, 25}, "<- Tiles Per Row"},
        {"offsettxt", {192, 352, 121, 25}, ""},            {"Command2", {336, 352, 65, 25}, "<- Offset"},
        {"Line1", {184, 344, 1, 41}, {}},
    };
    for (const auto& [name, geometry, text] : places) {
        QWidget* widget = Control<QWidget>(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), client) << name;
        EXPECT_EQ(widget->geometry(), geometry) << name;
        EXPECT_EQ(widget->property("text").toString(), text);  // none for Picture1 and Line1
    }
    EXPECT_TRUE(Control<QLineEdit>("tilestxt")->font().bold() && Control<QLineEdit>("tilestxt")->font().pointSize() == 15);
    QStringList focusChain;
    for (QWidget* focus = Control<PictureBox>("Picture1"); focusChain.size() < 5;)
        focusChain << (focus = focus->nextInFocusChain())->objectName();
    EXPECT_EQ(focusChain, QStringList({"tilestxt", "Command1", "offsettxt", "Command2", "exportconvert"}));
    QStringList items;
    for (const QAction* item : form.menuBar()->findChild<QMenu*>("format")->actions())
        items << item->objectName() + ": " + item->text() + (item->isCheckable() ? " (checkable)" : "");
    EXPECT_EQ(items, QStringList({"bp1pmenu: 1BPP (Certain Fonts)", "b2nes: 2BPP (NES)", "b2gb: 2BPP (GameBoy)"}));
    EXPECT_EQ(client->cursor().hotSpot(), QPoint(5, 5)) << "the pen's tip";
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
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText("README");
        dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open)->click();
        if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_EQ(cd1.ShowOpen(), (folder / "README").string());
    EXPECT_EQ(underNes, QStringList({"tiles.nes"}));
    EXPECT_EQ(underAll, QStringList({"README", "tiles.nes"}));
}

// Load shows the window and draws into Picture1; the boxes apply with Enter
// or their buttons; the export asks for a file of the other layout.
TEST_F(Form1Test, LoadDrawsAndTheBoxesAndButtonsApply)
{
    std::vector<uint8_t> tiles = PositionBytes(640);
    tiles[0] = 0xFF;  // row 0: pixel value 1, but 3 where byte 2 has its bit
    Load("tiles.gb", tiles);
    EXPECT_TRUE(form.isVisible());
    const PictureBox* picture = Control<PictureBox>("Picture1");
    EXPECT_EQ(picture->Snapshot().pixel(1, 0), picture->Shades().buttonFace);
    EXPECT_EQ(picture->Snapshot().pixel(7, 0), qRgb(0, 0, 0));

    Type("tilestxt", "5");
    QTest::keyClick(Control<QLineEdit>("tilestxt"), Qt::Key_Return);
    EXPECT_EQ(Control<QLineEdit>("tilestxt")->text(), "8");
    Type("tilestxt", "16");
    QTest::mouseClick(Control("Command1"), Qt::LeftButton);
    EXPECT_EQ(form.viewer().State().tilesperrow, 16);
    for (const bool button : {false, true}) {
        converter.rows.clear();
        Type("offsettxt", "17");
        if (button) QTest::mouseClick(Control("Command2"), Qt::LeftButton);
        else QTest::keyClick(Control<QLineEdit>("offsettxt"), Qt::Key_Enter);
        ASSERT_FALSE(converter.rows.empty());
        EXPECT_EQ(converter.rows.front().first, 17);
    }
    QTest::mouseClick(Control("exportconvert"), Qt::LeftButton);
    ASSERT_EQ(cd1.calls.size(), 2u);
    EXPECT_TRUE(cd1.calls[1].save);
    EXPECT_EQ(cd1.calls[1].filter, u"NES Files|*.nes*|All Files|*.*");
}

// Closing the window in the middle of a walk closes every file the program
// holds and ends the walk; events that still arrive change nothing.
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
    Control("Command2")->click();
    EXPECT_EQ(converter.rows.size(), 9u);
}

}  // namespace

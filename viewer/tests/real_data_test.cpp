// Real tile files drawn through the real component, compared with sheets
// drawn by an independent tool (16 tiles per row, four greys).
#include "binary_row_converter.h"
#include "fake_window.h"
#include "registered_component.h"
#include "scripted_common_dialog.h"
#include "scripted_ui_host.h"

#include <QImage>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

namespace {

const std::filesystem::path kTestData = TILEBRIDGE_TESTDATA;

// Whether tile t of the expected sheet (16 per row; 255, 170, 85 and 0 grey
// for the values 0 to 3) stands in the drawn sheet at cell t mod tilesPerRow
// of band t div tilesPerRow, as far as drawn.
::testing::AssertionResult SameTiles(const QImage& sheet, const RasterSurface& drawn, int tilesPerRow)
{
    const int tiles = sheet.width() / 8 * (sheet.height() / 8);
    for (int t = 0; t < tiles; ++t)
        for (int row = 0; row < 8; ++row)
            for (int pixel = 0; pixel < 8; ++pixel) {
                const int x = 8 * (t % tilesPerRow) + 1 + pixel;
                const int y = 8 * (t / tilesPerRow) + row;
                if (x >= drawn.Width() || y >= drawn.Height()) continue;
                const int grey = qGray(sheet.pixel(8 * (t % 16) + pixel, 8 * (t / 16) + row));
                const int expected = grey == 255 ? 0 : grey == 170 ? 1 : grey == 85 ? 2 : grey == 0 ? 3 : -1;
                if (drawn.PixelValue(x, y) != expected)
                    return ::testing::AssertionFailure() << "tile " << t << " row " << row << " pixel " << pixel + 1;
            }
    return ::testing::AssertionSuccess();
}

// A file under the test data and, after an @, the position its tiles start
// at (1 without one); the expected sheet is named after both. The whole
// sheet is drawn at 16 per row from the tiles' start.
class RealData : public ::testing::TestWithParam<std::string> {};

TEST_P(RealData, SheetsMatchTheIndependentDrawing)
{
    const std::string file = GetParam();
    const std::string path = file.substr(0, file.find('@'));
    const std::string offset = file == path ? "1" : file.substr(path.size() + 1);
    const std::string expected = std::filesystem::path(file).filename().string() + ".png";
    const QImage sheet(QString::fromStdString((kTestData / "expected" / expected).string()));
    ASSERT_FALSE(sheet.isNull()) << expected;

    const RegisteredComponent registered(BITSTRINGS_LIBRARY);
    ScriptedUiHost host;
    {
        BinaryRowConverter binary(u"");
        ScriptedCommonDialog cd1;
        cd1.answers = {(kTestData / path).string()};
        FakeWindow whole(129, sheet.height());
        Viewer viewer(whole, cd1, binary);
        viewer.Load();
        whole.tilesText = u"16";
        whole.offsetText = std::u16string(offset.begin(), offset.end());
        viewer.ApplyTilesPerRow();
        viewer.ApplyOffset();
        EXPECT_TRUE(SameTiles(sheet, whole.surface, 16));
        EXPECT_TRUE(host.messageBoxes.empty());
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

TEST(BinaryRowConverter, SaysHowToRegisterAComponentThatIsNotRegistered)
{
    const TempFolder emptyRegistry;
    RegisteredComponent::UseRegistryIn(emptyRegistry);
    BinaryRowConverter binary(u"Register it with: regsvr bitstrings");
    std::u16string_view bits;
    EXPECT_FALSE(binary.RowBits(1, 2, bits));
    const std::u16string failure = binary.Failure();
    EXPECT_NE(failure.find(u"not registered"), std::u16string::npos);
    EXPECT_TRUE(failure.ends_with(u".\n\nRegister it with: regsvr bitstrings"));
}

}  // namespace

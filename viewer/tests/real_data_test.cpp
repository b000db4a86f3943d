// Real tile files drawn through the real component, compared with sheets
// drawn by an independent tool (16 tiles per row, four greys).
#include "binary_row_converter.h"
#include "pumping_ui_host.h"
#include "raster_surface.h"
#include "registered_component.h"
#include "scripted_common_dialog.h"
#include "viewer.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::filesystem::path kTestData = TILEBRIDGE_TESTDATA;

class SheetWindow : public ViewerWindow {
public:
    SheetWindow(int width, int height, std::u16string offset) : surface(width, height), offsetText(std::move(offset)) {}

    RasterSurface surface;
    std::u16string tilesText = u"16";
    std::u16string offsetText;

    DrawingSurface& Picture1() override { return surface; }
    std::u16string TilesText() const override { return tilesText; }
    void SetTilesText(const std::u16string& text) override { tilesText = text; }
    std::u16string OffsetText() const override { return offsetText; }
    void ShowWindow() override {}
    void EndProgram() override {}
};

// The expected sheet's pixel value at (x, y): 255, 170, 85 and 0 stand for 0 to 3.
int ExpectedValue(const QImage& sheet, int x, int y)
{
    switch (qGray(sheet.pixel(x, y))) {
    case 255: return 0;
    case 170: return 1;
    case 85: return 2;
    case 0: return 3;
    default: return -1;
    }
}

// Whether tile t of the expected sheet (16 per row) stands in the drawn sheet
// at cell t mod tilesPerRow of band t div tilesPerRow, as far as drawn.
::testing::AssertionResult SameTiles(const QImage& sheet, const RasterSurface& drawn, int tilesPerRow)
{
    const int tiles = sheet.width() / 8 * (sheet.height() / 8);
    for (int t = 0; t < tiles; ++t)
        for (int row = 0; row < 8; ++row)
            for (int pixel = 0; pixel < 8; ++pixel) {
                const int x = 8 * (t % tilesPerRow) + 1 + pixel;
                const int y = 8 * (t / tilesPerRow) + row;
                if (x >= drawn.Width() || y >= drawn.Height()) continue;
                const int expected = ExpectedValue(sheet, 8 * (t % 16) + pixel, 8 * (t / 16) + row);
                if (drawn.PixelValue(x, y) != expected)
                    return ::testing::AssertionFailure() << "tile " << t << " row " << row << " pixel " << pixel + 1;
            }
    return ::testing::AssertionSuccess();
}

struct RealFile {
    const char* path;
    const char* expected;
    const char16_t* offset;
};

void PrintTo(const RealFile& file, std::ostream* out) { *out << file.path; }

class RealData : public ::testing::TestWithParam<RealFile> {
protected:
    static void SetUpTestSuite() { component = new RegisteredComponent(BITSTRINGS_LIBRARY); }
    static void TearDownTestSuite()
    {
        delete component;
        component = nullptr;
    }
    static RegisteredComponent* component;
};
RegisteredComponent* RealData::component = nullptr;

TEST_P(RealData, SheetsMatchTheIndependentDrawing)
{
    const RealFile& file = GetParam();
    const QImage sheet(QString::fromStdString((kTestData / "expected" / file.expected).string()));
    ASSERT_FALSE(sheet.isNull()) << file.expected;

    PumpingUiHost host;
    BinaryRowConverter binary;
    // The first sheet, as loading draws it: 48 per row from position 1, on a
    // surface of Picture1's size (the ROM's tiles lie further in).
    SheetWindow window(385, 321, u"");
    ScriptedCommonDialog cd1;
    cd1.answers.push_back((kTestData / file.path).string());
    Viewer viewer(window, cd1, binary);
    viewer.Load();
    ASSERT_TRUE(host.messageBoxes.empty()) << QString::fromStdU16String(host.messageBoxes[0].text).toStdString();
    if (std::u16string_view(file.offset) == u"1") {
        EXPECT_TRUE(SameTiles(sheet, window.surface, 48));
    }

    // The whole sheet at 16 per row, from the tiles' start.
    SheetWindow whole(129, sheet.height(), file.offset);
    ScriptedCommonDialog wholeDialog;
    wholeDialog.answers.push_back((kTestData / file.path).string());
    Viewer wholeViewer(whole, wholeDialog, binary);
    wholeViewer.Load();
    wholeViewer.ApplyTilesPerRow();
    wholeViewer.ApplyOffset();
    EXPECT_TRUE(SameTiles(sheet, whole.surface, 16));
    EXPECT_TRUE(host.messageBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, RealData,
    ::testing::Values(RealFile{"gb/rgbds-font_nums.2bpp.gb", "rgbds-font_nums.2bpp.gb.png", u"1"},
                      RealFile{"gb/2048-sanqui-tiles.2bpp.gb", "2048-sanqui-tiles.2bpp.gb.png", u"1"},
                      RealFile{"gb/gbtools-parallax.chr.gb", "gbtools-parallax.chr.gb.png", u"1"},
                      RealFile{"gb/sram128-font.2bpp.gb", "sram128-font.2bpp.gb.png", u"1"},
                      RealFile{"nes/cc65-nes-charset.chr.nes", "cc65-nes-charset.chr.nes.png", u"1"},
                      RealFile{"nes/nesstarterkit-sprites.chr.nes", "nesstarterkit-sprites.chr.nes.png", u"1"},
                      RealFile{"nes/ca65example-background.chr.nes", "ca65example-background.chr.nes.png", u"1"},
                      RealFile{"rom/hello-cc65.nes", "hello-cc65.nes@32785.png", u"32785"}));

TEST(BinaryRowConverter, TurnsEveryByteIntoItsBitsThroughTheComponent)
{
    const RegisteredComponent registered(BITSTRINGS_LIBRARY);
    BinaryRowConverter binary;
    std::u16string bits;
    ASSERT_TRUE(binary.RowBits(60, 90, bits)) << QString::fromStdU16String(binary.Failure()).toStdString();
    EXPECT_EQ(bits, u"0011110001011010");
    for (int byte = 0; byte < 256; ++byte) {
        ASSERT_TRUE(binary.RowBits(static_cast<uint8_t>(byte), static_cast<uint8_t>(255 - byte), bits));
        std::u16string expected;
        for (int value : {byte, 255 - byte})
            for (int bit = 7; bit >= 0; --bit) expected.push_back((value >> bit) & 1 ? u'1' : u'0');
        EXPECT_EQ(bits, expected) << byte;
    }
}

TEST(BinaryRowConverter, SaysHowToRegisterAComponentThatIsNotRegistered)
{
    const TempFolder emptyRegistry;
    RegisteredComponent::UseRegistryIn(emptyRegistry);
    BinaryRowConverter binary;
    std::u16string bits;
    EXPECT_FALSE(binary.RowBits(1, 2, bits));
    const std::u16string failure = binary.Failure();
    EXPECT_NE(failure.find(u"not registered"), std::u16string::npos);
    EXPECT_NE(failure.find(u"regsvr build/lib/libbitstrings.so"), std::u16string::npos);
}

}  // namespace

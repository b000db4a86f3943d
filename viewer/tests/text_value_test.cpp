// Numbers from the text boxes, and layout tags from file names.
#include "text_value.h"
#include "tile_layout.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The last two have values past a double's range: their sign of magnitude
// (the digits' and the exponent's together) tells infinity from zero.
TEST(TextValue, ReadsTheLeadingNumber)
{
    const std::pair<std::u16string, double> cases[] = {
        {u"", 0},          {u"48", 48},        {u"1 2", 12},         {u" \t\n7", 7},      {u"-20", -20},
        {u"+5", 5},        {u"- 3", -3},       {u"2.5", 2.5},        {u".5", 0.5},        {u"-.25", -0.25},
        {u"1.2.3", 1.2},   {u"1,5", 1},        {u"1e3", 1000},       {u"1E-2", 0.01},     {u"1 e 2", 100},
        {u"1e", 1},        {u"1e+", 1},        {u"2e1x", 20},        {u"&H1aF", 431},     {u"&hAf", 175},
        {u"&H 1 0", 16},   {u"&O17", 15},      {u"&o8", 0},          {u"&H", 0},          {u"&X1", 0},
        {u"&H1.8", 1},     {u"abc", 0},        {u"12abc", 12},       {u"--1", 0},         {u"\r5", 0},
        {u"1e999", kInfinity},  {u"-1e999", -kInfinity},  {u"1e-999", 0},  {u"0.000e999", 0},
        {u"4294967296", 4294967296.0},  {u"1." + std::u16string(500, u'0') + u"e400", kInfinity},
        {u"0." + std::u16string(3999, u'0') + u"1e3500", 0},
        {u"1" + std::u16string(350, u'0') + u"e-30", kInfinity},  {std::u16string(400, u'0') + u"1e-330", 0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(TextValue(text), value) << std::string(text.begin(), text.end());
}

TEST(LayoutTag, FollowsTheExtensionOnly)
{
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\TILES\\MARIO.NES", "nes"}, {"game.gbc", "gb"}, {"game.GB", "gb"},  {"x.Gbc", "gb"},
        {".gb", "gb"},                   {"font.chr", ""},   {"game.nes.bak", ""}, {"README", ""},
        {"nes", ""},                     {"", ""},           {"tiles.gbcx", ""},
    };
    for (const auto& [path, tag] : cases) EXPECT_EQ(LayoutTagFromPath(path), tag) << path;
}

}  // namespace

// tilebridge-convert as a build script runs it: a process with arguments,
// standard streams and an exit status. TILEBRIDGE_CONVERT names the program;
// with WINE_SESSION set, it runs in that Wine session and is given Windows
// paths.
#include "ordinary_user.h"
#include "temp_folder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/resource.h>

#include <csignal>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const fs::path kTestdata = TILEBRIDGE_TESTDATA;

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A path as the program takes it: under Wine, on the drive that holds the Linux root.
std::string At(const fs::path& path) { return std::getenv("WINE_SESSION") ? "Z:" + path.string() : path.string(); }

// The exit status and what came on standard error, the program's standard
// input and output being the files named.
std::pair<int, std::string> RunTool(std::vector<std::string> args, const fs::path& in = "/dev/null",
                                        const fs::path& out = "/dev/null")
{
    args.insert(args.begin(), std::getenv("TILEBRIDGE_CONVERT"));
    if (const char* session = std::getenv("WINE_SESSION")) args.insert(args.begin(), {session, "run"});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    char errors[] = "/tmp/tilebridge-convert-stderr-XXXXXX";
    close(mkstemp(errors));
    posix_spawn_file_actions_t streams;
    posix_spawn_file_actions_init(&streams);
    posix_spawn_file_actions_addopen(&streams, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&streams, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&streams, 2, errors, O_WRONLY | O_TRUNC, 0);
    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, argv[0], &streams, nullptr, argv.data(), environ) == 0) waitpid(child, &status, 0);
    posix_spawn_file_actions_destroy(&streams);
    const Bytes text = ReadBytes(errors);
    fs::remove(errors);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(text.begin(), text.end())};
}

// The pixel values of a rendered sheet: its palette must be the four shades.
std::vector<Bytes> SheetValues(const fs::path& png)
{
    const QImage image(QString::fromStdString(png.string()));
    const QList<QRgb> shades{0xFFFFFFFF, 0xFFC0C0C0, 0xFF808080, 0xFF000000};
    if (image.format() != QImage::Format_Indexed8 || image.colorTable() != shades) return {};
    std::vector<Bytes> rows;
    for (int y = 0; y < image.height(); ++y) rows.emplace_back(image.scanLine(y), image.scanLine(y) + image.width());
    return rows;
}

// Every shared tile file converted gives the file that the export writes,
// also from standard input to standard output.
TEST(SharedFiles, ConvertAsTheExportDoes)
{
    const TempFolder temp;
    int converted = 0;
    for (const char* subfolder : {"nes", "gb", "rom"}) {
        for (const auto& entry : fs::directory_iterator(kTestdata / subfolder)) {
            const bool nes = entry.path().extension() == ".nes";
            const std::string expected = entry.path().filename().string() + (nes ? ".exported.gb" : ".exported.nes");
            EXPECT_EQ(RunTool({"convert", At(entry.path()), At(temp / "out")}), std::pair(0, std::string()));
            EXPECT_EQ(ReadBytes(temp / "out"), ReadBytes(kTestdata / "expected" / expected)) << entry.path();
            ++converted;
        }
    }
    EXPECT_EQ(converted, 8);
    const fs::path gb = kTestdata / "gb/gbtools-parallax.chr.gb";
    const fs::path nes = kTestdata / "expected/gbtools-parallax.chr.gb.exported.nes";
    EXPECT_EQ(RunTool({"convert", "--layout", "nes", "-", "-"}, nes, temp / "back").first, 0);
    EXPECT_EQ(ReadBytes(temp / "back"), ReadBytes(gb));
}

// The pixel values of the sheet rendered at png are those of the expected
// picture (255, 170, 85 and 0 grey for the values 0 to 3), and it has no
// further rows.
testing::AssertionResult SheetIs(const fs::path& png, const fs::path& expectedPng)
{
    const QImage expected(QString::fromStdString(expectedPng.string()));
    const std::vector<Bytes> rendered = SheetValues(png);
    if (rendered.size() != static_cast<size_t>(expected.height()) || expected.isNull())
        return testing::AssertionFailure() << rendered.size() << " rows, not " << expected.height();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (rendered[y].at(x) != 3 - qGray(expected.pixel(x, y)) / 85)
                return testing::AssertionFailure() << "first difference at " << x << "," << y;
    return testing::AssertionSuccess();
}

// Every shared tile file, rendered with 16 tiles per row from where its tiles
// start, is the sheet that an independent tool drew and that the window
// shows, whole: cells past the last tile have the value 0. Also from
// standard input to standard output.
TEST(SharedFiles, RenderAsTheWindowDraws)
{
    const TempFolder temp;
    for (const std::string file : {"gb/rgbds-font_nums.2bpp.gb", "gb/2048-sanqui-tiles.2bpp.gb",
                                   "gb/gbtools-parallax.chr.gb", "gb/sram128-font.2bpp.gb",
                                   "nes/cc65-nes-charset.chr.nes", "nes/nesstarterkit-sprites.chr.nes",
                                   "nes/ca65example-background.chr.nes", "rom/hello-cc65.nes@32785"}) {
        const size_t at = file.find('@');
        const fs::path path = kTestdata / file.substr(0, at);
        const std::string start = at == std::string::npos ? "1" : file.substr(at + 1);
        const std::vector<std::string> args{"render", "-t16", "-s", start, At(path), At(temp / "out.png")};
        EXPECT_EQ(RunTool(args), std::pair(0, std::string()));
        EXPECT_TRUE(SheetIs(temp / "out.png", kTestdata / "expected" / (fs::path(file).filename().string() + ".png")))
            << file;
    }
    const fs::path nes = kTestdata / "nes/cc65-nes-charset.chr.nes";
    EXPECT_EQ(RunTool({"render", "--tiles-per-row=16", "-l", "nes", "-", "-"}, nes, temp / "in.png").first, 0);
    EXPECT_TRUE(SheetIs(temp / "in.png", kTestdata / "expected/cc65-nes-charset.chr.nes.png"));
}

// What keeps the program, run by an ordinary user, from doing its work is
// one line on standard error that names the file and the cause, with the
// status 1, or 2 for a wrong command line, and nothing is written, also when
// the disk fills (a limit on the size of files) part way. A file of 1 byte
// converts unchanged, as the export writes it, but has no row to render. A
// partial last tile is drawn as far as its rows go.
TEST(Refusals, SayWhyInOneLineAndWriteNothing)
{
    const TempFolder temp;
    const fs::path& folder = temp.Path();
    const std::string p = folder.string() + "/", usage = " (see tilebridge-convert --help)\n";
    // Ends the arguments of a run whose files can't grow past 4096 bytes, as on a full disk.
    const std::string diskFull = "(files of at most 4096 bytes)";
    temp.Write("tiles.nes", Bytes(64 * 1024, 0x5A));
    temp.Write("one.nes", {7});
    temp.Write("tiles.chr", Bytes(32, 1));
    temp.Write("old.gb", {'o', 'l', 'd'});
    temp.Write("kept.gb", {'o', 'l', 'd'});
    temp.Write("short.gb", Bytes(37, 0xFF));
    fs::create_directory(folder / "folder.nes");
    fs::create_directory(folder / "locked");
    ordinary_user::Give(folder);
    fs::permissions(folder / "old.gb", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"convert", p + "missing.nes", p + "out.gb"}, 1, p + "missing.nes: File not found\n"},
        {{"convert", p + "folder.nes", p + "out.gb"}, 1, p + "folder.nes: Path/File access error\n"},
        {{"convert", p + "tiles.nes", p + "old.gb"}, 1, p + "old.gb: Path/File access error\n"},
        {{"render", p + "tiles.nes", p + "locked/out.png"}, 1, p + "locked/out.png: Permission denied\n"},
        {{"render", p + "tiles.nes", p + "folder.nes"}, 1, p + "folder.nes: Path/File access error\n"},
        {{"render", p + "one.nes", p + "out.png"}, 1,
         p + "one.nes: no tile row to draw from position 1 on: it holds 1 byte\n"},
        {{"render", "-s65537", p + "tiles.nes", "-"}, 1,
         p + "tiles.nes: no tile row to draw from position 65537 on: it holds 65536 bytes\n"},
        {{"convert", p + "tiles.nes", p + "kept.gb", diskFull}, 1, p + "kept.gb: Disk full\n"},
        {{"convert", p + "tiles.chr", p + "out.gb"}, 2,
         p + "tiles.chr: no layout from the name; give it with --layout nes or --layout gb" + usage},
        {{"render", "-l", "chr", p + "tiles.chr", "-"}, 2, "the layout is nes or gb, not 'chr'" + usage},
        {{"render", "-t", "7", p + "tiles.nes", "-"}, 2,
         "the tiles per row are a whole number from 8 to 4096, not '7'" + usage},
        {{"render", "--start=0", p + "tiles.nes", "-"}, 2, "the start is a position from 1, not '0'" + usage},
        {{"render", p + "tiles.nes", "-s"}, 2, "the option -s needs a value" + usage},
        {{"render", "--offset=2", p + "tiles.nes", "-"}, 2, "unknown option --offset" + usage},
        {{"convert", p + "tiles.nes"}, 2, "the command convert needs an INPUT and an OUTPUT" + usage},
        {{"show", p + "tiles.nes", "-"}, 2, "unknown command show: convert or render" + usage},
        {{"convert", p + "one.nes", p + "one.gb"}, 0, ""},
        {{"render", "-t", "8", p + "short.gb", p + "short.png"}, 0, ""},
    };
    for (const auto& [args, status, error] : cases) {
        const bool limited = args.back() == diskFull;
        const std::string result = ordinary_user::Run([&] {
            const rlimit limit{4096, 4096};
            if (limited && (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0))
                return std::string("(no file-size limit)");
            const auto [got, text] = RunTool(limited ? std::vector(args.begin(), args.end() - 1) : args);
            return std::to_string(got) + " " + text;
        });
        EXPECT_EQ(result, std::to_string(status) + (error.empty() ? " " : " tilebridge-convert: " + error)) << args[1];
    }
    const Bytes old{'o', 'l', 'd'};
    EXPECT_EQ(std::tuple(ReadBytes(folder / "one.gb"), ReadBytes(folder / "old.gb"), ReadBytes(folder / "kept.gb")),
              std::tuple(Bytes{7}, old, old));
    EXPECT_TRUE(fs::is_empty(folder / "locked") && fs::is_empty(folder / "folder.nes"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 10);
    // Two tiles of 0xFF and two rows of a third, in a band of eight cells.
    const std::vector<Bytes> sheet = SheetValues(folder / "short.png");
    ASSERT_EQ(sheet.size(), 8u);
    for (size_t y = 0; y < 8; ++y) {
        Bytes row(64, 0);
        std::fill_n(row.begin(), y < 2 ? 24 : 16, 3);
        EXPECT_EQ(sheet[y], row) << y;
    }
}

}  // namespace

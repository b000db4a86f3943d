// Sets the predeclared-instance flag (TYPEFLAG_FPREDECLID) on every coclass
// of a type library file, in place. The IDL compiler has no attribute for
// it, so the build sets it after compiling the interface description.
//
// The file is in the MSFT format: a header, one offset per type, a segment
// directory whose first segment is the table of type entries, and in each
// entry the type kind at 0x00 and the type flags at 0x30.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr std::uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr std::size_t kTypeCountOffset = 0x20;
constexpr std::size_t kLibraryFlagsOffset = 0x14;
constexpr std::size_t kHeaderSize = 0x54;
constexpr std::uint32_t kHelpDllFlag = 0x100;
constexpr std::size_t kTypeEntrySize = 0x64;
constexpr std::size_t kTypeFlagsOffset = 0x30;
constexpr std::uint32_t kTypeKindMask = 0xF;
constexpr std::uint32_t kCoclass = 5;  // TKIND_COCLASS
constexpr std::uint32_t kPredeclared = 0x8;  // TYPEFLAG_FPREDECLID

bool ReadWord(const std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t& value)
{
    if (at + 4 > bytes.size()) return false;
    value = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    return true;
}

void WriteWord(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The number of coclasses marked, or -1 when the file is no MSFT type library.
int MarkCoclasses(std::vector<unsigned char>& bytes)
{
    std::uint32_t magic = 0, typeCount = 0, libraryFlags = 0;
    if (!ReadWord(bytes, 0, magic) || magic != kMagic || !ReadWord(bytes, kTypeCountOffset, typeCount) ||
        !ReadWord(bytes, kLibraryFlagsOffset, libraryFlags)) {
        return -1;
    }
    const std::size_t segmentDirectory =
        kHeaderSize + ((libraryFlags & kHelpDllFlag) != 0 ? 4 : 0) + 4 * static_cast<std::size_t>(typeCount);
    std::uint32_t tableOffset = 0, tableLength = 0;
    if (!ReadWord(bytes, segmentDirectory, tableOffset) || !ReadWord(bytes, segmentDirectory + 4, tableLength) ||
        tableLength != typeCount * kTypeEntrySize || tableOffset + std::size_t{tableLength} > bytes.size()) {
        return -1;
    }
    int marked = 0;
    for (std::size_t entry = tableOffset; entry < tableOffset + std::size_t{tableLength}; entry += kTypeEntrySize) {
        std::uint32_t kind = 0, flags = 0;
        ReadWord(bytes, entry, kind);
        ReadWord(bytes, entry + kTypeFlagsOffset, flags);
        if ((kind & kTypeKindMask) != kCoclass) continue;
        WriteWord(bytes, entry + kTypeFlagsOffset, flags | kPredeclared);
        ++marked;
    }
    return marked;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TYPELIB.tlb\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.eof() && in.fail()) {
        std::fprintf(stderr, "%s: can't read %s\n", argv[0], argv[1]);
        return 1;
    }
    const int marked = MarkCoclasses(bytes);
    if (marked <= 0) {
        std::fprintf(stderr, "%s: %s holds no coclass of an MSFT type library\n", argv[0], argv[1]);
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: can't write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}

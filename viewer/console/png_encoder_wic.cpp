#include "png_encoder.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <limits>

namespace {

// Releases a COM object when it goes.
template <class Interface>
class Owned {
public:
    Owned() = default;
    ~Owned()
    {
        if (object_) object_->Release();
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Interface* operator->() const { return object_; }
    Interface* get() const { return object_; }
    Interface** out() { return &object_; }
    void** outVoid() { return reinterpret_cast<void**>(&object_); }

private:
    Interface* object_ = nullptr;
};

// COM for this thread while the encoder runs.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // Also when another part of the program set COM up differently before.
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    const HRESULT hr_;
};

constexpr UINT kRowsPerWrite = 256;

// Pixel values four to a byte, the leftmost in the top two bits.
void PackRows(const WholeSheet& sheet, UINT first, UINT count, UINT stride, std::vector<BYTE>& packed)
{
    packed.assign(static_cast<size_t>(stride) * count, 0);
    const auto width = static_cast<size_t>(sheet.width);
    for (UINT row = 0; row < count; ++row) {
        const uint8_t* values = sheet.values.data() + (static_cast<size_t>(first) + row) * width;
        BYTE* out = packed.data() + static_cast<size_t>(row) * stride;
        for (size_t x = 0; x < width; ++x) out[x / 4] |= static_cast<BYTE>(values[x] << (6 - 2 * (x % 4)));
    }
}

bool Encode(const WholeSheet& sheet, IStream* stream)
{
    Owned<IWICImagingFactory> factory;
    Owned<IWICBitmapEncoder> encoder;
    Owned<IWICBitmapFrameEncode> frame;
    Owned<IPropertyBag2> options;
    Owned<IWICPalette> palette;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.outVoid())) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) ||
        FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.out(), options.out())) || FAILED(frame->Initialize(options.get())))
        return false;
    const auto width = static_cast<UINT>(sheet.width), height = static_cast<UINT>(sheet.height);
    WICPixelFormatGUID format = GUID_WICPixelFormat2bppIndexed;
    // The encoder names another format when it can't take this one.
    if (FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format)) ||
        format != GUID_WICPixelFormat2bppIndexed)
        return false;
    WICColor colours[4];
    for (size_t value = 0; value < 4; ++value) {
        const Colour shade = kSheetShades[value];
        colours[value] = 0xFF000000 | (shade & 0xFF) << 16 | (shade & 0xFF00) | (shade >> 16 & 0xFF);
    }
    if (FAILED(factory->CreatePalette(palette.out())) || FAILED(palette->InitializeCustom(colours, 4)) ||
        FAILED(frame->SetPalette(palette.get())))
        return false;
    const UINT stride = (width + 3) / 4;
    std::vector<BYTE> packed;
    for (UINT first = 0; first < height; first += kRowsPerWrite) {
        const UINT count = std::min(kRowsPerWrite, height - first);
        PackRows(sheet, first, count, stride, packed);
        if (FAILED(frame->WritePixels(count, stride, static_cast<UINT>(packed.size()), packed.data()))) return false;
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool EncodePng(const WholeSheet& sheet, std::vector<uint8_t>& png)
{
    constexpr int64_t kLargest = std::numeric_limits<INT>::max();
    if (sheet.width > kLargest || sheet.height > kLargest) return false;
    const ComScope com;
    Owned<IStream> stream;
    if (!com.Usable() || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) || !Encode(sheet, stream.get()))
        return false;
    STATSTG status{};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME)) || status.cbSize.QuadPart > png.max_size()) return false;
    png.resize(static_cast<size_t>(status.cbSize.QuadPart));
    ULONG got = 0;
    const LARGE_INTEGER start{};
    return SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) &&
           SUCCEEDED(stream->Read(png.data(), static_cast<ULONG>(png.size()), &got)) && got == png.size();
}

#include "picture_box.h"

#include <QEvent>
#include <QPainter>

namespace {

constexpr int kFrameMilliseconds = 16;

QRgb FromColour(Colour colour)
{
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

Colour ToColour(QRgb rgb)
{
    return static_cast<Colour>(qRed(rgb)) | static_cast<Colour>(qGreen(rgb)) << 8 |
           static_cast<Colour>(qBlue(rgb)) << 16;
}

}  // namespace

SystemShades ShadesFromPalette(const QPalette& palette)
{
    const SystemShades shades{palette.color(QPalette::Active, QPalette::HighlightedText).rgb(),
                              palette.color(QPalette::Active, QPalette::Button).rgb(),
                              palette.color(QPalette::Active, QPalette::Dark).rgb()};
    const bool apart =
        SchemeKeepsPixelValuesApart(ToColour(shades.background), ToColour(shades.buttonFace), ToColour(shades.workspace));
    return apart ? shades : kClassicShades;
}

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), image_(kWidth, kHeight, QImage::Format_RGB32), shades_(ShadesFromPalette(palette()))
{
    pixels_ = reinterpret_cast<QRgb*>(image_.bits());
    stride_ = image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(kFrameMilliseconds);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] {
        dirty_ = false;
        update();
    });
    image_.fill(shades_.background);
}

bool PictureBox::Resolve(Colour colour, QRgb& rgb) const
{
    switch (colour) {
    case kHighlightTextColour: rgb = shades_.background; return true;
    case kButtonFaceColour: rgb = shades_.buttonFace; return true;
    case kAppWorkspaceColour: rgb = shades_.workspace; return true;
    default:
        // Other system colours have no use here; like an invalid value, they draw nothing.
        if (IsSystemColour(colour) || colour == kNoColour) return false;
        rgb = FromColour(colour);
        return true;
    }
}

void PictureBox::PSet(float x, float y, Colour colour)
{
    if (!(x >= 0 && y >= 0 && x < kWidth && y < kHeight)) return;
    QRgb rgb;
    if (!Resolve(colour, rgb)) return;
    pixels_[static_cast<qsizetype>(y) * stride_ + static_cast<qsizetype>(x)] = rgb;
    MarkDirty();
}

Colour PictureBox::Point(float x, float y)
{
    if (!(x >= 0 && y >= 0 && x < kWidth && y < kHeight)) return kNoColour;
    return ToColour(pixels_[static_cast<qsizetype>(y) * stride_ + static_cast<qsizetype>(x)]);
}

PixelGrid PictureBox::Pixels()
{
    // Format_RGB32 keeps 0xFFRRGGBB, which is the grid's layout.
    return {pixels_, stride_, kWidth, kHeight, FromColour(QBColor(0)), shades_.buttonFace, shades_.workspace};
}

void PictureBox::Cls()
{
    image_.fill(shades_.background);
    MarkDirty();
}

void PictureBox::MarkDirty()
{
    if (dirty_) return;
    dirty_ = true;
    repaintTimer_.start();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void PictureBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) shades_ = ShadesFromPalette(palette());
    QWidget::changeEvent(event);
}

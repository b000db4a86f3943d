// Picture1: the drawing surface of the window, a 385 x 321 pixel area backed
// by a persistent image, so that a covered picture comes back when the
// window is repainted. System colours are resolved from the application's
// palette and refreshed when the palette changes.
#pragma once

#include "drawing_surface.h"
#include "system_shades.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>

// The RGB values of the three system colours the tile drawing uses.
struct SystemShades {
    QRgb background;  // colour 14, highlighted text
    QRgb buttonFace;  // colour 15
    QRgb workspace;   // colour 12, application workspace

    friend bool operator==(const SystemShades&, const SystemShades&) = default;
};

// The classic scheme's values: white and two greys (the same in either
// byte order).
inline constexpr SystemShades kClassicShades{0xFFFFFFFF, 0xFF000000 | kClassicButtonFace,
                                             0xFF000000 | kClassicWorkspace};

// The palette's highlighted text, button and dark (workspace) colours, or the
// classic values for all three when they would not keep the four pixel
// values apart (SchemeKeepsPixelValuesApart).
SystemShades ShadesFromPalette(const QPalette& palette);

class PictureBox : public QWidget, public DrawingSurface {
    Q_OBJECT
public:
    static constexpr int kWidth = 385;
    static constexpr int kHeight = 321;

    explicit PictureBox(QWidget* parent = nullptr);

    void PSet(float x, float y, Colour colour) override;
    Colour Point(float x, float y) override;
    void Cls() override;
    PixelGrid Pixels() override;
    void PixelsWritten() override { MarkDirty(); }

    // A copy of the picture as it stands.
    QImage Snapshot() const { return image_.copy(); }
    SystemShades Shades() const { return shades_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool Resolve(Colour colour, QRgb& rgb) const;
    void MarkDirty();

    QImage image_;
    // Rows of image_, written in place: the image is never shared, so it
    // never detaches.
    QRgb* pixels_;
    qsizetype stride_;
    SystemShades shades_;
    // Rows are drawn far faster than a screen shows them, so repaints wait
    // for this one-frame timer instead of following every pixel.
    QTimer repaintTimer_;
    bool dirty_ = false;
};

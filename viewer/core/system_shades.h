// The desktop scheme's colours that a tile sheet shows, and the classic
// values that stand in for them when the scheme's would blur the four pixel
// values: a surface must read back white where it was cleared, and the two
// middle shades must differ from each other and from black and white.
#pragma once

#include "drawing_surface.h"

// The classic scheme's button face and application workspace.
inline constexpr Colour kClassicButtonFace = 0xC0C0C0;
inline constexpr Colour kClassicWorkspace = 0x808080;

// background is system colour 14 (highlighted text), buttonFace colour 15,
// workspace colour 12, each as 0x00BBGGRR.
constexpr bool SchemeKeepsPixelValuesApart(Colour background, Colour buttonFace, Colour workspace)
{
    constexpr Colour black = QBColor(0);
    constexpr Colour white = QBColor(15);
    return background == white && buttonFace != workspace && buttonFace != black && buttonFace != white &&
           workspace != black && workspace != white;
}

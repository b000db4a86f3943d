// Driving the X display that DISPLAY names as a person would: xdotool for
// keys and the mouse, ImageMagick's import for screenshots. Every command
// and every wait has a deadline, so a test never depends on fixed sleeps
// and never hangs.
#pragma once

#include <QImage>
#include <QRect>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// Runs a shell command; its standard output, or nothing when it failed.
std::optional<std::string> Capture(const std::string& command);
std::string Quote(const std::string& text);

// Polls until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Runs an X client.
inline std::optional<std::string> X(const std::string& command)
{
    return Capture("timeout 20 " + command + " 2>/dev/null");
}

// The visible windows of that name.
std::vector<std::string> FindWindows(const std::string& name);
std::optional<std::string> WaitForWindow(const std::string& name, std::chrono::milliseconds timeout);
// The window's area on the screen.
std::optional<QRect> Geometry(const std::string& window);
QImage Screenshot(const QRect& area);

inline void Focus(const std::string& window) { X("xdotool windowfocus --sync " + window); }
inline void Type(const std::string& text) { X("xdotool type --delay 30 -- " + Quote(text)); }
inline void Keys(const std::string& keys) { X("xdotool key --delay 60 " + keys); }
// The X server handles the move before the click; --sync would wait for a
// move where the pointer is already.
inline void Click(QPoint at)
{
    X("xdotool mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
}
// The close request that a window manager's close box sends.
void RequestClose(const std::string& window);

}  // namespace e2e

#include "x_session.h"

#include <X11/Xlib.h>

#include <regex>
#include <sstream>
#include <thread>

namespace e2e {

std::optional<std::string> Capture(const std::string& command)
{
    QProcess shell;
    shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    shell.start("sh", {"-c", QString::fromStdString(command)});
    shell.waitForFinished(-1);
    if (shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0) return std::nullopt;
    return shell.readAllStandardOutput().toStdString();
}

std::string Quote(const std::string& text)
{
    return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
}

XSession::XSession()
{
    // Xvfb picks a free display and writes its number to the given descriptor.
    xvfb_.setStandardErrorFile(QProcess::nullDevice());
    xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
    QByteArray number;
    while (!number.contains('\n') && xvfb_.waitForReadyRead(15000)) number += xvfb_.readAllStandardOutput();
    if (number.trimmed().isEmpty()) return;
    display_ = ":" + number.trimmed().toStdString();
}

XSession::~XSession()
{
    xvfb_.terminate();
    xvfb_.waitForFinished();
}

std::optional<std::string> XSession::X(const std::string& command) const
{
    return Capture("DISPLAY=" + display_ + " timeout 20 " + command + " 2>/dev/null");
}

std::vector<std::string> XSession::FindWindows(const std::string& name) const
{
    std::vector<std::string> windows;
    // xdotool matches names without regard to case, and the main window's
    // title differs from the message boxes' only in the case of one letter.
    const std::regex exact(name);
    std::istringstream lines(X("xdotool search --onlyvisible --name " + Quote("^" + name + "$")).value_or(""));
    for (std::string line; std::getline(lines, line);) {
        std::string title = X("xdotool getwindowname " + line).value_or("");
        if (!title.empty() && title.back() == '\n') title.pop_back();
        if (std::regex_match(title, exact)) windows.push_back(line);
    }
    return windows;
}

std::optional<std::string> XSession::WaitForWindow(const std::string& name, std::chrono::milliseconds timeout) const
{
    std::optional<std::string> window;
    WaitUntil(
        [&] {
            const std::vector<std::string> windows = FindWindows(name);
            if (!windows.empty()) window = windows.back();
            return window.has_value();
        },
        timeout);
    return window;
}

std::optional<QRect> XSession::Geometry(const std::string& window) const
{
    static const std::regex fields(R"(Absolute upper-left X:\s*(-?\d+)[\s\S]*?Absolute upper-left Y:\s*(-?\d+)[\s\S]*?Width:\s*(\d+)[\s\S]*?Height:\s*(\d+))");
    const std::string info = X("xwininfo -id " + window).value_or("");
    std::smatch field;
    if (!std::regex_search(info, field, fields)) return std::nullopt;
    return QRect(std::stoi(field[1]), std::stoi(field[2]), std::stoi(field[3]), std::stoi(field[4]));
}

QImage XSession::Screenshot() const
{
    const std::string png = X("import -window root png:-").value_or("");
    return QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

std::optional<QImage> XSession::SettledArea(const QRect& area, std::chrono::milliseconds timeout) const
{
    std::optional<QImage> settled;
    QImage previous = Screenshot().copy(area);
    WaitUntil(
        [&] {
            std::this_thread::sleep_for(150ms);
            QImage current = Screenshot().copy(area);
            if (!current.isNull() && current == previous) settled = current;
            previous = std::move(current);
            return settled.has_value();
        },
        timeout);
    return settled;
}

void XSession::Focus(const std::string& window) const { X("xdotool windowfocus --sync " + window); }

void XSession::Type(const std::string& text) const { X("xdotool type --delay 30 -- " + Quote(text)); }

void XSession::Keys(const std::string& keys) const { X("xdotool key --delay 60 " + keys); }

void XSession::Click(int x, int y) const
{
    X("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void XSession::RequestClose(const std::string& window) const
{
    Display* connection = XOpenDisplay(display_.c_str());
    if (!connection) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, event.xclient.window, False, NoEventMask, &event);
    XFlush(connection);
    XCloseDisplay(connection);
}

Program::Program(const XSession& session, const std::vector<std::string>& command,
                 const std::vector<std::string>& environment)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const std::string& variable : environment) {
        const auto equals = variable.find('=');
        variables.insert(QString::fromStdString(variable.substr(0, equals)),
                         QString::fromStdString(variable.substr(equals + 1)));
    }
    variables.insert("DISPLAY", QString::fromStdString(session.display()));
    variables.insert("QT_QPA_PLATFORM", "xcb");
    QStringList arguments;
    for (const std::string& argument : command) arguments.append(QString::fromStdString(argument));
    process_.setProcessEnvironment(variables);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(arguments.takeFirst(), arguments);
}

Program::~Program()
{
    process_.kill();
    process_.waitForFinished();
}

std::optional<int> Program::WaitForExit(std::chrono::milliseconds timeout)
{
    if (process_.error() == QProcess::FailedToStart ||
        (process_.state() != QProcess::NotRunning && !process_.waitForFinished(static_cast<int>(timeout.count())))) {
        return std::nullopt;
    }
    // A program that crashed has no exit status of its own.
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

} // namespace e2e

// tilebridge-convert: converts and renders tile files from a console; see
// converter_tool.h.
#include "converter_tool.h"

#if defined(_WIN32)
#include <windows.h>

// The arguments as the system has them, in UTF-16, so that every file name
// reaches the file table whatever the console's code page.
int wmain(int argc, wchar_t* argv[])
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), size, nullptr, nullptr);
        arg.pop_back();
        // The system's own tools ask for their help with /?.
        args.push_back(arg == "/?" ? "--help" : arg);
    }
    return RunConverter(args);
}
#else
int main(int argc, char* argv[])
{
    return RunConverter(std::vector<std::string>(argv + 1, argv + argc));
}
#endif

// The Qt program in a real window on a display of the test's own (Xvfb).
//
// The program is the one built beside this test, with the component
// registered in a registry of the test's own; or, when TILEBRIDGE_PROGRAM
// names one, an installed program, with nothing registered for the user, so
// that it finds the component through the machine's registration. A file is
// opened with it as a desktop does, by the command of the desktop entry of
// its tree, which names the program: PATH must lead to it.
#include "form1_window.h"

#include <QProcess>

#include <cstdlib>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace e2e {

namespace {

const char* const kInstalledProgram = std::getenv("TILEBRIDGE_PROGRAM");

// The home folder and the registry are set in this process's environment,
// which the program and regsvr inherit.
struct QtBuild : Build {
    QtBuild()
    {
        // Xvfb picks a free display and writes its number to the given descriptor.
        xvfb.setStandardErrorFile(QProcess::nullDevice());
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
        QByteArray number;
        while (!number.contains('\n') && xvfb.waitForReadyRead(15000)) number += xvfb.readAllStandardOutput();
        if (!number.trimmed().isEmpty()) display = ":" + number.trimmed().toStdString();
        command = {kInstalledProgram ? kInstalledProgram : TILEBRIDGE_BIN};
        std::ifstream entry(kInstalledProgram ? fs::path(kInstalledProgram).parent_path() / "../share/applications" /
                                                    fs::path(DESKTOP_ENTRY).filename()
                                              : fs::path(DESKTOP_ENTRY));
        for (std::string line; std::getline(entry, line);)
            if (line.starts_with("Exec=")) openWith = QProcess::splitCommand(QString::fromStdString(line.substr(5)));
        work = fs::temp_directory_path() / ("tilebridge-e2e-" + std::to_string(getpid()));
        start = step = 20s;
        fs::create_directories(work / "share");
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("HOME", work.c_str(), 1);
        setenv("XDG_DATA_HOME", (work / "share").c_str(), 1);
        if (kInstalledProgram) return;
        setenv("COM_MACHINE_REGISTRY_DIR", (work / "machine").c_str(), 1);
        registered = Capture(Quote(REGSVR_BIN) + " " + Quote(COMPONENT_LIBRARY)).has_value();
    }

    ~QtBuild() override
    {
        xvfb.terminate();
        xvfb.waitForFinished();
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }

    bool Register(bool wanted) override { return wanted && registered; }

    QProcess xvfb;
    bool registered = true;
};

}  // namespace

std::unique_ptr<Build> MakeBuild() { return std::make_unique<QtBuild>(); }

std::vector<Scenario> BuildScenarios()
{
    return {{.name = "ClosingDuringALongWalkEndsAtOnce", .openAs = "big.gb", .randomMiB = 64, .endsWithin = 5s}};
}

}  // namespace e2e

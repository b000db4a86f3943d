#include "registration_hint.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A path as one word of a shell command: quoted unless it holds only
// characters that the shell takes as they are.
QString ShellWord(const QString& path)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:=@%-]+$"));
    if (plain.match(path).hasMatch()) return path;
    return '\'' + QString(path).replace('\'', QStringLiteral("'\\''")) + '\'';
}

}  // namespace

WideText RegistrationHint(const QString& programFolder)
{
    const QDir bin(programFolder);
    // The installed tree keeps the library in a folder of its own under the
    // library folder; the build puts it in the build's lib folder. A tree
    // without it is taken for an installed one, where the package puts it.
    QString library = QDir::cleanPath(bin.filePath(TILEBRIDGE_INSTALLED_LIBDIR "/" TILEBRIDGE_COMPONENT_NAME));
    const QString built = QDir::cleanPath(bin.filePath(TILEBRIDGE_BUILT_LIBDIR "/" TILEBRIDGE_COMPONENT_NAME));
    if (!QFileInfo::exists(library) && QFileInfo::exists(built)) library = built;
    const QString regsvr = QDir::cleanPath(bin.filePath(TILEBRIDGE_REGSVR_NAME));
    return ("Register it with:\n    " + ShellWord(regsvr) + ' ' + ShellWord(library)).toStdU16String();
}

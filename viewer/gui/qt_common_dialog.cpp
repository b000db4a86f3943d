#include "qt_common_dialog.h"

#include <QFile>
#include <QFileDialog>

QStringList QtNameFilters(std::u16string_view filter)
{
    const QStringList parts = QString::fromUtf16(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';');
        // The platform's dialog reads *.* as every file; Qt would match its
        // dot literally and hide names without one, such as README.
        for (QString& pattern : patterns) {
            if (pattern == u"*.*") pattern = QStringLiteral("*");
        }
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    return filters;
}

std::string QtCommonDialog::ShowOpen() { return Show(false); }

std::string QtCommonDialog::ShowSave() { return Show(true); }

std::string QtCommonDialog::Show(bool save)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Saving may name a new file, and replacing an existing one is confirmed.
    dialog.setFileMode(!save && (flags & kFileMustExist) != 0 ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(QtNameFilters(filter));
    if (!fileName.empty()) dialog.selectFile(QFile::decodeName(fileName.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    fileName = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    return fileName;
}

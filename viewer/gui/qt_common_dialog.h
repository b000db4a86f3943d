// cd1 over QFileDialog.
#pragma once

#include "common_dialog.h"

#include <QStringList>

#include <string_view>

class QWidget;

// "Desc|pattern|Desc|pattern|..." as Qt's name filters "Desc (pattern)",
// entry by entry; several patterns joined by ";" are listed with blanks, and
// the pattern *.* of every file becomes Qt's *.
QStringList QtNameFilters(std::u16string_view filter);

class QtCommonDialog final : public CommonDialog {
public:
    explicit QtCommonDialog(QWidget* parent = nullptr) : parent_(parent) {}

    void SetParent(QWidget* parent) { parent_ = parent; }

    std::string ShowOpen() override;
    std::string ShowSave() override;

private:
    std::string Show(bool save);

    QWidget* parent_;
};

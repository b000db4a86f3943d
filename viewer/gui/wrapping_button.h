// A push button whose caption breaks into lines where it is wider than the
// button, as "Export Converted" does on its narrow button.
#pragma once

#include <QPushButton>

class WrappingButton final : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

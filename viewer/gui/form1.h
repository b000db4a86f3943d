// Form1, the program's one window: the drawing surface Picture1, the export
// button, the tiles-per-row and offset boxes with their buttons, the divider
// Line1 and the Format menu, at their fixed places in a 491 x 390 client
// area. Its events go to the Viewer's handlers.
#pragma once

#include "viewer.h"

#include <QMainWindow>

class PictureBox;
class QFrame;
class QLineEdit;
class QPushButton;

class Form1 final : public QMainWindow, public ViewerWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 491;
    static constexpr int kClientHeight = 390;

    Form1(CommonDialog& cd1, RowConverter& converter, QWidget* parent = nullptr);
    ~Form1() override;

    // The load step: asks for the file, unless the arguments name it, and
    // draws the first sheet. When it returns, the program has either ended
    // or goes on in the event loop.
    void Load(const std::vector<std::string>& arguments = {});
    const Viewer& viewer() const { return viewer_; }

    DrawingSurface& Picture1() override;
    std::u16string TilesText() const override;
    void SetTilesText(const std::u16string& text) override;
    std::u16string OffsetText() const override;
    void ShowWindow() override;
    void EndProgram() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void BuildControls(QWidget* client);

    PictureBox* picture1_ = nullptr;
    QPushButton* exportconvert_ = nullptr;
    QLineEdit* tilestxt_ = nullptr;
    QPushButton* command1_ = nullptr;
    QLineEdit* offsettxt_ = nullptr;
    QPushButton* command2_ = nullptr;
    QFrame* line1_ = nullptr;
    Viewer viewer_;
};

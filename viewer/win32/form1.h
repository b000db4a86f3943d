// Form1 on Windows: a top-level window of the Windows API with the drawing
// surface Picture1, the export button, the tiles-per-row and offset boxes
// with their buttons, the divider Line1 and the Format menu, at their fixed
// places in a 491 x 390 client area. Its events go to the Viewer's handlers.
#pragma once

#include "picture_box.h"
#include "viewer.h"

#include <windows.h>

#include <memory>

class Form1 final : public ViewerWindow {
public:
    static constexpr int kClientWidth = 491;
    static constexpr int kClientHeight = 390;

    Form1(HINSTANCE instance, CommonDialog& cd1, RowConverter& converter);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    HWND Handle() const { return window_; }
    // False when the system refused to make the window or one of its
    // controls: there is then no window to load.
    bool Created() const;
    // The load step: asks for the file, unless the arguments name it, and
    // draws the first sheet. When it returns, the program has either ended
    // or goes on in the message loop.
    void Load(const std::vector<std::string>& arguments = {}) { viewer_.Load(arguments); }
    const Viewer& viewer() const { return viewer_; }

    DrawingSurface& Picture1() override { return *picture1_; }
    WideText TilesText() const override;
    void SetTilesText(const WideText& text) override;
    WideText OffsetText() const override;
    void ShowWindow() override;
    void EndProgram() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR form);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildMenu();
    void BuildControls(HINSTANCE instance);
    HWND Place(HINSTANCE instance, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle,
               int left, int top, int width, int height, int id);
    void PaintLine1();

    HWND window_ = nullptr;
    HCURSOR penCursor_ = nullptr;
    HFONT defaultFont_ = nullptr;
    HFONT tilesFont_ = nullptr;
    std::unique_ptr<PictureBox> picture1_;
    HWND exportconvert_ = nullptr;
    HWND tilestxt_ = nullptr;
    HWND command1_ = nullptr;
    HWND offsettxt_ = nullptr;
    HWND command2_ = nullptr;
    // The control that had the focus when the window was last deactivated.
    HWND focused_ = nullptr;
    Viewer viewer_;
};

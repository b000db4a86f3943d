#include <qt_ui_host.h>

#include <uihost.h>
#include <winuser.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <utility>

#include <gtest/gtest.h>

namespace {

class QtUiHostTest : public testing::Test {
protected:
    QtUiHostTest() { InstallQtUiHost(); }
    ~QtUiHostTest() override { SetUiHost(nullptr); }
};

TEST_F(QtUiHostTest, MessageBoxShowsTextCaptionIconAndOkOnly)
{
    const std::pair<UINT, QMessageBox::Icon> cases[] = {
        {MB_OK, QMessageBox::NoIcon}, {MB_ICONERROR, QMessageBox::Critical}, {MB_ICONQUESTION, QMessageBox::Question},
        {MB_ICONWARNING, QMessageBox::Warning}, {MB_ICONINFORMATION, QMessageBox::Information},
    };
    for (const auto& [type, icon] : cases) {
        // Clicks OK as soon as the box is shown.
        QString shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                shown = QString("%1|%2|%3|%4").arg(box->text(), box->windowTitle()).arg(box->icon());
                shown = shown.arg(box->standardButtons());
                box->button(QMessageBox::Ok)->click();
            }
        });
        poll.start(1);
        EXPECT_EQ(MessageBoxW(nullptr, u"Password Incorrect", u"Stopping", type), IDOK);
        EXPECT_EQ(shown, QString("Password Incorrect|Stopping|%1|%2").arg(icon).arg(QMessageBox::Ok)) << type;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

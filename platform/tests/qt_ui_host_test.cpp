#include <qt_ui_host.h>

#include <uihost.h>
#include <winuser.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

namespace {

// Runs action on the modal dialog of type Dialog as soon as it is shown.
template <typename Dialog>
void WhenShown(std::function<void(Dialog&)> action)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            action(*dialog);
        }
    });
    poll->start(1);
}

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
        QString shown;
        WhenShown<QMessageBox>([&](QMessageBox& box) {
            shown = QString("%1|%2|%3|%4").arg(box.text(), box.windowTitle()).arg(box.icon()).arg(box.standardButtons());
            box.button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(MessageBoxW(nullptr, u"Password Incorrect", u"Stopping", type), IDOK);
        EXPECT_EQ(shown, QString("Password Incorrect|Stopping|%1|%2").arg(icon).arg(QMessageBox::Ok)) << type;
    }
}

// Answers a prompt by typing text (beyond ASCII, which key clicks can't
// produce, as if pasted) and clicking button (NoButton: closing the dialog);
// gives the result and the answer, "(null)" for none.
std::pair<HRESULT, std::u16string> Prompt(const QString& typed, QDialogButtonBox::StandardButton button)
{
    QString shown;
    WhenShown<QInputDialog>([&](QInputDialog& dialog) {
        shown = dialog.labelText() + "|" + dialog.windowTitle();
        auto* edit = dialog.findChild<QLineEdit*>();
        for (QChar c : typed) c.unicode() < 0x80 ? QTest::keyClicks(edit, QString(c)) : edit->insert(QString(c));
        if (button == QDialogButtonBox::NoButton)
            dialog.close();
        else
            dialog.findChild<QDialogButtonBox*>()->button(button)->click();
    });
    BSTR text = reinterpret_cast<BSTR>(&shown);  // not null, to see that a cancel clears it
    const HRESULT hr = InputBoxW(u"What is the password?", u"Password Needed", &text);
    EXPECT_EQ(shown, "What is the password?|Password Needed");
    const std::u16string answer = text ? std::u16string(text, SysStringLen(text)) : u"(null)";
    SysFreeString(text);
    return {hr, answer};
}

TEST_F(QtUiHostTest, PromptTellsCancelFromAnEmptyAnswer)
{
    using Answer = std::pair<HRESULT, std::u16string>;
    EXPECT_EQ(Prompt("Secret\u00e91", QDialogButtonBox::Ok), Answer(S_OK, u"Secret\u00e91"));
    EXPECT_EQ(Prompt("", QDialogButtonBox::Ok), Answer(S_OK, u""));
    EXPECT_EQ(Prompt("typed", QDialogButtonBox::Cancel), Answer(S_FALSE, u"(null)"));
    EXPECT_EQ(Prompt("typed", QDialogButtonBox::NoButton), Answer(S_FALSE, u"(null)"));
}

TEST_F(QtUiHostTest, EventPumpRunsPendingEventsAfterAPause)
{
    using namespace std::chrono_literals;
    int delivered = 0;
    const auto post = [&] { QMetaObject::invokeMethod(qApp, [&] { ++delivered; }, Qt::QueuedConnection); };
    std::this_thread::sleep_for(5ms);
    post();
    DoEvents();
    EXPECT_EQ(delivered, 1);
    // Right after it ran, the pump returns at once, leaving the event queued.
    post();
    const auto start = std::chrono::steady_clock::now();
    DoEvents();
    if (std::chrono::steady_clock::now() - start < 1ms) { EXPECT_EQ(delivered, 1); }
    std::this_thread::sleep_for(5ms);
    DoEvents();
    EXPECT_EQ(delivered, 2);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

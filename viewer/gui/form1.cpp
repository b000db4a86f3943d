#include "form1.h"

#include "pen_cursor.h"
#include "wrapping_button.h"
#include "picture_box.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QThread>

namespace {

QString FromU16(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// "MS Sans Serif" at the given size, or the nearest sans-serif font at hand.
QFont SansSerif(int points)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(points);
    return font;
}

QFont TilesBoxFont()
{
    QFont font = SansSerif(15);
    font.setWeight(QFont::Bold);
    return font;
}

template <typename Widget>
Widget* Place(QWidget* client, const char* name, int left, int top, int width, int height)
{
    auto* widget = new Widget(client);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

}  // namespace

Form1::Form1(CommonDialog& cd1, RowConverter& converter, QWidget* parent)
    : QMainWindow(parent), viewer_(*this, cd1, converter)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Mr. Tavrel's NES to GB GFX Converter"));
    // The window's default font, which the controls without their own use.
    setFont(SansSerif(8));
    BuildMenu();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    client->setCursor(PenCursor());
    BuildControls(client);
    setCentralWidget(client);
    // The layout is fixed, so the window keeps the client area's size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Form1::~Form1() = default;

void Form1::BuildMenu()
{
    // The items have no handlers: the layout follows the file name only.
    QMenu* format = menuBar()->addMenu(QStringLiteral("Format"));
    format->setObjectName(QStringLiteral("format"));
    const std::pair<const char*, const char*> items[] = {
        {"bp1pmenu", "1BPP (Certain Fonts)"}, {"b2nes", "2BPP (NES)"}, {"b2gb", "2BPP (GameBoy)"}};
    for (const auto& [name, caption] : items) format->addAction(QString::fromLatin1(caption))->setObjectName(name);
}

void Form1::BuildControls(QWidget* client)
{
    // A sunken frame around the drawing area, outside its 385 x 321 pixels.
    auto* frame = Place<QFrame>(client, "Picture1Frame", 14, 14, PictureBox::kWidth + 4, PictureBox::kHeight + 4);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);

    picture1_ = new PictureBox(client);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->move(16, 16);
    picture1_->setCursor(Qt::ArrowCursor);

    exportconvert_ = Place<WrappingButton>(client, "exportconvert", 416, 16, 65, 41);
    exportconvert_->setText(QStringLiteral("Export Converted"));
    tilestxt_ = Place<QLineEdit>(client, "tilestxt", 24, 352, 33, 27);
    tilestxt_->setText(QStringLiteral("48"));
    tilestxt_->setFont(TilesBoxFont());
    command1_ = Place<QPushButton>(client, "Command1", 80, 352, 89, 25);
    command1_->setText(QStringLiteral("<- Tiles Per Row"));
    offsettxt_ = Place<QLineEdit>(client, "offsettxt", 192, 352, 121, 25);
    command2_ = Place<QPushButton>(client, "Command2", 336, 352, 65, 25);
    command2_->setText(QStringLiteral("<- Offset"));
    for (QPushButton* button : {exportconvert_, command1_, command2_}) button->setCursor(Qt::ArrowCursor);

    line1_ = Place<QFrame>(client, "Line1", 184, 344, 1, 41);
    line1_->setFrameStyle(QFrame::VLine | QFrame::Plain);
    line1_->setLineWidth(1);
    line1_->setAttribute(Qt::WA_TransparentForMouseEvents);

    setTabOrder(picture1_, tilestxt_);
    setTabOrder(tilestxt_, command1_);
    setTabOrder(command1_, offsettxt_);
    setTabOrder(offsettxt_, command2_);
    setTabOrder(command2_, exportconvert_);

    connect(command1_, &QPushButton::clicked, this, [this] { viewer_.ApplyTilesPerRow(); });
    connect(command2_, &QPushButton::clicked, this, [this] { viewer_.ApplyOffset(); });
    connect(exportconvert_, &QPushButton::clicked, this, [this] { viewer_.ExportConverted(); });
    tilestxt_->installEventFilter(this);
    offsettxt_->installEventFilter(this);
}

void Form1::Load(const std::vector<std::string>& arguments) { viewer_.Load(arguments); }

DrawingSurface& Form1::Picture1() { return *picture1_; }

std::u16string Form1::TilesText() const { return tilestxt_->text().toStdU16String(); }

void Form1::SetTilesText(const std::u16string& text) { tilestxt_->setText(FromU16(text)); }

std::u16string Form1::OffsetText() const { return offsettxt_->text().toStdU16String(); }

void Form1::ShowWindow() { show(); }

void Form1::EndProgram()
{
    hide();
    // Before the event loop has started, main sees the end and never starts it.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(viewer_.Failed() ? 1 : 0);
}

void Form1::closeEvent(QCloseEvent* event)
{
    viewer_.Close();
    event->accept();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == tilestxt_) viewer_.ApplyTilesPerRow();
            if (watched == offsettxt_) viewer_.ApplyOffset();
        }
    }
    // The key still reaches the box.
    return QMainWindow::eventFilter(watched, event);
}

// Veltra's real window with its real logic, offscreen: the template's
// controls exist with their captions, and typing and polling reach the
// logic and the line.
#include "dialog/Clock.h"
#include "dialog/qt/DialogWindow.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace veltra {
namespace {

// Answers the next message box with OK and keeps what it said.
struct MessageCatcher {
    QString text;
    void arm()
    {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [this, poll] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text();
                poll->stop();
                poll->deleteLater();
                box->accept();
            }
        });
        poll->start(5);
    }
};

struct Window {
    fs::path links;
    dialog::SystemClock clock;
    std::unique_ptr<VeltraMainDialog> logic;
    std::unique_ptr<dialog::qt::DialogWindow> window;
    int master = -1, slave = -1;

    explicit Window(bool withPort = false)
    {
        std::string tmpl = (fs::temp_directory_path() / "veltra-window.XXXXXX").string();
        links = mkdtemp(tmpl.data());
        if (withPort) {
            char name[128] = {};
            if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
                fs::create_symlink(name, links / "COM1");
        }
        logic = std::make_unique<VeltraMainDialog>(clock,
                                                   serial::PortNames(links, [] { return std::vector<fs::path>{}; }));
        window = std::make_unique<dialog::qt::DialogWindow>(veltraMainWindowTemplate(), *logic);
    }
    ~Window()
    {
        window.reset();
        logic.reset();
        if (master >= 0) {
            ::close(master);
            ::close(slave);
        }
        fs::remove_all(links);
    }
    template <class W> W* get(int id) { return qobject_cast<W*>(window->control(id)); }

    /// The device sends bytes; the next poll reads them all.
    void deviceSends(const std::string& bytes)
    {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        pollfd p{logic->portHandle.fd(), POLLIN, 0};
        for (int i = 0; i < 100 && logic->portHandle.bytesWaiting() < bytes.size(); ++i)
            poll(&p, 1, 20);
        logic->onTimer(PollTimer);
    }
};

TEST(VeltraWindow, EveryControlOfTheTemplateWithItsCaption)
{
    struct Case {
        int id;
        const char* caption; // "" for edits and lists
        const char* widget;
    };
    const Case cases[] = {
        {PortList, "", "QComboBox"},      {BaudList, "", "QComboBox"},          {DataBitsList, "", "QComboBox"},
        {ParityList, "", "QComboBox"},    {StopBitsList, "", "QComboBox"},      {FlowList, "", "QComboBox"},
        {ConnectButton, "连接串口", "QPushButton"},
        {ReceiveArea, "", "QPlainTextEdit"}, {ReceiveHex, "十六进制", "QCheckBox"},
        {ReceiveTime, "接收时间", "QCheckBox"}, {BurstNewline, "数据帧换行", "QCheckBox"},
        {AutoClear, "自动清空", "QCheckBox"}, {ClearReceive, "清空接收", "QPushButton"},
        {Save, "保存", "QPushButton"},       {SendArea, "", "QPlainTextEdit"},     {SendHex, "十六进制", "QCheckBox"},
        {AppendNewline, "追加换行", "QCheckBox"}, {TimedSend, "定时发送", "QCheckBox"},
        {Period, "", "QLineEdit"},           {SendButton, "发送", "QPushButton"},
        {ClearSend, "清空发送", "QPushButton"},
        {Quick1Hex, "HEX", "QCheckBox"},     {Quick1Text, "", "QLineEdit"},        {Quick1Send, "发送", "QPushButton"},
        {Quick2Hex, "HEX", "QCheckBox"},     {Quick2Text, "", "QLineEdit"},        {Quick2Send, "发送", "QPushButton"},
        {Quick3Hex, "HEX", "QCheckBox"},     {Quick3Text, "", "QLineEdit"},        {Quick3Send, "发送", "QPushButton"},
        {CommandType, "", "QComboBox"},      {DeviceAddress, "", "QComboBox"},     {Function, "", "QComboBox"},
        {FunctionLabel, "功能", "QLabel"},   {Parameter, "", "QComboBox"},         {ParameterLabel, "参数", "QLabel"},
        {TemporaryChange, "临时修改", "QCheckBox"}, {CommandPreview, "", "QLineEdit"},
        {Crc16, "CRC16校验", "QCheckBox"},   {SendCommand, "发送", "QPushButton"},
        {ProductCaption, "Veltra串口助手 V1.1", "QLabel"}, {StatusCaption, "状态", "QLabel"},
        {StatusText, "OK", "QLabel"},        {ReceivedCaption, "接收计数", "QLabel"},
        {ReceivedCount, "0", "QLabel"},      {SentCaption, "发送计数", "QLabel"},  {SentCount, "0", "QLabel"},
        {WebAddress, "WWW.EXAMPLE.COM", "QLabel"},
    };
    Window w;
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Veltra科技串口调试助手V1.1 - www.example.com"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        QWidget* widget = w.window->control(c.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(c.widget));
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(widget))
            caption = b->text();
        else if (auto* l = qobject_cast<QLabel*>(widget))
            caption = l->text();
        EXPECT_EQ(caption, QString::fromUtf8(c.caption));
    }
    EXPECT_TRUE(w.get<QComboBox>(DeviceAddress)->isEditable());
    EXPECT_FALSE(w.get<QComboBox>(CommandType)->isEditable());
    EXPECT_TRUE(w.get<QLineEdit>(CommandPreview)->isReadOnly());
    EXPECT_EQ(w.get<QPlainTextEdit>(SendArea)->toPlainText(), QStringLiteral("www.example.com"));
    EXPECT_EQ(w.get<QLineEdit>(Period)->text(), QStringLiteral("500"));
    EXPECT_EQ(w.get<QComboBox>(BaudList)->currentText(), QStringLiteral("9600"));
    for (const char* group : {"串口设置区", "数据接收区", "数据发送区", "Veltra指令区"}) {
        bool found = false;
        for (auto* g : w.window->findChildren<QGroupBox*>())
            found = found || g->title() == QString::fromUtf8(group);
        EXPECT_TRUE(found) << group;
    }
}

TEST(VeltraWindow, KeyTypedIntoTheReceiveAreaGoesOutAndDisappears)
{
    Window w(true);
    ASSERT_GE(w.master, 0);
    w.window->show();
    QTest::mouseClick(w.get<QPushButton>(ConnectButton), Qt::LeftButton);
    ASSERT_TRUE(w.logic->portOpen);
    w.deviceSends("rx");
    auto* area = w.get<QPlainTextEdit>(ReceiveArea);
    ASSERT_EQ(area->toPlainText(), QStringLiteral("rx"));

    QTest::keyClicks(area, "a");
    QTest::keyClick(area, Qt::Key_Return);
    char got[8] = {};
    pollfd q{w.master, POLLIN, 0};
    std::string sent;
    while (sent.size() < 2 && poll(&q, 1, 2000) > 0) {
        const ssize_t n = ::read(w.master, got, sizeof got);
        if (n <= 0)
            break;
        sent.append(got, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(sent, "a\r");
    EXPECT_EQ(area->toPlainText(), QStringLiteral("rx"));
    EXPECT_EQ(w.get<QLabel>(SentCount)->text(), QStringLiteral("2"));
    EXPECT_TRUE(w.window->isVisible()); // Enter in the area did not close it
}

TEST(VeltraWindow, ADoubleByteCharacterSplitAcrossPollsShowsWhole)
{
    Window w(true);
    ASSERT_GE(w.master, 0);
    QTest::mouseClick(w.get<QPushButton>(ConnectButton), Qt::LeftButton);
    ASSERT_TRUE(w.logic->portOpen);
    w.deviceSends("\x41\xD6");
    w.deviceSends("\xD0\xB9");
    w.deviceSends("\xFA");
    EXPECT_EQ(w.get<QPlainTextEdit>(ReceiveArea)->toPlainText(), QStringLiteral("A中国"));
}

TEST(VeltraWindow, TypingWithThePortClosedIsReported)
{
    Window w;
    w.window->show();
    MessageCatcher catcher;
    catcher.arm();
    QTest::keyClicks(w.get<QPlainTextEdit>(ReceiveArea), "a");
    EXPECT_EQ(catcher.text, QStringLiteral("串口未打开！"));
    EXPECT_EQ(w.get<QPlainTextEdit>(ReceiveArea)->toPlainText(), QStringLiteral("a"));
}

TEST(VeltraWindow, OpeningThePortListReadsTheControls)
{
    Window w;
    w.window->show();
    w.get<QComboBox>(DeviceAddress)->setEditText(QStringLiteral("00 00 00 01 02"));
    MessageCatcher catcher;
    catcher.arm();
    w.get<QComboBox>(PortList)->showPopup();
    EXPECT_EQ(catcher.text, QStringLiteral("“请填入不多于11个的字符。”"));
    w.get<QComboBox>(PortList)->hidePopup();
}

TEST(VeltraWindow, EnterKeepsTheWindowAndEscapeEndsIt)
{
    Window w;
    w.window->show();
    QTest::keyClick(w.get<QComboBox>(BaudList), Qt::Key_Return);
    QTest::keyClick(w.window.get(), Qt::Key_Return);
    EXPECT_TRUE(w.window->isVisible());
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(w.window->isVisible());
}

} // namespace
} // namespace veltra

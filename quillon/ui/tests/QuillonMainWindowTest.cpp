// Quillon's real window with its real logic, offscreen: the controls the
// logic addresses exist, and what the user does reaches it.
#include "dialog/Clock.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/LogView.h"
#include "dialog/qt/testing/ModalAnswer.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/ui/QuillonWindow.h"
#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

namespace fs = std::filesystem;

namespace quillon {
namespace {

using dialog::qt::testing::MessageCatcher;
using test_support::Pty;

struct Window {
    test_support::TempDir config{"quillon-window"};
    test_support::TempDir links{"quillon-window"};
    dialog::SystemClock clock;
    std::unique_ptr<QuillonMainDialog> logic;
    std::unique_ptr<dialog::qt::DialogWindow> window;

    Window()
    {
        logic = std::make_unique<QuillonMainDialog>(
            clock, serial::PortNames(links.path(), [] { return std::vector<fs::path>{}; }), config.path());
        window = std::make_unique<dialog::qt::DialogWindow>(quillonMainWindowTemplate(), *logic);
    }
    template <class W> W* get(int id) { return qobject_cast<W*>(window->control(id)); }
};

TEST(QuillonMainWindow, OpenButtonReportsAnAbsentPortInAModalBox)
{
    Window w;
    MessageCatcher catcher;
    catcher.arm();
    QTest::mouseClick(w.get<QPushButton>(OpenButton), Qt::LeftButton);
    EXPECT_EQ(catcher.text, QStringLiteral("通信端口<COM1>无法打开!"));
    EXPECT_EQ(catcher.title, QStringLiteral("Quillon"));
    EXPECT_EQ(w.get<QPushButton>(OpenButton)->text(), QStringLiteral("打开串口"));
}

TEST(QuillonMainWindow, ChoosingAPortAndOpeningItChangesTheCaption)
{
    Window w;
    Pty pty{Pty::Slave::Close};
    fs::create_symlink(pty.slavePath(), w.links / "COM3");

    auto* ports = w.get<QComboBox>(PortList);
    ports->setCurrentIndex(2);
    emit ports->activated(2); // as when the user picks it
    QTest::mouseClick(w.get<QPushButton>(OpenButton), Qt::LeftButton);
    EXPECT_TRUE(w.logic->device().isOpen());
    EXPECT_EQ(w.get<QPushButton>(OpenButton)->text(), QStringLiteral("关闭串口"));
    EXPECT_EQ(ports->itemData(2, Qt::ToolTipRole).toString().toStdString(), pty.slavePath());

    // A line setting picked while open reopens the port at once.
    auto* baud = w.get<QComboBox>(Baud);
    baud->setCurrentIndex(12);
    emit baud->activated(12);
    EXPECT_EQ(w.logic->device().readLineSettings().baudRate, 115200u);

    QTest::mouseClick(w.get<QPushButton>(OpenButton), Qt::LeftButton);
    EXPECT_FALSE(w.logic->device().isOpen());
    EXPECT_EQ(w.get<QPushButton>(OpenButton)->text(), QStringLiteral("打开串口"));
}

// The whole road on a pty pair with the real 10 ms timer: a device answers
// in bursts with pauses, each burst becomes one red frame in the view and
// one record in the log; a send area's frame reaches the device.
TEST(QuillonMainWindow, FramesTravelBothWaysThroughTheWindow)
{
    Window w;
    Pty pty{Pty::Slave::Close};
    fs::create_symlink(pty.slavePath(), w.links / "COM2");
    const fs::path log = w.config / "frames.txt";
    // Taken at the exchange the open button begins with; read-only, so only
    // the program writes it.
    w.window->setText(LogPath, log.string());

    auto* ports = w.get<QComboBox>(PortList);
    ports->setCurrentIndex(1);
    emit ports->activated(1);
    w.get<QCheckBox>(ShowSent)->setChecked(true);
    QTest::mouseClick(w.get<QPushButton>(SaveToggle), Qt::LeftButton);
    QTest::mouseClick(w.get<QPushButton>(OpenButton), Qt::LeftButton);
    ASSERT_EQ(w.get<QPushButton>(OpenButton)->text(), QStringLiteral("关闭串口"));

    auto rxFrames = [&] { return std::stoll(w.window->text(RxFrames)); };
    const char* bursts[] = {"\x01\x02\x03", "\xAA\xBB", "\x7E"};
    for (const char* burst : bursts) {
        const auto frames = rxFrames();
        ASSERT_TRUE(pty.writeAll(burst));
        // The pause: the line stays quiet until the frame has ended.
        QTRY_VERIFY_WITH_TIMEOUT(rxFrames() == frames + 1, 5000);
    }
    auto* view = w.get<dialog::qt::LogView>(ReceiveView);
    const QString expected = QStringLiteral("[接收]01 02 03 [接收]AA BB [接收]7E ");
    // The view takes its appends at the next frame.
    (void)QTest::qWaitFor([&] { return view->toPlainText().trimmed() == expected.trimmed(); }, 2000);
    EXPECT_EQ(view->toPlainText().trimmed(), expected.trimmed());
    EXPECT_EQ(view->colourAt(view->text().size() - 1), qRgb(255, 0, 0));
    EXPECT_EQ(dialog::readWholeFile(log).value_or(""), dialog::gbk(expected.toStdString()));

    w.get<QPlainTextEdit>(Area1Text)->setPlainText(QStringLiteral("01 03 00 00 00 0a"));
    QTest::mouseClick(w.get<QPushButton>(Area1Send), Qt::LeftButton);
    unsigned char got[16] = {};
    ASSERT_EQ(::read(pty.master(), got, sizeof got), 6);
    const unsigned char want[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    EXPECT_EQ(std::memcmp(got, want, 6), 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view->toPlainText().endsWith(QStringLiteral("[发送]01 03 00 00 00 0A ")); }, 2000));
}

// The painters show what the logic's lamp tick decided, not a state of their own.
TEST(QuillonMainWindow, LampsShowWhatTheLampTickDecided)
{
    Window w;
    ui::installIndicators(*w.window, *w.logic);
    Pty pty{Pty::Slave::Close};
    fs::create_symlink(pty.slavePath(), w.links / "COM3");
    auto* ports = w.get<QComboBox>(PortList);
    ports->setCurrentIndex(2);
    emit ports->activated(2);
    QTest::mouseClick(w.get<QPushButton>(OpenButton), Qt::LeftButton);
    ASSERT_TRUE(w.logic->device().isOpen());
    w.get<QPlainTextEdit>(Area1Text)->setPlainText(QStringLiteral("01"));

    const QColor lit(0, 255, 0), idle(0, 70, 0);
    struct Case {
        const char* name;
        bool sent, chunk; // since the last lamp tick
        QColor send, receive;
    };
    const Case cases[] = {
        {"a send and a chunk in the same 10 ms", true, true, lit, lit},
        {"the next lamp tick", false, false, idle, idle},
        {"a chunk alone", false, true, idle, lit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Straight to the logic: no event loop runs, so no timer of the
        // window's own comes between.
        if (c.sent)
            w.logic->dispatch(Area1Send, dialog::Notification::Clicked);
        if (c.chunk) {
            ASSERT_TRUE(pty.writeAll("\x41"));
            ASSERT_TRUE(test_support::waitReadable(w.logic->device().fd()));
            w.logic->onTimer(MainTick);
        }
        w.logic->onTimer(LampTick);
        const QImage image = w.window->control(TrafficLamps)->grab().toImage();
        EXPECT_EQ(image.pixelColor(12, 13), c.send);
        EXPECT_EQ(image.pixelColor(42, 13), c.receive);
    }
}

// Enter presses the push button with the focus, in the checksum dialog
// too, where it accepts on "确定"; the main window stays.
TEST(QuillonMainWindow, EnterPressesTheFocusedButton)
{
    Window w;
    w.window->show();
    w.get<QPlainTextEdit>(Area1Text)->setPlainText(QStringLiteral("01 02"));
    MessageCatcher catcher;
    struct Case {
        const char* name;
        int id;
        std::function<void()> before;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {"打开串口", OpenButton, [&] { catcher.arm(); },
         [&] { return catcher.text == QStringLiteral("通信端口<COM1>无法打开!"); }},
        {"停止显示", DisplayToggle, [] {},
         [&] { return w.get<QPushButton>(DisplayToggle)->text() != QStringLiteral("停止显示"); }},
        {"校验, then Enter in its dialog", Area1Checksum,
         [] {
             dialog::qt::testing::whenModal<dialog::qt::DialogWindow>(
                 [] { return true; },
                 [](dialog::qt::DialogWindow* box) {
                     QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
                     if (box->isVisible())
                         box->reject(); // Enter did not accept: the test fails, not hangs
                 });
         },
         [&] { return w.get<QPlainTextEdit>(Area1Text)->toPlainText().startsWith(QStringLiteral("01 02 ")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        w.window->control(c.id)->setFocus();
        QTest::keyClick(w.window->control(c.id), Qt::Key_Return);
        EXPECT_TRUE(c.done());
        EXPECT_TRUE(w.window->isVisible());
    }
}

TEST(QuillonMainWindow, EscapeWritesTheSettingsAndEnterDoesNot)
{
    Window w;
    w.window->show();
    QTest::keyClick(w.window.get(), Qt::Key_Return);
    EXPECT_FALSE(fs::exists(w.config / "set.log"));
    EXPECT_TRUE(w.window->isVisible());
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_TRUE(fs::exists(w.config / "set.log"));
    EXPECT_TRUE(fs::exists(w.config / "data.log"));
    EXPECT_FALSE(w.window->isVisible());
}

} // namespace
} // namespace quillon

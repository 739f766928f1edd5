// Quillon's real window with its real logic, offscreen: the controls the
// logic addresses exist, and what the user does reaches it.
#include "dialog/Clock.h"
#include "dialog/qt/DialogWindow.h"
#include "quillon/app/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/ui/QuillonTemplates.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace quillon {
namespace {

fs::path tempDir()
{
    std::string tmpl = (fs::temp_directory_path() / "quillon-window.XXXXXX").string();
    return fs::path(mkdtemp(tmpl.data()));
}

// Answers the next message box with OK and keeps what it said.
struct MessageCatcher {
    QString text;
    QString title;
    void arm()
    {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [this, poll] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text();
                title = box->windowTitle();
                poll->stop();
                poll->deleteLater();
                box->accept();
            }
        });
        poll->start(5);
    }
};

struct Window {
    fs::path config = tempDir();
    fs::path links = tempDir();
    dialog::SystemClock clock;
    std::unique_ptr<QuillonMainDialog> logic;
    std::unique_ptr<dialog::qt::DialogWindow> window;

    Window()
    {
        logic = std::make_unique<QuillonMainDialog>(
            clock, serial::PortNames(links, [] { return std::vector<fs::path>{}; }), config);
        window = std::make_unique<dialog::qt::DialogWindow>(quillonMainWindowSpec(), *logic);
    }
    ~Window()
    {
        window.reset();
        logic.reset();
        fs::remove_all(config);
        fs::remove_all(links);
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
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    fs::create_symlink(name, w.links / "COM3");

    auto* ports = w.get<QComboBox>(PortList);
    ports->setCurrentIndex(2);
    emit ports->activated(2); // as when the user picks it
    QTest::mouseClick(w.get<QPushButton>(OpenButton), Qt::LeftButton);
    EXPECT_EQ(w.logic->portOpen, 1);
    EXPECT_EQ(w.get<QPushButton>(OpenButton)->text(), QStringLiteral("关闭串口"));
    EXPECT_EQ(ports->itemData(2, Qt::ToolTipRole).toString().toStdString(), name);

    // A line setting picked while open reopens the port at once.
    auto* baud = w.get<QComboBox>(Baud);
    baud->setCurrentIndex(12);
    emit baud->activated(12);
    EXPECT_EQ(w.logic->portDevice.readLineSettings().baudRate, 115200u);

    QTest::mouseClick(w.get<QPushButton>(OpenButton), Qt::LeftButton);
    EXPECT_EQ(w.logic->portOpen, 0);
    EXPECT_EQ(w.get<QPushButton>(OpenButton)->text(), QStringLiteral("打开串口"));
    ::close(master);
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

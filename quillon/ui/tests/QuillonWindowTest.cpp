#include "quillon/ui/QuillonWindow.h"

#include "dialog/qt/DialogWindow.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonTemplates.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

class IdleLogic : public dialog::DialogLogic {
public:
    void bind(dialog::ControlSurface&) override {}
    void onInit() override {}
    void dispatch(int, dialog::Notification) override {}
    void onTimer(int) override {}
    bool onCloseRequest() override { return true; }
};

// Room a caption gets inside its widget, in the program's font.
int room(QWidget* w, QStyle::SubElement element)
{
    QStyleOptionButton opt;
    opt.initFrom(w);
    opt.rect = w->rect();
    opt.text = static_cast<QAbstractButton*>(w)->text();
    return w->style()->subElementRect(element, &opt, w).width();
}

TEST(QuillonWindow, EveryCaptionFitsItsControl)
{
    struct Case {
        const char* name;
        dialog::WindowTemplate layout;
    };
    const Case cases[] = {
        {"main", quillonMainWindowTemplate()},
        {"about", quillonAboutBoxTemplate()},
        {"checksum", quillonChecksumDialogTemplate()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IdleLogic logic;
        dialog::qt::DialogWindow window(c.layout, logic);
        for (QWidget* w : window.findChildren<QWidget*>()) {
            const QFontMetrics fm = w->fontMetrics();
            if (auto* label = qobject_cast<QLabel*>(w)) {
                const QRect needed =
                    fm.boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text());
                EXPECT_LE(needed.height(), label->height()) << label->text().toStdString();
                EXPECT_LE(needed.width(), label->width()) << label->text().toStdString();
            } else if (auto* b = qobject_cast<QPushButton*>(w)) {
                EXPECT_LE(fm.horizontalAdvance(b->text()), room(b, QStyle::SE_PushButtonContents))
                    << b->text().toStdString();
                EXPECT_GE(b->height(), fm.height()) << b->text().toStdString();
            } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
                EXPECT_LE(fm.horizontalAdvance(check->text()), room(check, QStyle::SE_CheckBoxContents))
                    << check->text().toStdString();
            } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
                EXPECT_LE(fm.horizontalAdvance(radio->text()), room(radio, QStyle::SE_RadioButtonContents))
                    << radio->text().toStdString();
            } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
                QFont bold = group->font();
                bold.setBold(true); // some styles draw the title bold
                EXPECT_LE(QFontMetrics(bold).horizontalAdvance(group->title()) + 16, group->width())
                    << group->title().toStdString();
            }
        }
    }
}

QImage paint(const QSize& size, const std::function<void(QPainter&, const QRect&)>& draw)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    draw(p, QRect(QPoint(0, 0), size));
    return image;
}

TEST(QuillonWindow, IndicatorColours)
{
    const QColor background(74, 189, 189);
    struct Case {
        const char* name;
        QSize size;
        std::function<void(QPainter&, const QRect&)> draw;
        std::vector<std::pair<QPoint, QColor>> pixels;
    };
    const Case cases[] = {
        {"status closed",
         {13, 13},
         [](QPainter& p, const QRect& r) { paintStatusLamp(p, r, false); },
         {{{0, 0}, background}, {{6, 8}, Qt::black}, {{12, 6}, Qt::black}}},
        {"status open",
         {13, 13},
         [](QPainter& p, const QRect& r) { paintStatusLamp(p, r, true); },
         {{{0, 0}, background}, {{7, 8}, QColor(255, 0, 0)}}},
        {"lamps idle",
         {60, 20},
         [](QPainter& p, const QRect& r) { paintTrafficLamps(p, r, false, false); },
         {{{0, 0}, background}, {{12, 13}, QColor(0, 70, 0)}, {{42, 13}, QColor(0, 70, 0)}, {{28, 10}, background}}},
        {"send lit",
         {60, 20},
         [](QPainter& p, const QRect& r) { paintTrafficLamps(p, r, true, false); },
         {{{12, 13}, QColor(0, 255, 0)}, {{42, 13}, QColor(0, 70, 0)}}},
        {"toggle",
         {15, 17},
         [](QPainter& p, const QRect& r) { paintTopmostToggle(p, r, false); },
         {{{0, 0}, Qt::magenta}, {{1, 1}, Qt::black}, {{13, 15}, Qt::black}, {{7, 2}, QColor(0, 255, 0)}}},
        {"toggle on top",
         {15, 17},
         [](QPainter& p, const QRect& r) { paintTopmostToggle(p, r, true); },
         {{{7, 2}, QColor(255, 0, 0)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = paint(c.size, c.draw);
        for (const auto& [at, colour] : c.pixels)
            EXPECT_EQ(image.pixelColor(at), colour) << at.x() << "," << at.y();
    }
}

// The toggle is a push button: its frame shows around the face, pressed
// while held down and inactive while disabled.
TEST(QuillonWindow, ToggleShowsThePushButtonFrameInEachState)
{
    IdleLogic logic;
    dialog::qt::DialogWindow window(quillonMainWindowTemplate(), logic);
    installIndicators(window, [] { return IndicatorState{}; });
    auto* toggle = qobject_cast<QPushButton*>(window.control(TopmostToggle));
    ASSERT_NE(toggle, nullptr);
    window.show();
    const auto look = [toggle] { return toggle->grab().toImage(); };
    const QImage normal = look();
    toggle->setDown(true);
    const QImage pressed = look();
    toggle->setDown(false);
    toggle->setEnabled(false);
    const QImage disabled = look();
    const int w = toggle->width();
    struct Case {
        const char* name;
        const QImage& image;
        const QImage* differsFrom;
    };
    const Case cases[] = {{"normal", normal, nullptr}, {"pressed", pressed, &normal}, {"disabled", disabled, &normal}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The frame's line along the top, clear of the rounded corners.
        const QColor frame = c.image.pixelColor(w / 2, 0);
        EXPECT_NE(frame, QColor(0, 255, 0));
        EXPECT_NE(frame, QColor(Qt::black));
        if (c.differsFrom) {
            // The frame itself, not only the face, looks different.
            bool frameDiffers = false;
            for (int x = 0; x < w; ++x)
                frameDiffers = frameDiffers || c.image.pixelColor(x, 0) != c.differsFrom->pixelColor(x, 0);
            EXPECT_TRUE(frameDiffers);
        }
    }
}

// The checksum dialog is worked from the keyboard: the control with the
// focus shows it from the start.
TEST(QuillonWindow, ChecksumDialogShowsWhereTheFocusIs)
{
    IdleLogic logic;
    dialog::qt::DialogWindow window(quillonChecksumDialogTemplate(), logic);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    struct Case {
        const char* name;
        int focus;
        int elsewhere;
    };
    const Case cases[] = {{"the first radio button", kChecksumFirstRadio, IdCancel}, {"确定", IdOk, IdCancel}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* w = window.control(c.focus);
        w->setFocus(Qt::OtherFocusReason);
        const QImage focused = w->grab().toImage();
        window.control(c.elsewhere)->setFocus(Qt::OtherFocusReason);
        EXPECT_NE(focused, w->grab().toImage());
    }
}

TEST(QuillonWindow, HighlightArcIsWhiteInTheUpperLeft)
{
    const QImage image = paint({13, 13}, [](QPainter& p, const QRect& r) { paintStatusLamp(p, r, false); });
    int upperLeft = 0, elsewhere = 0;
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x)
            if (image.pixelColor(x, y) == QColor(Qt::white))
                (x <= 6 && y <= 6 ? upperLeft : elsewhere) += 1;
    EXPECT_GT(upperLeft, 0);
    EXPECT_EQ(elsewhere, 0);
}

TEST(QuillonWindow, ScaleFitsTheFixedWindowOnTheScreen)
{
    struct Case {
        const char* name;
        QSize available; // logical pixels
        qreal ratio;
        qreal scale;
    };
    const Case cases[] = {
        {"1920 x 1080 at 2", {960, 540}, 2, 1.75},
        {"3840 x 2160 at 2", {1920, 1080}, 2, 2},
        {"1366 x 768 at 1.5", {911, 512}, 1.5, 1.25},
        {"1024 x 768 at 1", {1024, 768}, 1, 1},
        {"800 x 600 at 1: no smaller than the template", {800, 600}, 1, 1},
        {"1280 x 720 at 2", {640, 360}, 2, 1.25},
        {"800 x 600 at 2: never below 1", {400, 300}, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fittingScale(QSize(794, 540), c.available, c.ratio), c.scale);
    }
}

TEST(QuillonWindow, ProgramIconIsCompiledInEverySize)
{
    EXPECT_FALSE(programIcon().isNull());
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage image(QStringLiteral(":/quillon/icons/quillon-%1.png").arg(size));
        EXPECT_EQ(image.size(), QSize(size, size));
    }
}

} // namespace
} // namespace quillon::ui

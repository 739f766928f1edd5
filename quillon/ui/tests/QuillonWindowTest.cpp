#include "quillon/ui/QuillonWindow.h"

#include "dialog/qt/DialogWindow.h"
#include "quillon/app/QuillonIds.h"
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
        {"status closed", {13, 13}, [](QPainter& p, const QRect& r) { paintStatusLamp(p, r, false); },
         {{{0, 0}, background}, {{6, 8}, Qt::black}, {{12, 6}, Qt::black}}},
        {"status open", {13, 13}, [](QPainter& p, const QRect& r) { paintStatusLamp(p, r, true); },
         {{{0, 0}, background}, {{7, 8}, QColor(255, 0, 0)}}},
        {"lamps idle", {60, 20}, [](QPainter& p, const QRect& r) { paintTrafficLamps(p, r, false, false); },
         {{{0, 0}, background}, {{12, 13}, QColor(0, 70, 0)}, {{42, 13}, QColor(0, 70, 0)}, {{28, 10}, background}}},
        {"send lit", {60, 20}, [](QPainter& p, const QRect& r) { paintTrafficLamps(p, r, true, false); },
         {{{12, 13}, QColor(0, 255, 0)}, {{42, 13}, QColor(0, 70, 0)}}},
        {"toggle", {15, 17}, [](QPainter& p, const QRect& r) { paintTopmostToggle(p, r, false); },
         {{{0, 0}, Qt::black}, {{14, 16}, Qt::black}, {{1, 15}, QColor(0, 255, 0)}}},
        {"toggle on top", {15, 17}, [](QPainter& p, const QRect& r) { paintTopmostToggle(p, r, true); },
         {{{1, 15}, QColor(255, 0, 0)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = paint(c.size, c.draw);
        for (const auto& [at, colour] : c.pixels)
            EXPECT_EQ(image.pixelColor(at), colour) << at.x() << "," << at.y();
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

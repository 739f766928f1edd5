#include "dialog/qt/ProgramLook.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTranslator>

namespace dialog::qt {
namespace {

constexpr int kFontPixels = 12;

QFont firstInstalled(std::initializer_list<const char*> families)
{
    const QStringList installed = QFontDatabase::families();
    for (const char* family : families) {
        const QString name = QString::fromLatin1(family);
        if (installed.contains(name, Qt::CaseInsensitive)) {
            QFont font(name);
            font.setPixelSize(kFontPixels);
            return font;
        }
    }
    return QFont();
}

// Fusion with a narrow push-button margin: the fixed button rectangles are
// sized for their captions, not for the roomy default padding.
class ProgramStyle : public QProxyStyle {
public:
    ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override
    {
        if (element == SE_PushButtonContents)
            return option->rect.adjusted(2, 2, -2, -2);
        return QProxyStyle::subElementRect(element, option, widget);
    }

    // Fusion tells a focused push button only by the outline it also
    // gives the default one: the focus gets a frame of its own inside.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element != CE_PushButton || !(option->state & State_HasFocus) ||
            !(option->state & State_KeyboardFocusChange))
            return;
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(*option);
        focus.rect = option->rect.adjusted(3, 3, -3, -3);
        focus.backgroundColor = option->palette.button().color();
        // The common style's dotted frame: Fusion's own would be the outline again.
        QCommonStyle::drawPrimitive(PE_FrameFocusRect, &focus, painter, widget); // NOLINT(bugprone-parent-virtual-call)
    }
};

} // namespace

QFont programFont()
{
    // Zen Hei first: Micro Hei draws some GBK symbols (℃ among them) as
    // blanks although it claims them, and sensor readings carry them.
    QFont font =
        firstInstalled({"WenQuanYi Zen Hei", "Noto Sans CJK SC", "WenQuanYi Micro Hei", "Noto Sans Mono CJK SC"});
    if (font.pixelSize() != kFontPixels)
        font.setPixelSize(kFontPixels);
    return font;
}

QFont richViewFont()
{
    QFont font = firstInstalled({"WenQuanYi Zen Hei Mono", "Noto Sans Mono CJK SC", "WenQuanYi Micro Hei Mono"});
    if (font.family() == QFont().family())
        return programFont();
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

void applyProgramLook(QApplication& app)
{
    app.setStyle(new ProgramStyle);
    QPalette palette = app.style()->standardPalette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Window, kProgramBackground);
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::black);
    app.setPalette(palette);
    app.setFont(programFont());
    installChineseTranslations(app);
}

bool installChineseTranslations(QApplication& app)
{
    // The standard dialogs (file dialogs, their replace question) would
    // otherwise speak English inside a Chinese program, whatever the
    // user's locale says.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace dialog::qt

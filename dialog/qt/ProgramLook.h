#pragma once
// The programs' common look: every dialog and message box on the same
// teal background with black text, and a CJK font of 12 pixels (9 point
// at 96 dpi) so that the Chinese captions fit their fixed rectangles.

#include <QColor>
#include <QFont>

class QApplication;

namespace dialog::qt {

inline const QColor kProgramBackground(74, 189, 189);

/// Sets style, palette and font of the whole application. Call once,
/// before the first window is built.
void applyProgramLook(QApplication& app);

/// Loads Qt's own Chinese translations (qtbase_zh_CN) into app, so that
/// the standard dialogs and buttons are in Chinese. Called by
/// applyProgramLook. @return false when they are not installed.
bool installChineseTranslations(QApplication& app);

/// The first installed of "WenQuanYi Micro Hei", "Noto Sans CJK SC",
/// "Noto Sans Mono CJK SC", at 12 pixels; the default font if none is.
QFont programFont();

/// A fixed-width CJK font for the rich view when one is installed,
/// otherwise programFont().
QFont richViewFont();

} // namespace dialog::qt

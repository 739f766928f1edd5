#include "dialog/qt/ProgramLook.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace dialog::qt {
namespace {

// The test main applies the program look, as both programs do.
TEST(ProgramLook, StandardDialogsSpeakChinese)
{
    struct Case {
        const char* context;
        const char* english;
    };
    const Case cases[] = {
        {"QFileDialog", "Look in:"},
        {"QFileDialog", "File &name:"},
        {"QFileDialog", "%1 already exists.\nDo you want to replace it?"},
        {"QPlatformTheme", "Cancel"},
        {"QPlatformTheme", "&Yes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.english);
        const QString shown = QCoreApplication::translate(c.context, c.english);
        EXPECT_NE(shown, QString::fromUtf8(c.english));
        EXPECT_FALSE(shown.isEmpty());
    }
}

} // namespace
} // namespace dialog::qt

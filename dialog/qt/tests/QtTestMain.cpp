// GoogleTest inside a QApplication with the program's look, so that widgets
// measure and paint as they do in the programs.

#include "dialog/qt/ProgramLook.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dialog::qt::applyProgramLook(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

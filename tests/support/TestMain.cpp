// Shared main of the test binaries: Qt runs offscreen (also while CTest lists
// the cases), and a message box that no test expected fails loudly instead of
// blocking the run.
#include <cstdlib>

#include <QApplication>
#include <gtest/gtest.h>

#include "platform/MessageBox.h"

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    platform::SetMessageBoxHandler([](const QString& text, const QString&, unsigned) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return int(IDOK);
    });
    return RUN_ALL_TESTS();
}

#include <thread>

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "support/MessageBoxRecorder.h"

TEST(MessageBox, BoxFromAWorkerThreadIsShownOnTheUiThreadWithoutBlockingTheWorker)
{
    MessageBoxRecorder boxes;
    int answer = 0;
    std::thread worker([&] { answer = platform::ShowMessageBox("from the backup thread", {}, MB_OKCANCEL); });
    worker.join();  // would hang if the worker waited for the UI thread
    EXPECT_EQ(answer, IDOK);
    EXPECT_TRUE(boxes.texts().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.texts(), QStringList({"from the backup thread"}));
}

#include <gtest/gtest.h>

#include "support/MessageBoxRecorder.h"

TEST(MessageBox, RecorderSeesTheTextAndAnswersFromItsScript)
{
    MessageBoxRecorder boxes;
    boxes.answerNext(IDCANCEL);
    EXPECT_EQ(platform::ShowMessageBox("first", {}, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(platform::ShowMessageBox("second", {}, MB_YESNO), IDYES);
    EXPECT_EQ(boxes.texts(), QStringList({"first", "second"}));
}

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/Clipboard.h"

using namespace platform;

namespace {

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearClipboardSecret(); // forget a copy left by an earlier case
        board()->clear();
    }
    static QClipboard* board() { return QGuiApplication::clipboard(); }
};

TEST_F(ClipboardTest, CopyCarriesTextAndSecretHint)
{
    const QString secret = QString::fromUtf8("pä$$wörd 'x' %d €");
    ASSERT_TRUE(SetClipboardSecret(secret));
    const QMimeData* data = board()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), secret);
    EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
}

TEST_F(ClipboardTest, ClearEmptiesOnlyWhileItStillHoldsTheCopy)
{
    ASSERT_TRUE(SetClipboardSecret(QStringLiteral("s3cret")));
    EXPECT_TRUE(ClearClipboardSecret());
    EXPECT_TRUE(board()->text().isEmpty());

    // A second clear (another timer) has nothing of ours left to remove.
    board()->setText(QStringLiteral("copied by the user later"));
    EXPECT_FALSE(ClearClipboardSecret());
    EXPECT_EQ(board()->text(), QStringLiteral("copied by the user later"));
}

TEST_F(ClipboardTest, TextCopiedMeanwhileIsKept)
{
    ASSERT_TRUE(SetClipboardSecret(QStringLiteral("s3cret")));
    board()->setText(QStringLiteral("a note the user copied"));
    EXPECT_FALSE(ClearClipboardSecret());
    EXPECT_EQ(board()->text(), QStringLiteral("a note the user copied"));
}

TEST_F(ClipboardTest, OnlyTheLatestCopyIsCleared)
{
    ASSERT_TRUE(SetClipboardSecret(QStringLiteral("first")));
    ASSERT_TRUE(SetClipboardSecret(QStringLiteral("second")));
    board()->setText(QStringLiteral("first")); // the user pasted the old one back
    EXPECT_FALSE(ClearClipboardSecret());
    EXPECT_EQ(board()->text(), QStringLiteral("first"));

    ASSERT_TRUE(SetClipboardSecret(QStringLiteral("third")));
    EXPECT_TRUE(ClearClipboardSecret());
    EXPECT_TRUE(board()->text().isEmpty());
}

// A password field the user shows: every way its text leaves for the
// clipboard goes through the program's handler (which marks it secret and
// promises the clear); masked, Qt copies nothing and neither does the guard.
TEST_F(ClipboardTest, AShownPasswordFieldCopiesAndCutsOnlyThroughTheProgramsHandler)
{
    QStringList copied;
    const SecretCopyHandler previous = SetSecretCopyHandler([&copied](const QString& text) {
        copied << text;
        return SetClipboardSecret(text);
    });
    QLineEdit edit;
    edit.setEchoMode(QLineEdit::Password);
    GuardSecretEdit(&edit);
    GuardSecretEdit(&edit);  // guarded once however often asked
    edit.show();
    edit.setText(QStringLiteral("hunter2 x"));
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(copied.isEmpty());
    EXPECT_TRUE(board()->text().isEmpty());

    edit.setEchoMode(QLineEdit::Normal);  // Show
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copied, QStringList{QStringLiteral("hunter2 x")});
    EXPECT_EQ(board()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ControlModifier);  // the other Copy key
    EXPECT_EQ(copied.size(), 2);

    edit.setSelection(0, 7);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(copied.last(), QStringLiteral("hunter2"));
    EXPECT_EQ(edit.text(), QStringLiteral(" x"));

    // The context menu's Copy and Cut are the same way out.
    edit.setText(QStringLiteral("pa55 word"));
    edit.selectAll();
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(2, 2), edit.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&edit, &menuEvent);
    auto* menu = edit.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QAction* copy = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().endsWith(QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText)))
            copy = action;
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isEnabled());
    copy->trigger();
    EXPECT_EQ(copied.last(), QStringLiteral("pa55 word"));
    EXPECT_EQ(copied.size(), 4);
    menu->close();
    SetSecretCopyHandler(previous);
}

} // namespace

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
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

} // namespace

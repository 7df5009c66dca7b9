// A prompt takes only the keys typed once it is up, comes up owned by the
// window the user is in, and gives the keyboard back to it when it closes.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/DialogEx.h"

namespace {

void postKey(QWidget* target, Qt::Key key, const QString& text)
{
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

TEST(PromptInput, KeysTypedBeforeThePromptIsShownAreDropped)
{
    QLineEdit edit;
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    // "bank": the "b" opened the prompt, "ank" are still on their way.
    postKey(&edit, Qt::Key_A, "a");
    postKey(&edit, Qt::Key_N, "n");
    postKey(&edit, Qt::Key_K, "k");
    platform::DiscardTypedAhead();
    QCoreApplication::processEvents();
    EXPECT_EQ(edit.text(), "");
    // What is typed afterwards arrives.
    postKey(&edit, Qt::Key_X, "x");
    QCoreApplication::processEvents();
    EXPECT_EQ(edit.text(), "x");
}

TEST(PromptOwner, TheVisibleModalWindowOwnsWhatComesUpWithoutAnOwner)
{
    EXPECT_EQ(platform::FrontOwner(), nullptr);
    QWidget modal;
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(platform::FrontOwner(), &modal);
    modal.showMinimized();
    QCoreApplication::processEvents();
    // A minimised window cannot hold a prompt in front of the user.
    EXPECT_NE(platform::FrontOwner(), &modal);
}

} // namespace

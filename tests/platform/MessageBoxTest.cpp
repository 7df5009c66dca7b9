#include <thread>

#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
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

// ---- the real box, offscreen ----------------------------------------------------

namespace {

struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QRect frame;
    int titleWidth = 0;
    QString defaultButton;
};

// Shows one real box in front of `owner` and reads it while it is up.
SeenBox ShowAndRead(QWidget* owner, const QString& title, unsigned type, const QString& text = QStringLiteral("Short."))
{
    SeenBox seen;
    owner->show();
    owner->activateWindow();
    QApplication::setActiveWindow(owner);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no box";
            return;
        }
        seen.icon = box->icon();
        seen.frame = box->frameGeometry();
        seen.titleWidth = box->fontMetrics().horizontalAdvance(title);
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text();
        box->done(QMessageBox::Cancel);
    });
    platform::ShowMessageBox(text, title, type);
    return seen;
}

} // namespace

TEST(MessageBox, ShowsTheIconOfItsKindIsAsWideAsItsTitleAndSitsOnItsOwner)
{
    // The real box this time, not the test run's guard against boxes.
    const platform::MessageBoxHandler guard = platform::SetMessageBoxHandler({});
    QWidget owner;
    owner.setGeometry(100, 80, 900, 600);
    const QString title = QStringLiteral("A rather long title that the short text alone would cut off");
    const SeenBox error = ShowAndRead(&owner, title, MB_OK | MB_ICONERROR);
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_GE(error.frame.width(), error.titleWidth);
    EXPECT_LE(std::abs(error.frame.center().x() - owner.frameGeometry().center().x()), 1);
    EXPECT_LE(std::abs(error.frame.center().y() - owner.frameGeometry().center().y()), 1);

    EXPECT_EQ(ShowAndRead(&owner, "i", MB_OK | MB_ICONINFORMATION).icon, QMessageBox::Information);
    EXPECT_EQ(ShowAndRead(&owner, "w", MB_OK | MB_ICONWARNING).icon, QMessageBox::Warning);
    const SeenBox question = ShowAndRead(&owner, "q", MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.defaultButton, QMessageBox(QMessageBox::NoIcon, {}, {}, QMessageBox::No).buttons()[0]->text());
    // Without a kind: a plain notice warns, a choice asks.
    EXPECT_EQ(ShowAndRead(&owner, "n", MB_OK).icon, QMessageBox::Warning);
    EXPECT_EQ(ShowAndRead(&owner, "c", MB_OKCANCEL).icon, QMessageBox::Question);
    // A text long enough to be wrapped: the box gets its width while it is
    // shown, and still sits on the middle of its owner (the CSV warning).
    const SeenBox wrapped =
        ShowAndRead(&owner, "w", MB_OKCANCEL,
                    QStringLiteral("The CSV file holds every password of the vault as plain text: anyone who gets the "
                                   "file can read them. Keep it safe and delete it when it is no longer needed.\nExport now?"));
    EXPECT_LE(std::abs(wrapped.frame.center().x() - owner.frameGeometry().center().x()), 1) << wrapped.frame.x();
    EXPECT_LE(std::abs(wrapped.frame.center().y() - owner.frameGeometry().center().y()), 1) << wrapped.frame.y();
    owner.hide();
    platform::SetMessageBoxHandler(guard);
}

TEST(MessageBox, AQuestionThatNoLongerStandsGoesAwayOrIsNeverShown)
{
    // Up, then moot: closed as if Cancel was pressed.
    const platform::MessageBoxHandler guard = platform::SetMessageBoxHandler({});
    QWidget owner;
    owner.show();
    bool moot = false;
    bool wasUp = false;
    QTimer::singleShot(0, [&] {
        wasUp = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
        moot = true;
    });
    EXPECT_EQ(platform::ShowMessageBox("Merge the copy?", {}, MB_OKCANCEL, [&] { return moot; }), IDCANCEL);
    EXPECT_TRUE(wasUp);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    owner.hide();
    platform::SetMessageBoxHandler(guard);

    // Moot before it is shown: no box at all, also where a handler shows them.
    MessageBoxRecorder boxes;
    EXPECT_EQ(platform::ShowMessageBox("Merge the copy?", {}, MB_OKCANCEL, [] { return true; }), IDCANCEL);
    EXPECT_EQ(platform::ShowMessageBox("Merged.", {}, MB_OK, [] { return true; }), IDOK);
    EXPECT_TRUE(boxes.texts().isEmpty());
}

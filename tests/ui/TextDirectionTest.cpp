// Captions of buttons and check boxes read in the direction of their
// script, as static texts do: an Arabic caption that ends in a quotation
// mark keeps the mark at its end (the left), not at the right.
#include <algorithm>
#include <memory>
#include <utility>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "platform/TextDirection.h"

namespace {

QImage Draw(const QString& text, int forced)
{
    QImage image(240, 30, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QApplication::style()->drawItemText(&painter, image.rect(), Qt::AlignRight | Qt::AlignVCenter | forced,
                                        QApplication::palette(), true, text, QPalette::WindowText);
    return image;
}

TEST(TextDirection, ButtonCaptionsTakeTheDirectionOfTheirScript)
{
    platform::InstallTextDirectionStyle();
    const QString arabic = QString::fromUtf8(" \u0627\u062e\u062a\u0635\u0627\u0631 \u00ab\u0625\u0636\u0627\u0641\u0629\u00bb");
    EXPECT_EQ(Draw(arabic, 0), Draw(arabic, Qt::TextForceRightToLeft | Qt::AlignAbsolute));
    EXPECT_NE(Draw(arabic, 0), Draw(arabic, Qt::TextForceLeftToRight));
    const QString latin = QStringLiteral("'ADD' \u00abHOTKEY\u00bb");
    EXPECT_EQ(Draw(latin, 0), Draw(latin, Qt::TextForceLeftToRight));
}

// A caption beside an icon (the file chooser's buttons) stays beside it in a
// right-to-left window, where the style that does not force directions puts it.
TEST(TextDirection, AnIconButtonKeepsItsArabicCaptionBesideTheIcon)
{
    platform::InstallTextDirectionStyle();
    auto* installed = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_NE(installed, nullptr);
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(installed->baseStyle()->name()));
    ASSERT_NE(plain, nullptr);
    const auto grab = [](QStyle* style) {
        // Letters of one script only: the same order in either direction.
        QPushButton button(QString::fromUtf8("\u0623\u0644\u063a\u0650"));
        button.setLayoutDirection(Qt::RightToLeft);
        button.setIcon(QApplication::style()->standardIcon(QStyle::SP_DialogCancelButton));
        if (style)
            button.setStyle(style);
        button.resize(150, 30);
        return button.grab().toImage();
    };
    EXPECT_EQ(grab(nullptr), grab(plain.get()));
}

// Where the letters of `image` lie across `area`: the leftmost and rightmost
// columns with dark pixels (an empty span when there are none).
std::pair<int, int> InkSpan(const QImage& image, const QRect& area)
{
    int left = area.right() + 1, right = area.left() - 1;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (qGray(image.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

// Column heads start at the leading side: the right in a right-to-left list,
// whatever the script of the caption.
TEST(TextDirection, ColumnHeadsOfARightToLeftListStartAtTheRight)
{
    platform::InstallTextDirectionStyle();
    QTreeWidget list;
    list.setLayoutDirection(Qt::RightToLeft);
    list.setHeaderLabels({QString::fromUtf8("\u0627\u0644\u0627\u0633\u0645"), QStringLiteral("Name")});
    list.header()->resizeSection(0, 200);
    list.header()->resizeSection(1, 200);
    list.resize(420, 80);
    list.show();
    QHeaderView* header = list.header();
    const QImage image = header->grab().toImage();
    for (int section : {0, 1}) {
        const QRect area(header->sectionViewportPosition(section), 2, header->sectionSize(section) - 4,
                         header->height() - 4);
        const auto [left, right] = InkSpan(image, area);
        ASSERT_LE(left, right) << "no caption in section " << section;
        EXPECT_GT(left, area.center().x()) << "section " << section << " spans " << area.left() << ".." << area.right();
    }
}

// One list cell, drawn by the installed style.
QImage DrawCell(const QString& text, Qt::LayoutDirection direction)
{
    QImage image(240, 24, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem cell;
    cell.rect = image.rect();
    cell.state = QStyle::State_Enabled;
    cell.features = QStyleOptionViewItem::HasDisplay;
    cell.text = text;
    cell.direction = direction;
    cell.displayAlignment = Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter;
    cell.font = QApplication::font();
    cell.fontMetrics = QFontMetrics(cell.font);
    cell.palette = QApplication::palette();
    cell.textElideMode = Qt::ElideRight;
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &cell, &painter, nullptr);
    return image;
}

TEST(TextDirection, ListCellsKeepTheOrderOfTheirOwnScript)
{
    platform::InstallTextDirectionStyle();
    // Digits and '@' take the paragraph's direction: a plain right-to-left
    // layout would show "com.1111@1111".
    for (const QString& latin : {QStringLiteral("1111@1111.com"), QStringLiteral("https://10.0.0.1/login")})
        EXPECT_EQ(DrawCell(latin, Qt::RightToLeft), DrawCell(latin, Qt::LeftToRight)) << latin.toStdString();
    // A closing mark takes the paragraph's direction too: it belongs at the left.
    const QString arabic = QString::fromUtf8("\u0628\u0646\u0643 (\u0639\u0645\u0644)!");
    EXPECT_EQ(DrawCell(arabic, Qt::LeftToRight), DrawCell(arabic, Qt::RightToLeft));

    EXPECT_EQ(platform::TextInOwnDirection("a@b.com", Qt::LeftToRight), "a@b.com");
    EXPECT_EQ(platform::TextInOwnDirection(arabic, Qt::RightToLeft), arabic);
    EXPECT_EQ(platform::TextInOwnDirection("1@b.com", Qt::RightToLeft), QString(QChar(0x202A)) + "1@b.com" + QChar(0x202C));
    EXPECT_EQ(platform::TextInOwnDirection(arabic, Qt::LeftToRight), QChar(0x202B) + arabic + QChar(0x202C));
    EXPECT_EQ(platform::TextInOwnDirection(QString(), Qt::RightToLeft), QString());
}

void SendAlt(QWidget* target, bool press)
{
    QKeyEvent key(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Alt,
                  press ? Qt::NoModifier : Qt::AltModifier);
    QApplication::sendEvent(target, &key);
}

// An underline under a mnemonic cuts through joined Arabic letters: it is
// drawn only while Alt is held, and Alt+letter presses the button all the time.
TEST(TextDirection, MnemonicsAreUnderlinedOnlyWhileAltIsHeld)
{
    platform::InstallTextDirectionStyle();
    QWidget window;
    window.setLayoutDirection(Qt::RightToLeft);
    window.resize(300, 120);
    const QString yes = QString::fromUtf8("\u0646\u0639\u0645");
    auto* marked = new QPushButton(QStringLiteral("&") + yes, &window);
    auto* plain = new QPushButton(yes, &window);
    auto* latin = new QPushButton(QStringLiteral("&Yes"), &window);
    for (QPushButton* b : {marked, plain, latin}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(120, 32);
    }
    plain->move(0, 40);
    latin->move(0, 80);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    const auto same = [&] { return marked->grab().toImage() == plain->grab().toImage(); };

    EXPECT_TRUE(same());
    SendAlt(marked, true);
    EXPECT_FALSE(same());
    SendAlt(marked, false);
    EXPECT_TRUE(same());
    // Held, then the window loses the keyboard before the release arrives.
    SendAlt(marked, true);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&window, &deactivate);
    EXPECT_TRUE(same());

    int pressed = 0;
    QObject::connect(latin, &QPushButton::clicked, [&] { ++pressed; });
    QTest::keyClick(&window, Qt::Key_Y, Qt::AltModifier);
    // A mnemonic presses the button and lets it go a moment later, as a click.
    EXPECT_TRUE(QTest::qWaitFor([&] { return pressed == 1; }));
    // Alt let go with the letter: the underlines are gone again.
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_UnderlineShortcut), 0);
}

} // namespace

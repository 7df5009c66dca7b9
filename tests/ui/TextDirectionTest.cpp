// Captions of buttons and check boxes read in the direction of their
// script, as static texts do: an Arabic caption that ends in a quotation
// mark keeps the mark at its end (the left), not at the right.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
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
    EXPECT_EQ(Draw(arabic, 0), Draw(arabic, Qt::TextForceRightToLeft));
    EXPECT_NE(Draw(arabic, 0), Draw(arabic, Qt::TextForceLeftToRight));
    const QString latin = QStringLiteral("'ADD' \u00abHOTKEY\u00bb");
    EXPECT_EQ(Draw(latin, 0), Draw(latin, Qt::TextForceLeftToRight));
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

} // namespace

// Captions of buttons and check boxes read in the direction of their
// script, as static texts do: an Arabic caption that ends in a quotation
// mark keeps the mark at its end (the left), not at the right.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
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

} // namespace

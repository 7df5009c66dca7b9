#pragma once

// Checks on a window rendered in a language: every text of its static
// texts, buttons, check boxes, radio buttons and group boxes fits the
// control's rectangle, and every letter of a text has a font that draws it.
#include <QtMath>

#include <QAbstractButton>
#include <QDir>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRawFont>
#include <QStringList>
#include <QTextLayout>
#include <QWidget>

#include "platform/DialogEx.h"

namespace langcheck {

// Where the language renders go: VW_SCREENSHOT_DIR, else /tmp/vw-lang.
inline QString RenderDir()
{
    const QString dir = qEnvironmentVariableIsSet("VW_SCREENSHOT_DIR") ? qEnvironmentVariable("VW_SCREENSHOT_DIR")
                                                                        : QStringLiteral("/tmp/vw-lang");
    QDir().mkpath(dir);
    return dir;
}

// Height that `text`, laid out in `width` with word wrap as a static text
// shows it, needs down to the lowest ink of its last line (the descent some
// script fonts reserve below their letters stays out); `overflow` is set
// when a line is wider than `width` (a word that cannot be broken).
inline int WrappedHeight(const QString& text, const QFont& font, int width, bool& overflow)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(shown, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    qreal height = 0;
    overflow = false;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        if (line.naturalTextWidth() > width + 0.5)
            overflow = true;
        height += line.height();
    }
    layout.endLayout();
    if (layout.lineCount() == 0)
        return 0;
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    const QString lastText = shown.mid(last.textStart(), last.textLength()).trimmed();
    const int inkBelowBaseline = qMax(0, QFontMetrics(font).tightBoundingRect(lastText).bottom());
    return qCeil(last.y() + last.ascent()) + inkBelowBaseline;
}

// "id 'text' needs WxH, has wxh" for every visible text control whose text
// does not fit.
inline QStringList ClippedTexts(const CDialogEx& dlg)
{
    QStringList clipped;
    const QWidget* host = dlg.GetWidget();
    if (!host)
        return {QStringLiteral("no window")};
    for (QWidget* w : host->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!w->isVisible() || w->property("vw_id").toInt() == 0)
            continue;
        const int id = w->property("vw_id").toInt();
        const QFontMetrics fm(w->font());
        QString text;
        int needW = 0, needH = 0;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            bool overflow = false;
            needH = WrappedHeight(text, w->font(), w->width(), overflow);
            needW = overflow ? w->width() + 1 : 0;
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            text = button->text().remove(QLatin1Char('&'));
            needW = fm.horizontalAdvance(text) + 6;  // the frame and a little air
            needH = fm.height();
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            text = static_cast<QAbstractButton*>(w)->text();
            needW = w->sizeHint().width();
            needH = fm.height();
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            text = group->title();
            needW = fm.horizontalAdvance(text) + 12;
        } else {
            continue;
        }
        if (needW > w->width() || needH > w->height())
            clipped << QStringLiteral("%1 '%2' needs %3x%4, has %5x%6")
                           .arg(id)
                           .arg(text)
                           .arg(needW)
                           .arg(needH)
                           .arg(w->width())
                           .arg(w->height());
    }
    return clipped;
}

// The letters of `text` that no family of `font` draws (spaces, joiners
// and marks of direction are not drawn and do not count).
inline QString LettersWithoutFont(const QFont& font, const QString& text)
{
    QList<QRawFont> fonts;
    for (const QString& family : font.families()) {
        QFont f(family);
        f.setPixelSize(16);
        const QRawFont raw = QRawFont::fromFont(f);
        if (raw.isValid() && raw.familyName().compare(family, Qt::CaseInsensitive) == 0)
            fonts << raw;
    }
    QString missing;
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category cat = QChar::category(c);
        if (cat == QChar::Other_Format || cat == QChar::Other_Control || cat == QChar::Separator_Space ||
            cat == QChar::Separator_Line || cat == QChar::Separator_Paragraph)
            continue;
        bool drawn = false;
        for (const QRawFont& raw : fonts)
            drawn = drawn || raw.supportsCharacter(c);
        const QString letter = QString::fromUcs4(&c, 1);
        if (!drawn && !missing.contains(letter))
            missing += letter;
    }
    return missing;
}

} // namespace langcheck

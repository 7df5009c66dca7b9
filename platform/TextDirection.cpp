#include "platform/TextDirection.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPointer>
#include <QProxyStyle>
#include <QComboBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOption>
#include <QStyleOptionViewItem>
#include <QTextDocument>
#include <QTextOption>
#include <QWidget>

#include "platform/AltMnemonics.h"
#include "platform/DialogHost.h"

namespace platform {
namespace {

// Qt draws the texts of buttons and check boxes left to right whatever the
// script: an Arabic caption ending in a quotation mark («...») would show the
// mark at the wrong end. Each text takes the direction of its first letter,
// as a static text does.
class TextDirectionStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole role) const override
    {
        if (!(flags & (Qt::TextForceLeftToRight | Qt::TextForceRightToLeft))) {
            // A left or right alignment keeps the side it has in the
            // painter's direction: the forced one would swap it, and an
            // Arabic caption beside its icon (the file chooser's buttons)
            // would jump to the far edge and be cut there.
            const auto horizontal = Qt::Alignment(flags & Qt::AlignHorizontal_Mask);
            flags = (flags & ~int(Qt::AlignHorizontal_Mask)) |
                int(QStyle::visualAlignment(painter->layoutDirection(), horizontal));
            flags |= text.isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight;
        }
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, role);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_UnderlineShortcut)
            return MnemonicsShown() ? 1 : 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // List cells likewise: an address like "1111@1111.com" in a right-to-left
    // list would otherwise read "com.1111@1111".
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_ItemViewItem)
            if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
                const QString text = TextInOwnDirection(item->text, item->direction);
                if (text.size() != item->text.size()) {
                    QStyleOptionViewItem own(*item);
                    own.text = text;
                    QProxyStyle::drawControl(element, &own, painter, widget);
                    return;
                }
            }
        // A column head's alignment names its leading side, but Qt draws it
        // on the left in a right-to-left header too (its painter runs left
        // to right): turned into the side it means there.
        if (element == CE_HeaderLabel) {
            if (const auto* head = qstyleoption_cast<const QStyleOptionHeaderV2*>(option))
                return drawHeaderLabel(*head, painter, widget);
            if (const auto* head = qstyleoption_cast<const QStyleOptionHeader*>(option))
                return drawHeaderLabel(*head, painter, widget);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

private:
    template <typename HeaderOption>
    void drawHeaderLabel(const HeaderOption& head, QPainter* painter, const QWidget* widget) const
    {
        HeaderOption own(head);
        own.textAlignment = QStyle::visualAlignment(head.direction, head.textAlignment);
        QProxyStyle::drawControl(CE_HeaderLabel, &own, painter, widget);
    }
};

} // namespace

QString TextInOwnDirection(const QString& text, Qt::LayoutDirection direction)
{
    // Embedding marks (not isolates): every text engine in use knows them.
    constexpr QChar kLeftToRightEmbedding(0x202A), kRightToLeftEmbedding(0x202B), kPopDirectional(0x202C);
    if (text.isEmpty())
        return text;
    const bool rightToLeft = text.isRightToLeft();
    if (rightToLeft == (direction == Qt::RightToLeft))
        return text;
    return (rightToLeft ? kRightToLeftEmbedding : kLeftToRightEmbedding) + text + kPopDirectional;
}

void InstallTextDirectionStyle()
{
    static QPointer<QStyle> installed;
    if (!qApp || (installed && QApplication::style() == installed))
        return;
    installed = new TextDirectionStyle(QApplication::style()->name());
    QApplication::setStyle(installed);
    WatchAltForMnemonics();
}


void SetWindowRightToLeft(const CWnd& wnd, bool rightToLeft)
{
    QWidget* w = wnd.GetWidget();
    const Qt::LayoutDirection direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
    if (!w || w->layoutDirection() == direction)
        return;
    w->setLayoutDirection(direction);
    // Controls sit at fixed places, which Qt does not mirror by itself;
    // mirroring twice gives the original place back.
    const int width = w->width();
    for (QWidget* child : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        const QRect g = child->geometry();
        child->move(width - g.x() - g.width(), g.y());
    }
    // A multi-line edit lays its lines out left to right whatever the
    // widget's direction: "[label]: value" lines would read backwards.
    for (QPlainTextEdit* edit : w->findChildren<QPlainTextEdit*>()) {
        QTextOption option = edit->document()->defaultTextOption();
        option.setTextDirection(direction);
        option.setAlignment(rightToLeft ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft | Qt::AlignAbsolute);
        edit->document()->setDefaultTextOption(option);
    }
    for (QPushButton* button : w->findChildren<QPushButton*>())
        if (ControlKindOf(button) == Control::Link)
            button->setStyleSheet(LinkStyleSheet(direction));
    // The drop-down list of a combo box is a window of its own.
    for (QComboBox* combo : w->findChildren<QComboBox*>())
        combo->view()->setLayoutDirection(direction);
    ApplyReadingOrder(w);
}

bool IsWindowRightToLeft(const CWnd& wnd)
{
    const QWidget* w = wnd.GetWidget();
    return w && w->layoutDirection() == Qt::RightToLeft;
}

CRect VisualRect(const CWnd& wnd, const CRect& rect)
{
    const QWidget* w = wnd.GetWidget();
    if (!w || w->layoutDirection() != Qt::RightToLeft)
        return rect;
    return CRect{w->width() - rect.right, rect.top, w->width() - rect.left, rect.bottom};
}

} // namespace platform

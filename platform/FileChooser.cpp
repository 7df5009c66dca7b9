#include "platform/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/DialogEx.h"

namespace platform {
namespace {

ChooserHandler& currentHandler()
{
    static ChooserHandler handler;
    return handler;
}

} // namespace

QString FilterFromWindows(const QString& windowsFilter)
{
    // "Name|pattern;pattern|Name|pattern||": names are shown, patterns are
    // Qt's space-separated list in parentheses.
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            break;
        QString name = parts[i];
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        if (const qsizetype open = name.indexOf(QLatin1Char('(')); open >= 0)
            name = name.left(open).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString ChooseFile(const ChooserRequest& request, const CWnd& owner)
{
    if (auto& handler = currentHandler())
        return handler(request);
    // Without an owner, the window the user is in: the chooser stays above
    // it, and reads in its direction.
    QWidget* parent = owner.GetWidget() ? owner.GetWidget() : FrontOwner();
    QFileDialog dialog(parent, request.title, request.initial, request.filter);
    // A dialog window takes the application's direction, not its owner's:
    // an Arabic window's chooser reads from the right like the window.
    if (parent)
        dialog.setLayoutDirection(parent->layoutDirection());
    switch (request.kind) {
    case ChooserKind::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    case ChooserKind::OpenFile:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case ChooserKind::SaveFile:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(request.defaultExtension);
        // A name typed without an extension takes that of the chosen type ("*.csv" -> csv).
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            static const QRegularExpression single(QStringLiteral("\\(\\*\\.(\\w+)\\)$"));
            if (const auto match = single.match(filter); match.hasMatch())
                dialog.setDefaultSuffix(match.captured(1));
        });
        // Offering to replace a file the caller then keeps would be a false question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmReplace);
        break;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

ChooserHandler SetChooserHandler(ChooserHandler handler)
{
    ChooserHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace platform

#include "platform/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

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
    QWidget* parent = owner.GetWidget();
    switch (request.kind) {
    case ChooserKind::Folder:
        return QFileDialog::getExistingDirectory(parent, request.title, request.initial);
    case ChooserKind::OpenFile:
        return QFileDialog::getOpenFileName(parent, request.title, request.initial, request.filter);
    case ChooserKind::SaveFile: {
        QFileDialog dialog(parent, request.title, request.initial, request.filter);
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
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    }
    }
    return QString();
}

ChooserHandler SetChooserHandler(ChooserHandler handler)
{
    ChooserHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace platform

#include "platform/OpenUrl.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace platform {
namespace {

OpenResult open(const QUrl& url)
{
    return QDesktopServices::openUrl(url) ? OpenResult::Opened : OpenResult::Failed;
}

} // namespace

QString NormalizeWebAddress(const QString& address)
{
    QString text = address.trimmed();
    if (text.isEmpty())
        return {};
    // "name:" followed by anything but a port number is a scheme
    // (mailto:, file:, javascript:, C:\...); "host:8080" is not.
    static const QRegularExpression schemePrefix(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(?!\\d)"));
    if (!schemePrefix.match(text).hasMatch()) {
        if (text.startsWith(u'/') || text.startsWith(u'\\') || text.startsWith(u'~') || text.startsWith(u'.'))
            return {};
        text.prepend(QStringLiteral("https://"));
    }
    const QUrl url(text); // tolerant: stored addresses may hold spaces
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.host().isEmpty())
        return {};
    return url.toString(QUrl::FullyEncoded);
}

OpenResult OpenWebAddress(const QString& address)
{
    const QString url = NormalizeWebAddress(address);
    if (url.isEmpty())
        return OpenResult::Refused;
    return open(QUrl(url, QUrl::StrictMode));
}

OpenResult OpenLocalDocument(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return OpenResult::Refused;
    return open(QUrl::fromLocalFile(info.absoluteFilePath()));
}

} // namespace platform

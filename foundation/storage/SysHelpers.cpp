#include "foundation/storage/SysHelpers.h"

#include <QDateTime>

#include "foundation/storage/SqlText.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

QString g_strTitleSet = QStringLiteral("Settings");
QString g_strTitlePass = QStringLiteral("Vaultwick Keeper");
QString g_strTitleAbout = QStringLiteral("About");

int ConfirmPath(const QString& path)
{
    if (platform::FileExists(path))
        return 0;
    return platform::MakeFolder(path) ? 1 : -1;
}

int CreateFileEveryone(const QString& path)
{
    // Owner-only on purpose: a vault others may write is a vault others may
    // replace or destroy.
    platform::CreateOwnerOnlyFile(path);
    return 1;
}

quint32 GetHotKeyVk(const QString& name)
{
    if (name.size() == 1)
        return name[0].unicode();
    return static_cast<quint32>(TextToInt64(QString(name).remove('F')) + 111);
}

quint32 GetHotKeyMod(const QString& first, const QString& second)
{
    const auto has = [&](const char* name) { return first == QLatin1String(name) || second == QLatin1String(name); };
    quint32 mod = 0;
    if (has("Ctrl"))
        mod |= 2;
    if (has("Alt"))
        mod |= 1;
    if (has("Shift"))
        mod |= 4;
    if (has("Windows"))
        mod |= 8;
    return mod;
}

// Shift and alt swap places between the two encodings; control stays.
quint16 HKF2SDK(quint16 flags)
{
    return static_cast<quint16>(((flags & 1) << 2) | (flags & 2) | ((flags & 4) >> 2));
}

quint16 SDK2HKF(quint16 flags) { return HKF2SDK(flags); }

int SetAutoRun(int enable, const QString& name, const QString& command)
{
    if (!enable)
        return platform::RemoveAutostartEntry(name) ? 1 : 0;
    if (!platform::WriteAutostartEntry(name, command)) {
        platform::ShowMessageBox(QStringLiteral("Couldn't set as auto start!"));
        return 0;
    }
    return 1;
}

quint32 GetSecondsFromZero()
{
    // Both ends are local calendar times; whole days plus the time of day is
    // the OLE-date span in seconds without its rounding noise.
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 days = QDate(1900, 1, 1).daysTo(now.date());
    const qint64 seconds = days * 86400 + now.time().msecsSinceStartOfDay() / 1000;
    return static_cast<quint32>(seconds);
}

QString GetPageNameByID(int id)
{
    switch (id) {
    case 10100: return g_strTitleSet;
    case 13000: return g_strTitlePass;
    default: return g_strTitleAbout;
    }
}

#include <QDesktopServices>
#include <QFile>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>

#include "platform/OpenUrl.h"
#include "support/TempDir.h"

using namespace platform;

namespace {

// Stands in for the browser and the file opener.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder()
    {
        for (const char* scheme : {"http", "https", "file", "mailto", "javascript", "ftp", "smb", "c"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlRecorder() override
    {
        for (const char* scheme : {"http", "https", "file", "mailto", "javascript", "ftp", "smb", "c"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

TEST(OpenUrlTest, WebAddressesOpenWithHttpsForAMissingScheme)
{
    UrlRecorder recorder;
    const struct {
        const char* stored;
        const char* opened;
    } cases[] = {
        {"www.example.com", "https://www.example.com"},
        {"  example.com/login?next=a  ", "https://example.com/login?next=a"},
        {"example.com:8443/x", "https://example.com:8443/x"},
        {"http://intranet.local/wiki", "http://intranet.local/wiki"},
        {"HTTPS://Example.COM/Path", "https://example.com/Path"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(OpenWebAddress(QString::fromUtf8(c.stored)), OpenResult::Opened);
        ASSERT_FALSE(recorder.opened.isEmpty());
        EXPECT_EQ(recorder.opened.takeLast(), QUrl(QString::fromUtf8(c.opened)));
    }
}

TEST(OpenUrlTest, LocalFilesAndOtherSchemesAreRefused)
{
    UrlRecorder recorder;
    for (const char* stored : {"", "   ", "file:///usr/bin/xterm", "/usr/bin/xterm", "~/run.sh", "./run.sh",
                               "../run.sh", "javascript:alert(1)", "mailto:me@example.com",
                               "ftp://example.com/f", "smb://server/share", "C:\\Windows\\calc.exe",
                               "http://", "https:example.com"}) {
        SCOPED_TRACE(stored);
        EXPECT_EQ(OpenWebAddress(QString::fromUtf8(stored)), OpenResult::Refused);
        EXPECT_TRUE(NormalizeWebAddress(QString::fromUtf8(stored)).isEmpty());
    }
    EXPECT_TRUE(recorder.opened.isEmpty());
}

class OpenDocumentTest : public TempDirTest {};

TEST_F(OpenDocumentTest, OnlyAnExistingFileIsOpened)
{
    UrlRecorder recorder;
    const QString help = file(QStringLiteral("VaultwickHelp.html"));
    EXPECT_EQ(OpenLocalDocument(help), OpenResult::Refused);
    EXPECT_EQ(OpenLocalDocument(path()), OpenResult::Refused); // a folder
    EXPECT_TRUE(recorder.opened.isEmpty());

    QFile f(help);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(OpenLocalDocument(help), OpenResult::Opened);
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.first(), QUrl::fromLocalFile(help));
}

} // namespace

#include "OpenUrlTest.moc"

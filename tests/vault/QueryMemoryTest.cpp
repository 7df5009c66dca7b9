// What the windows that meet passwords leave in the process's memory once
// they close: the query window after it listed entries, the editor after a
// password was typed or loaded and saved, the change of the master password.
// None of those passwords is anywhere in the process, as UTF-8 or UTF-16.
// Listed passwords are written by another process, so this one meets them
// through the window alone; typed ones are built a character at a time.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "QueryDlgFixture.h"
#include "foundation/storage/Secret.h"
#include "foundation/storage/SqlText.h"
#include "vault/DlgChangePasswd.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgDbLogin.h"
#include "vault/DlgEditEntry.h"
#include "platform/Clipboard.h"

namespace {

using Q = CDlgPasswdQuery;

// The passwords' common part, made at run time so that the program's own
// bytes do not hold it.
QByteArray Marker()
{
    QByteArray m;
    for (char c : std::string("Qbttxpse8B"))
        m += char(c - 1);
    return m + "q";  // "Passwor7Aq"
}

// The marker's UTF-16 spelling, grown in place: a buffer left behind by
// growing would count as a copy.
QByteArray Widened(const QByteArray& marker)
{
    QByteArray wide;
    wide.reserve(2 * marker.size() + 1);
    for (char c : marker)
        wide.append(c).append('\0');
    return wide;
}

bool AddEntriesInChild(const QByteArray& marker, int count)
{
    const QString path = g_pSqlite->GetPathFile();
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        CDbSqlite3 db(path);
        if (db.InitDB() != 0 || !db.ConfirmPasswd(QString(), 1))
            _exit(1);
        QStringList sqls;
        for (int i = 0; i < count; ++i)
            sqls << QStringLiteral("INSERT INTO TnPwEntry VALUES('Common','Entry %1','user%1',%2,'','','note %1')")
                        .arg(i)
                        .arg(quoteSqlText(QString::fromLatin1(marker) + QString::number(i)));
        _exit(db.Transaction(sqls) == 0 ? 0 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The secrets' spellings the scans look for: never counted as copies (the
// needle of a key text holds the password too).
std::vector<const QByteArray*>& OwnNeedles()
{
    static std::vector<const QByteArray*> all;
    return all;
}

bool InOwnNeedle(std::uintptr_t address)
{
    for (const QByteArray* n : OwnNeedles()) {
        const auto begin = reinterpret_cast<std::uintptr_t>(n->constData());
        if (address >= begin && address < begin + std::uintptr_t(n->size()))
            return true;
    }
    return false;
}

// Occurrences of `needle` in every readable mapping of this process, other
// than the needle's own bytes.
int Occurrences(const QByteArray& needle)
{
    std::ifstream maps("/proc/self/maps");
    const int mem = open("/proc/self/mem", O_RDONLY);
    if (mem < 0)
        return -1;
    const char* own = needle.constData();
    int found = 0;
    std::string line;
    std::vector<char> buffer(1 << 20);
    // What is read lands in this buffer: not a place where it stays.
    const std::uintptr_t scratchBegin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t scratchEnd = scratchBegin + buffer.size();
    while (std::getline(maps, line)) {
        std::istringstream in(line);
        std::string range, perms, offset, dev, inode, name;
        in >> range >> perms >> offset >> dev >> inode >> name;
        if (perms.empty() || perms[0] != 'r' || name == "[vvar]" || name == "[vsyscall]" || name == "[vvar_vclock]")
            continue;
        const std::uintptr_t begin = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        const std::uintptr_t end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
        for (std::uintptr_t at = begin; at < end;) {
            const std::size_t want = std::min<std::size_t>(buffer.size(), end - at);
            const ssize_t got = pread(mem, buffer.data(), want, off_t(at));
            if (got <= 0)
                break;
            const char* p = buffer.data();
            const char* last = buffer.data() + got;
            while (const void* hit = memmem(p, std::size_t(last - p), needle.constData(), std::size_t(needle.size()))) {
                const std::uintptr_t address = at + std::uintptr_t(static_cast<const char*>(hit) - buffer.data());
                if (reinterpret_cast<const char*>(address) != own && !InOwnNeedle(address) &&
                    (address < scratchBegin || address >= scratchEnd)) {
                    ++found;
                    // Byte by byte in hex: printing the text would leave a
                    // copy of it in stdio's buffer on the stack.
                    if (getenv("VW_SHOW_HITS")) {
                        fprintf(stderr, "hit %lx in %s %s:", (unsigned long)address, range.c_str(), name.c_str());
                        const char* from = std::max<const char*>(static_cast<const char*>(hit) - 16, buffer.data());
                        for (const char* c = from; c < std::min<const char*>(from + 64, last); ++c)
                            fprintf(stderr, " %02x", (unsigned char)*c);
                        fprintf(stderr, "\n");
                    }
                }
                p = static_cast<const char*>(hit) + 1;
            }
            // Overlap, so a needle across two reads is seen.
            at += std::size_t(got) > std::size_t(needle.size()) ? std::size_t(got) - std::size_t(needle.size()) + 1
                                                                 : std::size_t(got);
        }
    }
    close(mem);
    return found;
}

// The scan reads every mapping; AddressSanitizer's shadow memory alone is
// terabytes, and its allocator keeps freed blocks on purpose.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VW_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VW_UNDER_ASAN 1
#endif
#ifdef VW_UNDER_ASAN
#define SKIP_UNDER_ASAN() GTEST_SKIP() << "not meaningful under AddressSanitizer"
#else
#define SKIP_UNDER_ASAN() (void)0
#endif

// A secret built a character at a time from a spelling shifted by one, so
// that neither the program's bytes nor a freed intermediate holds it whole.
QString Unshifted(const char* shifted)
{
    QString text;
    text.reserve(64);
    for (const char* p = shifted; *p; ++p)
        text += QChar(*p - 1);
    return text;
}

// The secret's UTF-8 (ASCII) and UTF-16 bytes, each in a buffer of its own
// that the scan leaves out.
struct Needles {
    QByteArray narrow, wide;
    explicit Needles(const QString& text)
    {
        narrow.reserve(text.size() + 1);
        wide.reserve(2 * text.size() + 1);
        for (const QChar c : text) {
            narrow.append(char(c.unicode()));
            wide.append(char(c.unicode())).append('\0');
        }
        OwnNeedles().push_back(&narrow);
        OwnNeedles().push_back(&wide);
    }
    Needles(const Needles&) = delete;
    Needles& operator=(const Needles&) = delete;
    ~Needles()
    {
        auto& all = OwnNeedles();
        all.erase(std::remove_if(all.begin(), all.end(),
                                 [this](const QByteArray* n) { return n == &narrow || n == &wide; }),
                  all.end());
    }
};

int Copies(const Needles& n) { return Occurrences(n.narrow) + Occurrences(n.wide); }

// The count goes into the test's output and its XML report, so a run of
// these tests is also the count of copies each case leaves.
int Reported(const char* what, int copies)
{
    std::printf("[  COPIES  ] %s: %d\n", what, copies);
    ::testing::Test::RecordProperty(what, copies);
    return copies;
}

TEST_F(QueryDlgTest, NoPasswordOfAListedEntryIsLeftInMemoryAfterTheWindowCloses)
{
    SKIP_UNDER_ASAN();
    const QByteArray marker = Marker();
    const QByteArray wide = Widened(marker);
    ASSERT_TRUE(AddEntriesInChild(marker, 300));
    // The scan itself finds what it should: a copy made here is seen.
    {
        QByteArray copy = marker + "x";
        EXPECT_GE(Occurrences(marker), 1);
        std::memset(copy.data(), 0, std::size_t(copy.size()));
    }

    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(list(dlg).GetItemCount(), 304);
        EXPECT_EQ(column(dlg, 2), QStringList(304, "********"));
        d.Type(dlg, Q::IDC_KEYWORDS, "entry 1");
        d.SelectListRow(dlg, Q::IDC_LIST, 3);
        EXPECT_TRUE(detail(dlg).contains("[Passwd]: ********"));
        dlg.EndDialog(IDCANCEL);
    });
    d.ProcessEvents();
    EXPECT_EQ(Reported("listed passwords after the query window", Occurrences(marker) + Occurrences(wide)), 0);
}

// The restore writes the entries again: neither the kept passwords nor the
// rows SQLite built of them are left.
TEST_F(QueryDlgTest, PasswordsKeptToUndoADeleteAreOverwrittenWhenDroppedAndAtClose)
{
    SKIP_UNDER_ASAN();
    const QByteArray marker = Marker();
    const QByteArray wide = Widened(marker);
    ASSERT_TRUE(AddEntriesInChild(marker, 40));

    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, Q::IDC_KEYWORDS, "entry 1");
        const int listed = list(dlg).GetItemCount();
        ASSERT_GT(listed, 10);
        // Taken, put back (the kept copies are dropped), taken again and
        // still kept for Ctrl+Z when the window closes.
        d.Click(dlg, Q::IDC_CHECK_ALL);
        d.Click(dlg, Q::IDC_DELETE_CHECKED);
        EXPECT_EQ(dlg.UndoCount(), listed);
        d.PressKey(dlg, 'Z', HOTKEYF_CONTROL);
        EXPECT_EQ(list(dlg).GetItemCount(), listed);
        d.Click(dlg, Q::IDC_CHECK_ALL);
        d.Click(dlg, Q::IDC_DELETE_CHECKED);
        EXPECT_EQ(dlg.UndoCount(), listed);
        dlg.EndDialog(IDCANCEL);
    });
    d.ProcessEvents();
    EXPECT_EQ(Reported("passwords kept to undo a delete", Occurrences(marker) + Occurrences(wide)), 0);
}

// Neither the fields nor the row SQLite built of the saved entry (in a
// scratch page the connection keeps) hold the password once the editor closes.
TEST_F(QueryDlgTest, NoPasswordTypedInTheEditorIsLeftInMemoryAfterItCloses)
{
    SKIP_UNDER_ASAN();
    QString typed = Unshifted("Uzqfe8Qbtt{");  // "Typed7Pass" and one more
    const Needles needles(typed);
    CDlgEditEntry editor(&m_main);
    d.AnswerNextDialog(IDOK);  // the saved notice
    const int r = d.RunModal(editor, [&](CDialogEx&) {
        d.SetText(editor, CDlgEditEntry::IDC_TITLE, "Typed");
        d.SetText(editor, CDlgEditEntry::IDC_USER, "me");
        d.Type(editor, CDlgEditEntry::IDC_PASSWD, typed);
        d.Type(editor, CDlgEditEntry::IDC_REPEAT, typed);
        d.Click(editor, IDOK);
    });
    ASSERT_EQ(r, IDOK);
    WipeSharedSecret(typed);
    d.ProcessEvents();
    EXPECT_EQ(Reported("password typed in the editor", Copies(needles)), 0);
    ST_PW_ENTRY stored{"", "Typed", "me", {}, {}, {}, {}};
    ASSERT_EQ(store().SelectEntry(&stored), 1);
    EXPECT_EQ(Needles(stored.strPasswd).narrow, needles.narrow) << "stored as typed";
}

TEST_F(QueryDlgTest, NoListedPasswordIsLeftInMemoryAfterItWasEditedAndSaved)
{
    SKIP_UNDER_ASAN();
    const QByteArray marker = Marker();
    ASSERT_TRUE(AddEntriesInChild(marker, 3));
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_TITLE), "Entry 1");
            d.SetText(editor, CDlgEditEntry::IDC_URL, "changed.example");
            d.Click(editor, IDOK);
        });
        d.AnswerNextDialog(IDOK);  // the saved notice
        d.DoubleClickListRow(dlg, Q::IDC_LIST, 2);  // Bank, Entry 0, Entry 1 ...
        dlg.EndDialog(IDCANCEL);
    });
    d.ProcessEvents();
    const QByteArray wide = Widened(marker);
    EXPECT_EQ(Reported("listed password edited and saved", Occurrences(marker) + Occurrences(wide)), 0);
    ST_PW_ENTRY edited{"", "Entry 1", "user1", {}, {}, {}, {}};
    ASSERT_EQ(store().SelectEntry(&edited), 1);
    EXPECT_EQ(edited.strURL, "changed.example");
}

// The hash of the key text is taken over its UTF-16 bytes: the hashing state
// keeps the last block of them unless it is overwritten.
TEST_F(QueryDlgTest, NoNewMasterPasswordNorItsKeyTextIsLeftInMemoryAfterTheChange)
{
    SKIP_UNDER_ASAN();
    QString fresh = Unshifted("OfxNbtufs8Y");  // "NewMaster7X"
    QString keyText = Unshifted("RXSU`6931OfxNbtufs8Y");
    const Needles passwd(fresh), key(keyText);
    WipeSharedSecret(keyText);
    CDlgChangePasswd dlg(&m_main);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgChangePasswd::IDC_NEW, fresh);
        d.Type(dlg, CDlgChangePasswd::IDC_REPEAT, fresh);
        d.Click(dlg, IDOK);
    });
    ASSERT_EQ(r, IDOK);
    WipeSharedSecret(fresh);
    d.ProcessEvents();
    EXPECT_EQ(Reported("new master password", Copies(passwd)), 0);
    EXPECT_EQ(Reported("key text of the new master password", Copies(key)), 0);
}

// The master password typed at the login, or to confirm an action (wrong
// once, then right; or typed and cancelled), is gone once the prompt closes.
TEST_F(QueryDlgTest, NoMasterPasswordTypedAtALoginOrAConfirmationIsLeftInMemory)
{
    SKIP_UNDER_ASAN();
    QString typed = Unshifted("Mphjo8Nbtufs");  // "Login7Master"
    QString keyText = Unshifted("RXSU`6931Mphjo8Nbtufs");
    QString nearMiss = Unshifted("Mphjo8Nbtufst");
    const Needles passwd(typed), key(keyText);
    WipeSharedSecret(keyText);
    ASSERT_EQ(g_pSqlite->ConfirmAndChangePasswd(QString(), typed, 0), 1);
    ASSERT_TRUE(g_pSqlite->CloseDB());
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    ASSERT_FALSE(g_pSqlite->IsLoggedIn());
    CDlgDbLogin::s_iWrongPasswdDelayMs = 0;
    {
        CDlgDbLogin dlg(g_pSqlite);
        const int r = d.RunModal(dlg, [&](CDialogEx&) {
            d.Type(dlg, CDlgDbLogin::IDC_PASSWD, nearMiss);
            d.PressKey(dlg, VK_RETURN);
            d.Type(dlg, CDlgDbLogin::IDC_PASSWD, typed);
            d.PressKey(dlg, VK_RETURN);
        });
        ASSERT_EQ(r, IDOK);
    }
    CDlgDbLogin::s_iWrongPasswdDelayMs = 1000;
    EXPECT_TRUE(g_pSqlite->IsLoggedIn());
    for (const int answer : {IDOK, IDCANCEL}) {
        CDlgConfirmPasswd dlg(&m_main);
        const int r = d.RunModal(dlg, [&](CDialogEx&) {
            d.Type(dlg, CDlgConfirmPasswd::IDC_PASSWD, nearMiss);
            d.PressKey(dlg, VK_RETURN);
            d.Type(dlg, CDlgConfirmPasswd::IDC_PASSWD, typed);
            d.PressKey(dlg, answer == IDOK ? VK_RETURN : VK_ESCAPE);
        });
        EXPECT_EQ(r, answer);
    }
    WipeSharedSecret(typed);
    WipeSharedSecret(nearMiss);
    d.ProcessEvents();
    ScrubFreedMemory();
    EXPECT_EQ(Reported("master password typed at a login or a confirmation", Copies(passwd)), 0);
    EXPECT_EQ(Reported("key text of the master password typed at a login", Copies(key)), 0);
}

// Ctrl+C puts the password on the clipboard; once the clipboard is emptied
// neither its text nor the digest taken to recognise it holds the password.
TEST_F(QueryDlgTest, NoCopiedPasswordIsLeftInMemoryAfterTheClipboardIsEmptied)
{
    SKIP_UNDER_ASAN();
    const QByteArray marker = Marker();
    const QByteArray wide = Widened(marker);
    ASSERT_TRUE(AddEntriesInChild(marker, 3));
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, Q::IDC_KEYWORDS, "entry 2");
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        dlg.EndDialog(IDCANCEL);
    });
    d.ProcessEvents();
    EXPECT_GE(Occurrences(marker) + Occurrences(wide), 1) << "copied";
    EXPECT_EQ(platform::ClearClipboardSecret(), 1);
    d.ProcessEvents();
    ScrubFreedMemory();
    EXPECT_EQ(Reported("copied password after the clipboard is emptied", Occurrences(marker) + Occurrences(wide)), 0);
}

} // namespace

// Typing in the query window as a person types, on vaults of 10,000 and
// 100,000 entries of realistic text: opening the window (its first frame
// drawn; a large vault lists every entry a step later, also timed),
// each keystroke of a title typed letter by letter from its first letter (the
// early ones match nearly everything), a keyword that matches nothing, and
// backspacing to the empty text. A keystroke is timed from the key event until
// the list holds its rows and the window has painted them. The opening is
// also set against the same window's opening on an empty vault, as ratios
// within this run, so that the machine's speed and load cancel out. Memory is the
// process's resident size: its peak while the window is open, and what is
// left after it closes, against the size just before opening.
//
// The vaults are written by a child process, so this process never held the
// entries' texts: its memory is the query window's alone.
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>

#include "BenchVault.h"
#include "foundation/ui/ExListCtrl.h"
#include "platform/MessageBox.h"
#include "vault/DlgPasswdQuery.h"

namespace {

const char* const kWords[] = {
    "account", "admin", "alpha", "amber", "anchor", "apex", "archive", "arrow", "atlas", "aurora", "azure", "banking",
    "beacon", "birch", "blue", "bolt", "bridge", "bright", "cabin", "camera", "canyon", "capital", "carbon", "cedar",
    "central", "charter", "cinema", "circle", "city", "cloud", "coast", "cobalt", "comet", "copper", "coral", "crest",
    "crystal", "delta", "desert", "digital", "direct", "dragon", "eagle", "echo", "edge", "electric", "ember",
    "empire", "energy", "falcon", "family", "field", "fire", "first", "fleet", "forest", "fortune", "fox", "frontier",
    "galaxy", "garden", "gate", "giant", "global", "gold", "granite", "green", "grove", "harbor", "hawk", "health",
    "horizon", "house", "hudson", "insurance", "iron", "island", "jade", "journal", "jungle", "kingdom", "lake",
    "laser", "legacy", "liberty", "light", "lime", "lion", "lotus", "lunar", "magnet", "maple", "marine", "market",
    "meadow", "media", "mercury", "metro", "midland", "mobile", "monarch", "mountain", "music", "national", "nebula",
    "network", "noble", "north", "oak", "ocean", "office", "olive", "omega", "orbit", "orchard", "pacific", "panda",
    "paper", "park", "peak", "pearl", "phoenix", "pilot", "pine", "pixel", "planet", "plaza", "polar", "portal",
    "prime", "quantum", "quartz", "radio", "rapid", "raven", "red", "ridge", "river", "rocket", "royal", "ruby",
    "saga", "salt", "savings", "scout", "sector", "shadow", "shield", "shop", "signal", "silver", "sky", "solar",
    "sonic", "spark", "spring", "square", "star", "steel", "stone", "storm", "summit", "sun", "swift", "systems",
    "tango", "tech", "terra", "thunder", "tiger", "titan", "torch", "tower", "trade", "trail", "travel", "union",
    "unity", "urban", "valley", "vector", "velvet", "venture", "vertex", "vista", "voyage", "wave", "west", "willow",
    "wind", "wolf", "world", "zenith"};
const char* const kFirstNames[] = {"anna", "ben", "carla", "david", "elena", "felix", "grace", "hugo", "iris",
                                   "jonas", "karin", "leo", "maria", "nils", "olga", "paul", "rosa", "sven", "tina",
                                   "victor", "wendy", "yusuf", "zoe", "mehmet", "li", "sofia", "omar", "ida"};
const char* const kDomains[] = {"example.org", "mail.example", "post.example.net", "inbox.example.com"};

// A title as people name their accounts: two or three words, at times a number.
struct Generator {
    std::mt19937 rng{20261208};
    QSet<QString> used;
    template <std::size_t N> const char* pick(const char* const (&list)[N])
    {
        return list[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
    }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    static QString cap(const char* word)
    {
        QString w = QString::fromLatin1(word);
        w[0] = w[0].toUpper();
        return w;
    }

    ST_PW_ENTRY entry(int i)
    {
        ST_PW_ENTRY e;
        e.strEntryType = QStringLiteral("Common");
        const char* w1 = pick(kWords);
        const char* w2 = pick(kWords);
        e.strTitle = cap(w1) + ' ' + cap(w2);
        if (below(3) == 0)
            e.strTitle += ' ' + cap(pick(kWords));
        if (below(4) == 0)
            e.strTitle += QStringLiteral(" %1").arg(below(100));
        const QString first = QString::fromLatin1(pick(kFirstNames));
        const QString last = QString::fromLatin1(pick(kWords));
        e.strUserName = below(2) ? first + '.' + last : first + last + QString::number(i % 1000);
        QString pw;
        for (int k = 0; k < 16; ++k)
            pw += QChar(char16_t('!' + below(94)));
        e.strPasswd = pw;
        if (below(5) != 0)
            e.strURL = QStringLiteral("https://www.%1%2.com/%3")
                           .arg(QString::fromLatin1(w1), QString::fromLatin1(w2),
                                below(2) ? QStringLiteral("login") : QStringLiteral("account/signin"));
        if (below(3) != 0)
            e.strEmail = first + '.' + last + '@' + QString::fromLatin1(pick(kDomains));
        const int noteWords = below(4) == 0 ? 0 : 2 + below(14);
        for (int k = 0; k < noteWords; ++k)
            e.strNotes += (k ? QStringLiteral(" ") : QString()) + QString::fromLatin1(pick(kWords));
        // Titles repeat; the vault keeps one entry per title and user name.
        if (used.contains(e.strTitle + '\n' + e.strUserName))
            e.strUserName += QString::number(i);
        used.insert(e.strTitle + '\n' + e.strUserName);
        return e;
    }
};

// Writes the vault of `count` entries into `dir` in a child process.
bool WriteVault(const QString& dir, int count)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        g_strSavedDataPath = dir + '/';
        g_pSqlite = new CDbSqlite3(g_strSavedDataPath + g_strDbFile);
        g_pPwSettings = new CPasswdSetting;
        if (!g_pPwSettings->CreateDbPasswd() || g_pSqlite->InitDB() != 0 || !g_pSqlite->ConfirmPasswd(QString(), 0))
            _exit(1);
        QString err;
        g_pSqlite->ExecSQL_W(QStringLiteral("DELETE FROM TnPwEntry"), nullptr, err);
        Generator gen;
        PwEntryArray entries;
        entries.reserve(count);
        for (int i = 0; i < count; ++i)
            entries.append(gen.entry(i));
        int stored = 0, failed = 0, third = 0;
        const int code = g_pPwSettings->InsertEntryArray(stored, failed, third, entries, 0);
        CloseVault();
        _exit(code == 0 && stored == count ? 0 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// kB figure of /proc/self/status.
double StatusMiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ':';
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtod(line.c_str() + key.size(), nullptr) / 1024.0;
    return 0;
}

// Starts a new peak (VmHWM) from the current resident size.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void Key(QWidget* target, int qtKey, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// CPU time of this thread: what the work costs, whatever else the machine runs.
double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Series {
    std::vector<double> ms;
    std::vector<double> cpu;
    double worstCpu() const { return cpu.empty() ? 0 : *std::max_element(cpu.begin(), cpu.end()); }
    double medianCpu() const { return cpu.empty() ? 0 : Median(cpu); }
    double worst() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    double median() const { return ms.empty() ? 0 : Median(ms); }
};

// Delivers what the window has posted, its first frame among it, without
// timers: a step the window leaves for later may come due on a slow run
// before this call and would be counted in the opening although the frame
// is drawn first.
void DrawFirstFrame()
{
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::X11ExcludeTimers);
}

// Lets the window work until the search of the last keystroke is in the list.
void Settle(CDlgPasswdQuery& dlg)
{
    do
        QApplication::processEvents();
    while (dlg.IsSearchPending());
}

// Types `text` letter by letter at the end of the keyword box.
void TypeText(CDlgPasswdQuery& dlg, QLineEdit* edit, const QString& text, Series& series, std::vector<int>* rows,
              CExListCtrl& list)
{
    for (const QChar c : text) {
        const int key = c == ' ' ? int(Qt::Key_Space) : int(c.toUpper().unicode());
        QElapsedTimer t;
        t.start();
        const double cpu = CpuMs();
        Key(edit, key, QString(c));
        Settle(dlg);
        series.ms.push_back(t.nsecsElapsed() / 1e6);
        series.cpu.push_back(CpuMs() - cpu);
        if (rows)
            rows->push_back(list.GetItemCount());
    }
}

void Backspace(CDlgPasswdQuery& dlg, QLineEdit* edit, Series& series)
{
    while (!edit->text().isEmpty()) {
        QElapsedTimer t;
        t.start();
        const double cpu = CpuMs();
        Key(edit, Qt::Key_Backspace, QString());
        Settle(dlg);
        series.ms.push_back(t.nsecsElapsed() / 1e6);
        series.cpu.push_back(CpuMs() - cpu);
    }
}

struct Goals {
    double keystrokeMs;
    double openMs;
};

// `opened` gets the opening's figures, for the ratios.
bool RunVault(const QString& dir, int count, const Goals& goals, Series& opened)
{
    g_strSavedDataPath = dir + '/';
    g_pSqlite = new CDbSqlite3(g_strSavedDataPath + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    if (g_pSqlite->InitDB() != 0 || !g_pSqlite->ConfirmPasswd(QString(), 0)) {
        std::fprintf(stderr, "cannot open the vault\n");
        return false;
    }
    // The title typed: one from the middle of the vault, read without
    // keeping the rest.
    QString typed;
    {
        SqlResultMap rows;
        QString err;
        g_pSqlite->ExecSQL_W(QStringLiteral("SELECT Title FROM TnPwEntry WHERE rowid = %1").arg(count / 2 + 1), &rows,
                             err);
        typed = rows.empty() ? QStringLiteral("Silver Harbor") : rows.begin()->second.begin()->second;
    }

    const double before = StatusMiB("VmRSS");
    ResetPeak();
    Series open, listedAll, ready, typing, nothing, back;
    std::vector<int> typedRows;
    int listed = 0;
    {
        CDlgPasswdQuery dlg(0);
        QElapsedTimer t;
        t.start();
        const double cpu = CpuMs();
        dlg.Create();
        DrawFirstFrame();
        open.ms.push_back(t.nsecsElapsed() / 1e6);
        open.cpu.push_back(CpuMs() - cpu);
        CExListCtrl list(dlg.GetDlgItem(CDlgPasswdQuery::IDC_LIST));
        const int firstListed = list.GetItemCount();
        // Until every entry is listed; the window answers events meanwhile.
        while (dlg.IsSearchPending())
            QApplication::processEvents();
        listedAll.ms.push_back(t.nsecsElapsed() / 1e6);
        listedAll.cpu.push_back(CpuMs() - cpu);
        listed = list.GetItemCount();
        if (listed != count)
            std::fprintf(stderr, "%d entries listed of %d (first frame: %d)\n", listed, count, firstListed);
        // Until the texts are in for searching; the window answers events meanwhile.
        while (!dlg.IsSearchReady())
            QApplication::processEvents();
        ready.ms.push_back(t.nsecsElapsed() / 1e6);
        ready.cpu.push_back(CpuMs() - cpu);
        auto* edit = qobject_cast<QLineEdit*>(dlg.GetDlgItem(CDlgPasswdQuery::IDC_KEYWORDS).GetWidget());
        edit->setFocus();
        TypeText(dlg, edit, typed, typing, &typedRows, list);
        Backspace(dlg, edit, back);
        TypeText(dlg, edit, QStringLiteral("qzxjv"), nothing, nullptr, list);
        Backspace(dlg, edit, back);
        dlg.DestroyWindow();
    }
    QApplication::processEvents();
    const double peak = StatusMiB("VmHWM");
    const double after = StatusMiB("VmRSS");

    // A key typed the moment the window has opened: it waits for the texts.
    Series early;
    {
        CDlgPasswdQuery dlg(0);
        dlg.Create();
        QApplication::processEvents();
        CExListCtrl list(dlg.GetDlgItem(CDlgPasswdQuery::IDC_LIST));
        auto* edit = qobject_cast<QLineEdit*>(dlg.GetDlgItem(CDlgPasswdQuery::IDC_KEYWORDS).GetWidget());
        edit->setFocus();
        TypeText(dlg, edit, typed.left(1), early, nullptr, list);
        dlg.DestroyWindow();
    }
    QApplication::processEvents();

    Series all;
    for (const Series* s : {&typing, &nothing, &back}) {
        all.ms.insert(all.ms.end(), s->ms.begin(), s->ms.end());
        all.cpu.insert(all.cpu.end(), s->cpu.begin(), s->cpu.end());
    }
    const bool openOk = open.worst() <= goals.openMs;
    const bool keysOk = all.worst() <= goals.keystrokeMs;
    const bool memOk = count < 100000 || (peak <= 150 && after - before <= 20);
    std::printf("%d entries, %d listed; typed \"%s\" (rows after each key:", count, listed, qPrintable(typed));
    for (int r : typedRows)
        std::printf(" %d", r);
    std::printf(")\n");
    std::printf("  %-28s %8s %8s %8s %8s\n", "(ms; cpu = this thread's CPU)", "worst", "median", "cpu wst",
                "cpu med");
    const auto line = [](const char* what, const Series& s, const char* goal) {
        std::printf("  %-28s %8.1f %8.1f %8.1f %8.1f  %s\n", what, s.worst(), s.median(), s.worstCpu(),
                    s.medianCpu(), goal);
    };
    char openGoal[64], keyGoal[64];
    std::snprintf(openGoal, sizeof openGoal, "goal <= %.0f ms: %s", goals.openMs, openOk ? "ok" : "MISSED");
    std::snprintf(keyGoal, sizeof keyGoal, "goal <= %.0f ms: %s", goals.keystrokeMs, keysOk ? "ok" : "MISSED");
    line("open (first frame drawn)", open, openGoal);
    line("every entry listed", listedAll, "(from the start of opening)");
    line("ready to search from memory", ready, "(from the start of opening)");
    line("typing the title", typing, "");
    line("keyword matching nothing", nothing, "");
    line("backspacing", back, "");
    line("every keystroke", all, keyGoal);
    line("a key at once after opening", early, "(waits for the texts; no goal)");
    std::printf("  memory: before %.1f MiB, peak open %.1f MiB, after close %.1f MiB (%+.1f)%s\n\n", before, peak,
                after, after - before,
                count < 100000 ? "" : memOk ? "  goal peak <= 150, after <= +20: ok" : "  goal peak <= 150, after <= +20: MISSED");
    CloseVault();
    opened = open;
    return openOk && keysOk && memOk;
}

// The opening on a vault against the opening on an empty one. The goal is
// judged on CPU time, what the opening costs; wall time also counts whatever
// else the machine ran meanwhile.
bool PrintOpenRatio(int count, const Series& opened, const Series& empty, double goal)
{
    const double wall = opened.worst() / empty.median();
    const double cpu = opened.worstCpu() / empty.medianCpu();
    const bool ok = cpu <= goal;
    std::printf("  %6d entries: open %.1f ms (cpu %.1f): x%.2f wall, x%.2f cpu  goal cpu <= x%.0f: %s\n", count,
                opened.worst(), opened.worstCpu(), wall, cpu, goal, ok ? "ok" : "MISSED");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // VW_BENCH_VAULTS names a folder that keeps the vaults between runs.
    QTemporaryDir temp;
    const QString kept = qEnvironmentVariable("VW_BENCH_VAULTS");
    const QString rootPath = kept.isEmpty() ? temp.path() : kept;
    const int sizes[] = {10000, 100000};
    for (int count : sizes) {
        const QString dir = rootPath + '/' + QString::number(count);
        if (QFile::exists(dir + '/' + g_strDbFile))
            continue;
        if (!QDir().mkpath(dir) || !WriteVault(dir, count)) {
            std::fprintf(stderr, "cannot write the vault of %d entries\n", count);
            return 1;
        }
    }
    QApplication app(argc, argv);
    platform::SetMessageBoxHandler([](const QString& text, const QString&, unsigned) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
        return int(IDOK);
    });
    std::printf("bench_search_typing: the query window as a person types (one run; times include the repaint)\n\n");
    // The program's main window has paid for fonts and styles before any
    // query window opens: so does this process, with a query window on a
    // vault of its own. The openings after the first are the empty vault's
    // figure, timed as the vaults' openings are.
    Series empty;
    {
        QTemporaryDir warmDir;
        if (OpenNewVault(warmDir)) {
            for (int round = 0; round < 6; ++round) {
                QElapsedTimer t;
                t.start();
                const double cpu = CpuMs();
                CDlgPasswdQuery warm(0);
                warm.Create();
                DrawFirstFrame();
                if (round > 0) {
                    empty.ms.push_back(t.nsecsElapsed() / 1e6);
                    empty.cpu.push_back(CpuMs() - cpu);
                }
                warm.DestroyWindow();
                QApplication::processEvents();
            }
        }
        CloseVault();
    }
    if (empty.ms.empty()) {
        std::fprintf(stderr, "cannot open an empty vault\n");
        return 1;
    }
    std::printf("the same window on an empty vault opens in %.1f ms of CPU (%.1f ms; median of %zu openings)\n\n",
                empty.medianCpu(), empty.median(), empty.ms.size());
    // VW_BENCH_SIZES=10000 runs one vault only.
    const QString only = qEnvironmentVariable("VW_BENCH_SIZES");
    bool ok = true;
    Series open10k, open100k;
    if (only.isEmpty() || only == "10000")
        ok = RunVault(rootPath + "/10000", 10000, {16, 16}, open10k) && ok;
    if (only.isEmpty() || only == "100000")
        ok = RunVault(rootPath + "/100000", 100000, {50, 150}, open100k) && ok;
    std::printf("opening against the empty vault's (%.1f ms, cpu %.1f):\n", empty.median(), empty.medianCpu());
    if (!open10k.ms.empty())
        ok = PrintOpenRatio(10000, open10k, empty, 2) && ok;
    if (!open100k.ms.empty())
        ok = PrintOpenRatio(100000, open100k, empty, 5) && ok;
    return ok ? 0 : 2;
}

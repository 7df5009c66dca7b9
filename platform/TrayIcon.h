#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QObject>
#include <QString>

#include "foundation/TesselcoreApi.h"

class QIcon;

namespace platform {

// An icon from an image file; an SVG is drawn at each size asked for. A null
// icon when the file is missing or unreadable.
TESSELCORE_API QIcon IconFromFile(const QString& file);

// The program's icon in the notification area, with a context menu whose
// items are known by id. Needs a tray host (a desktop panel, or trayer);
// without one IsAvailable() is false and the icon simply does not appear,
// while everything else keeps working. A shown icon watches for its host:
// a panel that starts after the program, or restarts, gets the icon then.
class TESSELCORE_API TrayIcon : public QObject {
    Q_OBJECT
public:
    struct MenuItem {
        int id = 0; // 0: a separator
        QString text;
    };

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    static bool IsAvailable();
    // What IsAvailable() asks; tests put a tray host of their own here.
    static std::function<bool()> s_fnHostPresent;
    // Whether Qt may be asked about the tray yet: on Wayland not before a
    // tray host is on the session bus, as Qt's first answer is for good.
    static std::function<bool()> s_fnQtMayDecide;
    // How often a shown icon looks for its host.
    static constexpr int s_iHostPollMs = 2000;
    // Looks for the host now (the timer does it every s_iHostPollMs).
    void CheckHost();

    // An image file (an SVG is drawn at the size the tray asks for); empty or
    // unreadable gives the application's window icon, or a drawn one when
    // there is none.
    void SetIcon(const QString& imageFile);
    QIcon GetIcon() const;
    void SetToolTip(const QString& text);
    // Replaces the menu (e.g. after a language change).
    void SetMenu(const QList<MenuItem>& items);
    void Show();
    void Hide();
    bool IsVisible() const;

signals:
    // A left click. A double click arrives as clicked, clicked, doubleClicked.
    void clicked();
    void doubleClicked();
    void menuCommand(int id);
    // A tray host appeared (true) or went away (false).
    void hostChanged(bool present);

private:
    void MakeIcon();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform

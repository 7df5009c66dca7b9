#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "foundation/TesselcoreApi.h"

namespace platform {

// One running instance per user. The first start holds a lock file and
// listens on a local socket beside it; a later start finds the lock taken,
// asks the first to show itself and ends. A lock left by a killed instance
// is recognised as stale (its process is gone) and taken over.
class TESSELCORE_API SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` names the lock and the socket; they live in `folder`, by default
    // the user's private runtime folder ($XDG_RUNTIME_DIR).
    explicit SingleInstance(const QString& name, const QString& folder = QString(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this object now holds the lock (also on a repeated call). The
    // holder then answers requests of later starts by emitting requested().
    bool TryBecomeFirst();
    bool IsFirst() const;
    // The commands the holder carries out. Any other name is answered with
    // an error and nothing is emitted; without a list every name is taken.
    void SetCommands(const QStringList& names);

    // For a start that is not first: asks the running instance to show its
    // main window. True when it answered within `timeoutMs`.
    bool AskFirstToShow(int timeoutMs = 3000);
    // For a start that is not first: hands `command` (lower-case letters) with
    // an optional one-line argument to the running instance. True when it
    // answered within `timeoutMs` that it carries the command out.
    bool AskFirst(const QString& command, const QString& argument = QString(), int timeoutMs = 3000);

signals:
    // A later start asked for `command` ("show", "query", "add", ...).
    void requested(const QString& command, const QString& argument);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform

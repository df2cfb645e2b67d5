// The two D-Bus faces of the desktop search: GNOME Shell's search provider and
// KRunner's runner. Each method turns its bus types into one call of
// utilities::DesktopSearch and back; nothing else happens here.
#pragma once

#include "core/utilities/DesktopSearch.h"

#include <QDBusArgument>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <string>

namespace vedra::searchprovider {

// Rows the desktop is given for one search: more than either shows at once.
inline constexpr std::size_t kResultCount = 20;

// Starts the window with a search; empty `program` when none was found.
struct WindowStarter {
    std::string program;
    bool start(const std::string& words) const;
};

class GnomeSearchProvider : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")
public:
    GnomeSearchProvider(utilities::DesktopSearch& search, WindowStarter window, QObject* parent = nullptr)
        : QObject(parent), m_search(search), m_window(std::move(window))
    {
    }

public slots:
    QStringList GetInitialResultSet(const QStringList& terms);
    QStringList GetSubsearchResultSet(const QStringList& previousResults, const QStringList& terms);
    QList<QVariantMap> GetResultMetas(const QStringList& identifiers);
    void ActivateResult(const QString& identifier, const QStringList& terms, uint timestamp);
    void LaunchSearch(const QStringList& terms, uint timestamp);

private:
    utilities::DesktopSearch& m_search;
    WindowStarter m_window;
};

// KRunner's match: (id, text, icon name, type, relevance, properties).
struct RunnerMatch {
    QString id;
    QString text;
    QString iconName;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};

// KRunner's action: (id, text, icon name).
struct RunnerAction {
    QString id;
    QString text;
    QString iconName;
};

class KRunnerRunner : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")
public:
    KRunnerRunner(utilities::DesktopSearch& search, WindowStarter window, QObject* parent = nullptr)
        : QObject(parent), m_search(search), m_window(std::move(window))
    {
    }

public slots:
    QList<RunnerAction> Actions();
    QList<RunnerMatch> Match(const QString& query);
    void Run(const QString& matchId, const QString& actionId);
    void Teardown() {}

private:
    utilities::DesktopSearch& m_search;
    WindowStarter m_window;
};

// Registers the bus types above; before any object is exported.
void RegisterBusTypes();

} // namespace vedra::searchprovider

Q_DECLARE_METATYPE(vedra::searchprovider::RunnerMatch)
Q_DECLARE_METATYPE(vedra::searchprovider::RunnerAction)

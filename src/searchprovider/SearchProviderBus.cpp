#include "searchprovider/SearchProviderBus.h"

#include "core/app/ProcessRunner.h"

#include <QDBusMetaType>

#include <iostream>

namespace vedra::searchprovider {

namespace {

// KRunner's QueryMatch types.
constexpr int kPossibleMatch = 30;
constexpr int kHelperMatch = 70;

const QString kFolderAction = QStringLiteral("folder");

std::string toStd(const QString& text)
{
    return text.toStdString();
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

QString iconFor(const utilities::DesktopResult& result)
{
    return result.description.empty() ? QStringLiteral("text-html") : QStringLiteral("text-x-generic");
}

std::vector<std::string> stdList(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& item : list)
        out.push_back(toStd(item));
    return out;
}

QStringList idsOf(const std::vector<utilities::DesktopResult>& results)
{
    QStringList ids;
    for (const utilities::DesktopResult& result : results)
        ids << fromStd(result.id);
    return ids;
}

} // namespace

bool WindowStarter::start(const std::string& words) const
{
    if (program.empty()) {
        std::cerr << "vedra-search-provider: the window program vedrareader was not found\n";
        return false;
    }
    return app::StartDetached(utilities::WindowSearchCommand(program, words));
}

QStringList GnomeSearchProvider::GetInitialResultSet(const QStringList& terms)
{
    return idsOf(m_search.FirstResults(utilities::JoinDesktopTerms(stdList(terms)), kResultCount));
}

QStringList GnomeSearchProvider::GetSubsearchResultSet(const QStringList&, const QStringList& terms)
{
    // More words are a new search: a row of the previous set need not keep its place.
    return GetInitialResultSet(terms);
}

QList<QVariantMap> GnomeSearchProvider::GetResultMetas(const QStringList& identifiers)
{
    QList<QVariantMap> metas;
    for (const QString& id : identifiers) {
        const std::optional<utilities::DesktopResult> result = m_search.Describe(toStd(id));
        if (!result)
            continue;
        metas << QVariantMap{{QStringLiteral("id"), id},
                             {QStringLiteral("name"), fromStd(result->name)},
                             {QStringLiteral("description"), fromStd(result->description)},
                             {QStringLiteral("gicon"), iconFor(*result)}};
    }
    return metas;
}

void GnomeSearchProvider::ActivateResult(const QString& identifier, const QStringList&, uint)
{
    switch (m_search.Open(toStd(identifier))) {
    case utilities::DesktopOpening::Started:
        break;
    case utilities::DesktopOpening::Missing:
        sendErrorReply(QStringLiteral("org.vedrareader.Error.FileMissing"),
                       QStringLiteral("the file is no longer on the disk: ") + identifier);
        break;
    case utilities::DesktopOpening::NotStarted:
        sendErrorReply(QStringLiteral("org.vedrareader.Error.NotStarted"),
                       QStringLiteral("no program could be started for ") + identifier);
        break;
    case utilities::DesktopOpening::BadId:
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such result: ") + identifier);
        break;
    }
}

void GnomeSearchProvider::LaunchSearch(const QStringList& terms, uint)
{
    if (!m_window.start(utilities::JoinDesktopTerms(stdList(terms))))
        sendErrorReply(QStringLiteral("org.vedrareader.Error.NotStarted"), QStringLiteral("the window did not start"));
}

QList<RunnerAction> KRunnerRunner::Actions()
{
    return {{kFolderAction, fromStd(m_search.languageIndex() == 0   ? "Apri la cartella"
                                    : m_search.languageIndex() == 1 ? "Open the folder"
                                                                    : "Abrir la carpeta"),
             QStringLiteral("document-open-folder")}};
}

QList<RunnerMatch> KRunnerRunner::Match(const QString& query)
{
    const std::string words = toStd(query.trimmed());
    const std::vector<utilities::DesktopResult> results = m_search.FirstResults(words, kResultCount);
    QList<RunnerMatch> matches;
    if (results.empty())
        return matches;
    // Relevance falls with the rank, so KRunner keeps the order given.
    double relevance = 0.9;
    for (const utilities::DesktopResult& result : results) {
        matches << RunnerMatch{fromStd(result.id), fromStd(result.name), iconFor(result), kPossibleMatch, relevance,
                               QVariantMap{{QStringLiteral("subtext"), fromStd(result.description)}}};
        relevance -= 0.8 / static_cast<double>(kResultCount);
    }
    matches << RunnerMatch{fromStd(utilities::WindowSearchId(words)),
                           fromStd(utilities::WindowSearchText(m_search.languageIndex(), words)),
                           QStringLiteral("vedrareader"), kHelperMatch, 0.05, QVariantMap{}};
    return matches;
}

void KRunnerRunner::Run(const QString& matchId, const QString& actionId)
{
    const std::string id = toStd(matchId);
    if (std::optional<std::string> words = utilities::WordsOfWindowSearchId(id)) {
        if (!m_window.start(*words))
            sendErrorReply(QStringLiteral("org.vedrareader.Error.NotStarted"), QStringLiteral("the window did not start"));
        return;
    }
    const utilities::DesktopOpening opened =
        actionId == kFolderAction ? m_search.OpenFolder(id) : m_search.Open(id);
    if (opened == utilities::DesktopOpening::BadId)
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such result: ") + matchId);
    else if (opened != utilities::DesktopOpening::Started)
        sendErrorReply(QStringLiteral("org.vedrareader.Error.NotStarted"), QStringLiteral("nothing was opened"));
}

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match)
{
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance << match.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match)
{
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >> match.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action)
{
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action)
{
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

void RegisterBusTypes()
{
    qDBusRegisterMetaType<RunnerMatch>();
    qDBusRegisterMetaType<QList<RunnerMatch>>();
    qDBusRegisterMetaType<RunnerAction>();
    qDBusRegisterMetaType<QList<RunnerAction>>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

} // namespace vedra::searchprovider

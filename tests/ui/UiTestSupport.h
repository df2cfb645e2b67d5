// Shared set-up of the window tests: a working folder of its own, a workspace
// with small buffers, and message boxes answered from a script.
#pragma once

#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CScovaroDlg.h"
#include "ui/ForwardingHost.h"

#include <QByteArray>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <functional>
#include <vector>

namespace vedra::uitest {

inline constexpr std::uint64_t kSmallMemory = 64ULL << 20;

// The real probe, but confined to `folder`: no PATH, no drive roots outside it,
// and its "tools/" as the one usual program folder, so a program search finds the
// tests' stand-ins there and nothing of the machine.
inline app::SystemProbe probeIn(const std::string& folder, std::uint64_t memoryBytes = kSmallMemory)
{
    app::SystemProbe probe = app::SystemProbe::real();
    probe.currentDirectory = [folder] { return folder; };
    probe.homeFolder = [folder] { return folder; };
    probe.availableMemoryBytes = [memoryBytes] { return memoryBytes; };
    probe.freeDiskBytes = [](const std::string&) { return std::uint64_t{4} << 30; };
    probe.driveRoots = [folder] { return std::vector<std::string>{folder}; };
    probe.searchPath = [] { return std::vector<std::string>{}; };
    probe.programFolders = [folder] { return std::vector<std::string>{folder + "/tools"}; };
    return probe;
}

// The character format at the first occurrence of `word` in the preview (any case
// with Qt::CaseInsensitive); a default format when the word is not there.
inline QTextCharFormat formatOf(QTextEdit* preview, const QString& word,
                                Qt::CaseSensitivity sensitivity = Qt::CaseSensitive)
{
    int at = preview->toPlainText().indexOf(word, 0, sensitivity);
    if (at < 0)
        return {};
    QTextCursor cursor(preview->document());
    cursor.setPosition(at + 1);
    return cursor.charFormat();
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

inline bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// "IND_ARC.PRI" naming `archiveName` as the current archive, and its folder; with
// counts given, the archive's document file "IND.n" whose header holds them.
inline bool makeCatalogue(const QString& folder, const QByteArray& archiveName, int filesIndexed = -1,
                          int filesTotal = -1)
{
    QByteArray catalogue(200, '\0');
    catalogue.replace(100, archiveName.size(), archiveName);
    if (!writeAll(folder + "/IND_ARC.PRI", catalogue) || !QDir(folder).mkpath(QString::fromLatin1(archiveName)))
        return false;
    if (filesIndexed < 0)
        return true;
    QByteArray header(196, '\0');
    auto put = [&header](int offset, int value) {
        for (int i = 0; i < 4; ++i)
            header[offset + i] = static_cast<char>((static_cast<unsigned>(value) >> (8 * i)) & 0xFF);
    };
    put(92, filesIndexed);
    put(100, filesTotal);
    int number = archiveName.mid(archiveName.lastIndexOf('_') + 1).toInt();
    return writeAll(folder + "/" + QString::fromLatin1(archiveName) + "/IND." + QString::number(number), header);
}

struct AskedMessage {
    std::string text;
    app::MessageButtons buttons;
};

inline app::SystemProbe adjustedProbe(app::SystemProbe probe, const std::function<void(app::SystemProbe&)>& adjust)
{
    adjust(probe);
    return probe;
}

// One run of the program's start: folder, host, workspace, window. Members are
// destroyed in reverse order, so the window goes before the workspace it borrows.
class Session {
public:
    Session() : workspace(host, probeIn(folder())) { workspace.setPumpInterval(std::chrono::milliseconds(0)); }
    // The same with the probe changed first: program folders of the test's, counters.
    explicit Session(const std::function<void(app::SystemProbe&)>& adjust)
        : workspace(host, adjustedProbe(probeIn(folder()), adjust))
    {
        workspace.setPumpInterval(std::chrono::milliseconds(0));
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session()
    {
        dialog.reset();
        host.setTarget(nullptr);
    }

    std::string folder() const { return directory.path().toStdString(); }
    QString file(const QString& name) const { return directory.filePath(name); }
    QByteArray languageFile() const { return readAll(file(QStringLiteral("LinguaVedra.vedra"))); }

    // Questions take the queued answers in order, then OK/Yes.
    ui::MessageResponder responder()
    {
        return [this](const std::string& text, app::MessageButtons buttons) {
            asked.push_back({text, buttons});
            if (buttons == app::MessageButtons::Ok || answers.empty())
                return buttons == app::MessageButtons::YesNo || buttons == app::MessageButtons::YesNoCancel
                           ? app::MessageAnswer::Yes
                           : app::MessageAnswer::Ok;
            app::MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        };
    }

    bool prepare()
    {
        host.setMessageResponder(responder());
        return workspace.PrepareWorkspace() == 1;
    }

    // The workspace prepared with `roots` as its word roots (a word is registered
    // only when its root is listed) and an empty archive number 1 named `name`.
    bool prepareWithArchive(const QByteArray& roots, const char* name = "demo")
    {
        const QString work = QString::fromStdString(folder());
        if (!QDir(work).mkpath(QStringLiteral("Lemmi/Radici")) ||
            !writeAll(work + "/Lemmi/Radici/RadiciParole.txt", roots) || !prepare())
            return false;
        indexing::NewArchive request;
        request.name = name;
        return indexing::CreateArchive(workspace, request).number == 1;
    }

    // The window constructed and made the workspace's host, not yet initialised.
    ui::CScovaroDlg& create()
    {
        dialog = std::make_unique<ui::CScovaroDlg>(workspace);
        dialog->setMessageResponder(responder());
        host.setTarget(dialog.get());
        return *dialog;
    }

    // The window as the program opens it: host pointed at it, initialised, shown.
    ui::CScovaroDlg& open()
    {
        create();
        dialog->initialise();
        dialog->show();
        return *dialog;
    }

    template <typename T>
    T* control(const char* name) const
    {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }

    int countAsked(std::string_view text) const
    {
        int count = 0;
        for (const auto& message : asked)
            count += message.text == text;
        return count;
    }

    QTemporaryDir directory;
    ui::ForwardingHost host;
    app::Workspace workspace;
    std::deque<app::MessageAnswer> answers;
    std::vector<AskedMessage> asked;
    std::unique_ptr<ui::CScovaroDlg> dialog;
};

// The child control named `id` (a control's number, as the windows name them); a
// missing one ends the test program.
template <typename T>
T* control(const QWidget& parent, const char* id)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(id));
    if (found == nullptr)
        qFatal("control %s missing", id);
    return found;
}

// Types the words into the search page and presses CERCA. "Nelle note" starts
// checked: the archive is searched once it is off.
inline void searchFor(ui::CScovaroDlg& dialog, const QString& words)
{
    ui::CMyPropertyPage2* page = dialog.searchPage();
    auto* notes = page->findChild<QCheckBox*>(QStringLiteral("1839"));
    if (notes->isChecked())
        notes->click();
    auto* box = page->findChild<QLineEdit*>(QStringLiteral("1800"));
    box->clear();
    QTest::keyClicks(box, words);
    page->findChild<QPushButton*>(QStringLiteral("1009"))->click();
}

// A 512-byte program record of the settings files: `text`, then NULs.
inline QByteArray record(const QByteArray& text)
{
    QByteArray bytes = text;
    bytes.resize(512, '\0');
    return bytes;
}

// A program that writes the arguments it was started with next to itself.
inline QString writeRecorder(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    writeAll(path, "#!/bin/sh\nout=\"$0.argv\"\nprintf '%s\\n' \"$0\" \"$@\" > \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The arguments the recorder `program` was last started with, its own path first.
inline QStringList recordedArguments(const QString& program)
{
    return QString::fromUtf8(readAll(program + ".argv")).split('\n', Qt::SkipEmptyParts);
}

} // namespace vedra::uitest

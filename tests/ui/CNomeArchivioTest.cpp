// The archive dialog over a stand-in screen: creating a new archive, the field
// checks, Cancel's number, the description of the current archive, Add, and the
// Dir/Files listing.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"
#include "../core/support/ReadOnlyMedia.h"

#include "core/app/MessageFormat.h"
#include "core/app/MessageTable.h"
#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/MoreTypes.h"
#include "core/indexing/OcrReader.h"
#include "core/utilities/UtilityPage.h"
#include "ui/CNomeArchivio.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using vedra::ui::CNomeArchivio;
using vedra::uitest::ScreenStandIn;
using namespace vedra;

namespace {

using vedra::uitest::control;

void setField(QWidget& dialog, const char* id, const QString& text)
{
    QLineEdit* edit = control<QLineEdit>(dialog, id);
    edit->clear();
    QTest::keyClicks(edit, text);
}

void click(QWidget& dialog, const char* id)
{
    QTest::mouseClick(control<QPushButton>(dialog, id), Qt::LeftButton);
}

bool prepared(ScreenStandIn& screen)
{
    return screen.workspace().PrepareWorkspace() == 1;
}

bool createArchive(ScreenStandIn& screen, const std::string& name)
{
    indexing::NewArchive request;
    request.name = name;
    return indexing::CreateArchive(screen.workspace(), request).number > 0;
}

std::string lastMessage(const ScreenStandIn& screen)
{
    return screen.host.messages().empty() ? std::string() : screen.host.messages().back().text;
}

search::ResultRow row(const std::string& label)
{
    search::ResultRow result;
    result.columns[0] = label;
    return result;
}

} // namespace

class CNomeArchivioTest : public QObject {
    Q_OBJECT

private slots:
    void labelsAndTipFollowTheLanguage();
    void newArchiveIsCreatedListedAndOpened();
    void longNameIsRefusedAndNothingCreated();
    void truncationOutsideFourToThirtyIsRefused();
    void longDiskAndNonNumbersAreRefused();
    void cancelOnNumberThreeLeavesTwo();
    void currentArchiveFieldsAreLockedAndUnchangedEmptyDescriptionWritesNothing();
    void changedDescriptionOfTheCurrentArchiveIsWritten();
    void descriptionOfAReadOnlyArchiveSaysWhatCannotBeWritten();
    void addAppendsTheSelectedRows();
    void dirAndFilesListTheRootIntoTheResults();
    void moreTypesAreOffByDefaultAndOnWhenChecked();
    void ocrBoxCreatesAndSwitchesTheOption();
};

void CNomeArchivioTest::labelsAndTipFollowTheLanguage()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    screen.workspace().SetLanguage(0);
    CNomeArchivio italian(screen, CNomeArchivio::Mode::NewArchive);
    QCOMPARE(italian.windowTitle(), QStringLiteral("Archivio"));
    QCOMPARE(control<QLabel>(italian, "1672")->text(), QStringLiteral("Archivio:"));
    QCOMPARE(control<QLabel>(italian, "1673")->text(), QStringLiteral("Registra parole >"));
    QCOMPARE(control<QLabel>(italian, "1674")->text(), QStringLiteral("Tronca parole >"));
    QVERIFY(control<QPlainTextEdit>(italian, "1491")->toolTip().startsWith(" Inizializzazione di un nuovo archivio:"));
    QVERIFY(!italian.isModal());

    screen.workspace().SetLanguage(2);
    CNomeArchivio spanish(screen, CNomeArchivio::Mode::NewArchive);
    QCOMPARE(control<QLabel>(spanish, "1492")->text(), QStringLiteral("Descripcion:"));
    QCOMPARE(control<QLabel>(spanish, "1674")->text(), QStringLiteral("Truncar las palabras >"));
}

void CNomeArchivioTest::newArchiveIsCreatedListedAndOpened()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
    dialog.show();
    QCOMPARE(control<QLineEdit>(dialog, "1506")->text(), QStringLiteral("1"));
    QCOMPARE(control<QLineEdit>(dialog, "1041")->text(), QStringLiteral("16"));
    QVERIFY(control<QLineEdit>(dialog, "1058")->isEnabled());
    QSignalSpy confirmed(&dialog, &CNomeArchivio::archiveConfirmed);
    setField(dialog, "1058", QStringLiteral("Lettere"));
    setField(dialog, "1040", QStringLiteral("3"));
    setField(dialog, "1041", QStringLiteral("12"));
    QTest::keyClicks(control<QPlainTextEdit>(dialog, "1491"), QStringLiteral("old letters"));
    click(dialog, "IDOK");

    QCOMPARE(dialog.createdNumber(), 1);
    QCOMPARE(confirmed.count(), 1);
    QVERIFY(!dialog.isVisible());
    app::Workspace& workspace = screen.workspace();
    QCOMPARE(workspace.currentArchiveName(), std::string("C_LETTERE_1"));
    QCOMPARE(workspace.minWordLength, 3);
    QCOMPARE(workspace.maxWordLength, 12);
    QCOMPARE(workspace.truncationThreshold, 12);
    QVERIFY(lastMessage(screen).starts_with("The archive is ready but empty."));
    utilities::ArchivesOnDisk listed = utilities::FillArchivesOnDisk(workspace);
    QVERIFY(std::find(listed.names.begin(), listed.names.end(), "C_LETTERE_1") != listed.names.end());
    QCOMPARE(uitest::readAll(QString::fromStdString(workspace.ArchiveFolder + "DescrizioneArc.vedra")),
             QByteArray("old letters"));

    // The next new archive is proposed the next number.
    CNomeArchivio second(screen, CNomeArchivio::Mode::NewArchive);
    QCOMPARE(control<QLineEdit>(second, "1506")->text(), QStringLiteral("2"));
}

void CNomeArchivioTest::longNameIsRefusedAndNothingCreated()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
    dialog.show();
    setField(dialog, "1058", QString(51, QChar('N')));
    click(dialog, "IDOK");
    QCOMPARE(lastMessage(screen), std::string("The archive name can have at most 50 characters."));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.createdNumber(), -1);
    QCOMPARE(indexing::HighestArchiveNumber(screen.workspace()), 0);

    // Fifty characters pass the dialog; the engine then finds "C_" + name + "_1" too
    // long for the catalogue and says so itself, once.
    setField(dialog, "1058", QString(50, QChar('N')));
    const std::size_t before = screen.host.messages().size();
    click(dialog, "IDOK");
    QCOMPARE(screen.host.messages().size(), before + 1);
    QCOMPARE(lastMessage(screen), std::string(screen.workspace().messages().text(app::MessageKey::MsgTextTooLong)));
    QCOMPARE(dialog.createdNumber(), -1);
    setField(dialog, "1058", QString(40, QChar('N')));
    click(dialog, "IDOK");
    QCOMPARE(dialog.createdNumber(), 1);
}

void CNomeArchivioTest::truncationOutsideFourToThirtyIsRefused()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
    dialog.show();
    setField(dialog, "1058", QStringLiteral("x"));
    for (const char* cut : {"3", "31", "", "ten"}) {
        setField(dialog, "1041", QString::fromLatin1(cut));
        const std::size_t before = screen.host.messages().size();
        click(dialog, "IDOK");
        QCOMPARE(screen.host.messages().size(), before + 1);
        QCOMPARE(lastMessage(screen), std::string("The cut length must be between 4 and 30."));
        QCOMPARE(screen.workspace().maxWordLength, 16);
        QCOMPARE(dialog.createdNumber(), -1);
    }
    setField(dialog, "1041", QStringLiteral("30"));
    click(dialog, "IDOK");
    QCOMPARE(dialog.createdNumber(), 1);
    QCOMPARE(screen.workspace().maxWordLength, 30);
}

void CNomeArchivioTest::longDiskAndNonNumbersAreRefused()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
    dialog.show();
    setField(dialog, "1058", QStringLiteral("x"));
    setField(dialog, "1512", QStringLiteral("/abcdefgh"));
    click(dialog, "IDOK");
    QCOMPARE(lastMessage(screen), std::string("The disk can have at most 8 characters."));
    setField(dialog, "1512", QStringLiteral("D"));
    setField(dialog, "1040", QStringLiteral("two"));
    click(dialog, "IDOK");
    QCOMPARE(lastMessage(screen), std::string("The shortest word length must be a number."));
    setField(dialog, "1040", QStringLiteral("2"));
    setField(dialog, "1506", QStringLiteral("-4"));
    click(dialog, "IDOK");
    QCOMPARE(lastMessage(screen), std::string("The archive number must be a positive number."));
    QCOMPARE(dialog.createdNumber(), -1);

    setField(dialog, "1506", QStringLiteral("1"));
    click(dialog, "IDOK");
    QCOMPARE(screen.workspace().currentArchiveName(), std::string("D_X_1"));
}

void CNomeArchivioTest::cancelOnNumberThreeLeavesTwo()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
    dialog.show();
    setField(dialog, "1506", QStringLiteral("3"));
    click(dialog, "IDCANCEL");
    QCOMPARE(dialog.archiveNumber(), 2);
    QVERIFY(!dialog.isVisible());

    CNomeArchivio first(screen, CNomeArchivio::Mode::NewArchive);
    setField(first, "1506", QStringLiteral("1"));
    first.reject();
    QCOMPARE(first.archiveNumber(), 1);
}

void CNomeArchivioTest::currentArchiveFieldsAreLockedAndUnchangedEmptyDescriptionWritesNothing()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    QVERIFY(createArchive(screen, "lettere"));
    QVERIFY(createArchive(screen, "note"));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::CurrentArchive);
    dialog.show();
    QCOMPARE(control<QLineEdit>(dialog, "1058")->text(), QStringLiteral("NOTE_2"));
    QCOMPARE(control<QLineEdit>(dialog, "1506")->text(), QStringLiteral("2"));
    QCOMPARE(control<QLineEdit>(dialog, "1512")->text(), QStringLiteral("C"));
    QVERIFY(!control<QLineEdit>(dialog, "1058")->isEnabled());
    QVERIFY(!control<QLineEdit>(dialog, "1040")->isEnabled());
    QVERIFY(!control<QLineEdit>(dialog, "1041")->isEnabled());
    click(dialog, "IDOK");
    QVERIFY(!dialog.isVisible());
    const QString description = QString::fromStdString(screen.workspace().ArchiveFolder + "DescrizioneArc.vedra");
    QVERIFY(!QFile::exists(description));
    QCOMPARE(indexing::HighestArchiveNumber(screen.workspace()), 2);

    // Typed and then emptied again: still nothing to write.
    CNomeArchivio again(screen, CNomeArchivio::Mode::CurrentArchive);
    auto* edit = control<QPlainTextEdit>(again, "1491");
    QTest::keyClicks(edit, QStringLiteral("x"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(edit->document()->isModified());
    again.accept();
    QVERIFY(!QFile::exists(description));
}

void CNomeArchivioTest::changedDescriptionOfTheCurrentArchiveIsWritten()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    QVERIFY(createArchive(screen, "lettere"));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::CurrentArchive);
    dialog.show();
    auto* edit = control<QPlainTextEdit>(dialog, "1491");
    edit->insertPlainText(QStringLiteral("città\ntwo"));
    click(dialog, "IDOK");
    // cp1252, with the program's CR LF line ends.
    QCOMPARE(uitest::readAll(QString::fromStdString(screen.workspace().ArchiveFolder + "DescrizioneArc.vedra")),
             QByteArray("citt\xe0\r\ntwo"));
    QCOMPARE(indexing::HighestArchiveNumber(screen.workspace()), 1);
}

void CNomeArchivioTest::descriptionOfAReadOnlyArchiveSaysWhatCannotBeWritten()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    QVERIFY(createArchive(screen, "lettere"));
    const std::string path = screen.workspace().ArchiveFolder + "DescrizioneArc.vedra";
    QVERIFY(uitest::writeAll(QString::fromStdString(path), QByteArray("old")));
    testing::ReallyReadOnly readOnly({path});
    if (!readOnly.active())
        QSKIP("this machine cannot make the description file read-only");
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::CurrentArchive);
    dialog.show();
    control<QPlainTextEdit>(dialog, "1491")->insertPlainText(QStringLiteral("new"));
    click(dialog, "IDOK");
    const std::string_view text = screen.workspace().messages().text(app::MessageKey::MsgCannotWrite);
    QCOMPARE(lastMessage(screen), app::formatMessage(text, {std::string_view(path)}));
    QCOMPARE(uitest::readAll(QString::fromStdString(path)), QByteArray("old"));
}

void CNomeArchivioTest::addAppendsTheSelectedRows()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    QVERIFY(createArchive(screen, "lettere"));
    search::ResultList& results = screen.session().results();
    results.append(row("/docs/a.txt"));
    results.append(row("/docs/b.txt"));
    results.append(row("/docs/c.txt"));
    results.setSelected(0, true);
    results.setSelected(2, true);

    CNomeArchivio dialog(screen, CNomeArchivio::Mode::CurrentArchive);
    dialog.show();
    auto* edit = control<QPlainTextEdit>(dialog, "1491");
    QTest::keyClicks(edit, QStringLiteral("Files:"));
    QTest::keyClick(edit, Qt::Key_Return);
    click(dialog, "1519");
    QCOMPARE(edit->toPlainText(), QStringLiteral("Files:\n/docs/a.txt\n/docs/c.txt\n"));
    click(dialog, "1519");
    QCOMPARE(edit->toPlainText(), QStringLiteral("Files:\n/docs/a.txt\n/docs/c.txt\n/docs/a.txt\n/docs/c.txt\n"));
    click(dialog, "IDOK");
    QCOMPARE(uitest::readAll(QString::fromStdString(screen.workspace().ArchiveFolder + "DescrizioneArc.vedra")),
             QByteArray("Files:\r\n/docs/a.txt\r\n/docs/c.txt\r\n/docs/a.txt\r\n/docs/c.txt\r\n"));

    // Add alone counts as a change.
    results.clearSelection();
    results.setSelected(1, true);
    CNomeArchivio added(screen, CNomeArchivio::Mode::CurrentArchive);
    added.addSelectedRows();
    added.accept();
    QCOMPARE(uitest::readAll(QString::fromStdString(screen.workspace().ArchiveFolder + "DescrizioneArc.vedra")),
             QByteArray("/docs/b.txt\r\n"));
}

void CNomeArchivioTest::dirAndFilesListTheRootIntoTheResults()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    const QString root = QString::fromStdString(screen.folder()) + "/tree";
    QVERIFY(QDir().mkpath(root + "/inner/deep"));
    QVERIFY(uitest::writeAll(root + "/top.txt", "top"));
    QVERIFY(uitest::writeAll(root + "/inner/deep/low.txt", "low"));
    CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
    dialog.show();
    control<QLineEdit>(dialog, "1512")->setText(root);

    click(dialog, "1517");
    search::ResultList& results = screen.session().results();
    QCOMPARE(results.size(), std::size_t{2});
    QCOMPARE(results.row(0).label(), (root + "/inner/").toStdString());
    QCOMPARE(results.row(1).label(), (root + "/inner/deep/").toStdString());
    QCOMPARE(screen.resultRefreshes, 1);

    results.clear();
    click(dialog, "1518");
    QCOMPARE(results.size(), std::size_t{2});
    QVERIFY(results.containsLabel((root + "/top.txt").toStdString()));
    QVERIFY(results.containsLabel((root + "/inner/deep/low.txt").toStdString()));
    QCOMPARE(screen.resultRefreshes, 2);
}

void CNomeArchivioTest::moreTypesAreOffByDefaultAndOnWhenChecked()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    app::Workspace& workspace = screen.workspace();
    const char* const labels[3] = {"Più tipi di documento", "More document types", "Más tipos de documento"};
    for (int language : {0, 1, 2}) {
        workspace.SetLanguage(language);
        CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
        QVERIFY(control<QCheckBox>(dialog, "moreTypes")->text().startsWith(QString::fromUtf8(labels[language])));
    }
    workspace.SetLanguage(1);
    const auto listFile = [&](int slot) { return uitest::readAll(QString::fromStdString(workspace.store().slotPath(slot))); };
    const auto bytes = [](const std::string& text) { return QByteArray::fromStdString(text); };

    CNomeArchivio plain(screen, CNomeArchivio::Mode::NewArchive);
    plain.show();
    QCheckBox* box = control<QCheckBox>(plain, "moreTypes");
    QVERIFY(!box->isChecked());
    QVERIFY(box->isEnabled());
    setField(plain, "1058", QStringLiteral("plain"));
    click(plain, "IDOK");
    QCOMPARE(plain.createdNumber(), 1);
    for (int slot : {archive::SlotTextExtensions, archive::SlotConvertedExtensions})
        QCOMPARE(listFile(slot), bytes(archive::initialContent(slot, 1)));

    CNomeArchivio more(screen, CNomeArchivio::Mode::NewArchive);
    more.show();
    setField(more, "1058", QStringLiteral("more"));
    QTest::mouseClick(control<QCheckBox>(more, "moreTypes"), Qt::LeftButton);
    QVERIFY(control<QCheckBox>(more, "moreTypes")->isChecked());
    click(more, "IDOK");
    QCOMPARE(more.createdNumber(), 2);
    for (int slot : {archive::SlotTextExtensions, archive::SlotConvertedExtensions})
        QCOMPARE(listFile(slot), bytes(archive::initialContent(slot, 2) + indexing::MoreTypesListBytes(slot)));

    // The current archive shows its choice, which the dialog cannot change.
    CNomeArchivio current(screen, CNomeArchivio::Mode::CurrentArchive);
    QVERIFY(control<QCheckBox>(current, "moreTypes")->isChecked());
    QVERIFY(!control<QCheckBox>(current, "moreTypes")->isEnabled());
    QVERIFY(workspace.OpenArchive(1));
    CNomeArchivio first(screen, CNomeArchivio::Mode::CurrentArchive);
    QVERIFY(!control<QCheckBox>(first, "moreTypes")->isChecked());
}

void CNomeArchivioTest::ocrBoxCreatesAndSwitchesTheOption()
{
    ScreenStandIn screen;
    QVERIFY(prepared(screen));
    app::Workspace& workspace = screen.workspace();
    const char* const labels[3] = {"Riconosci il testo", "Recognise the text", "Reconocer el texto"};
    for (int language : {0, 1, 2}) {
        workspace.SetLanguage(language);
        CNomeArchivio dialog(screen, CNomeArchivio::Mode::NewArchive);
        QVERIFY(control<QCheckBox>(dialog, "ocr")->text().startsWith(QString::fromUtf8(labels[language])));
        QVERIFY(!control<QCheckBox>(dialog, "ocr")->isChecked());
    }
    workspace.SetLanguage(1);
    const auto media = [&] {
        return uitest::readAll(QString::fromStdString(workspace.store().slotPath(archive::SlotMediaExtensions)));
    };
    const QByteArray plainList = QByteArray::fromStdString(archive::initialContent(archive::SlotMediaExtensions, 1));

    CNomeArchivio scans(screen, CNomeArchivio::Mode::NewArchive);
    scans.show();
    setField(scans, "1058", QStringLiteral("scans"));
    QTest::mouseClick(control<QCheckBox>(scans, "ocr"), Qt::LeftButton);
    click(scans, "IDOK");
    QCOMPARE(scans.createdNumber(), 1);
    QCOMPARE(media(), plainList + QByteArray::fromStdString(indexing::OcrListBytes()));

    // The current archive shows its choice and can change it: the marker's line goes.
    CNomeArchivio current(screen, CNomeArchivio::Mode::CurrentArchive);
    current.show();
    QCheckBox* box = control<QCheckBox>(current, "ocr");
    QVERIFY(box->isChecked());
    QVERIFY(box->isEnabled());
    QTest::mouseClick(box, Qt::LeftButton);
    click(current, "IDOK");
    QCOMPARE(media(), plainList);
    QVERIFY(!indexing::CurrentArchiveReadsOcr(workspace));
}

VEDRA_UI_TEST_MAIN(CNomeArchivioTest)
#include "CNomeArchivioTest.moc"

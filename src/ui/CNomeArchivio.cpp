// The dialog checks only what its own fields can get wrong (lengths, numbers) and
// leaves the archive's rules to the engine, which says what it refuses. The limits
// entered are set before creation and again after it, since opening the new
// archive loads its stored ones. The description keeps CR LF line ends.
#include "ui/CNomeArchivio.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveListFiles.h"
#include "core/indexing/OcrReader.h"
#include "core/search/DiskListing.h"
#include "core/search/SearchSession.h"
#include "ui/SearchScreen.h"
#include "ui/UiText.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cctype>

namespace vedra::ui {
namespace {

using namespace captions;

constexpr Texts kNameTooLong = {
    "Il nome dell'archivio può avere al massimo 50 caratteri.",
    "The archive name can have at most 50 characters.",
    "El nombre del archivo puede tener como máximo 50 caracteres.",
};
constexpr Texts kTruncationOutOfRange = {
    "La lunghezza di troncamento deve essere tra 4 e 30.",
    "The cut length must be between 4 and 30.",
    "La longitud de truncamiento debe estar entre 4 y 30.",
};
constexpr Texts kMinimumNotANumber = {
    "La lunghezza minima delle parole deve essere un numero.",
    "The shortest word length must be a number.",
    "La longitud mínima de las palabras debe ser un número.",
};
constexpr Texts kDiskTooLong = {
    "Il disco può avere al massimo 8 caratteri.",
    "The disk can have at most 8 characters.",
    "El disco puede tener como máximo 8 caracteres.",
};
constexpr Texts kNumberNotANumber = {
    "Il numero dell'archivio deve essere un numero positivo.",
    "The archive number must be a positive number.",
    "El número del archivo debe ser un número positivo.",
};

constexpr int kTipDurationMs = 5000;

QLineEdit* makeEdit(const char* id, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(id));
    return edit;
}

QLabel* makeLabel(const char* id, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(id));
    return label;
}

QPushButton* makeDialogButton(const char* id, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(id));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CNomeArchivio::CNomeArchivio(SearchScreen& screen, Mode mode, QWidget* parent)
    : QDialog(parent), m_screen(screen), m_mode(mode)
{
    setObjectName(QStringLiteral("CNomeArchivio"));
    setModal(false);
    buildControls();

    app::Workspace& workspace = m_screen.workspace();
    setTexts(workspace.LanguageIndex);
    const std::string identification = workspace.currentArchiveName();
    const bool newArchive = m_mode == Mode::NewArchive;
    // A new archive starts without a name: the current one's would only be
    // overwritten.
    if (!newArchive && identification.size() > 2)
        m_name->setText(displayed(identification.substr(2)));
    m_disk->setText(QString(QChar::fromLatin1(identification.empty() ? workspace.currentDriveLetter
                                                                     : identification[0])));
    m_minimum->setText(QString::number(workspace.minWordLength));
    m_truncation->setText(QString::number(workspace.maxWordLength));
    const std::int32_t number = newArchive ? indexing::HighestArchiveNumber(workspace) + 1 : workspace.ArchiveNumber;
    m_number->setText(QString::number(number));
    m_name->setEnabled(newArchive);
    m_minimum->setEnabled(newArchive);
    m_truncation->setEnabled(newArchive);
    m_moreTypes->setChecked(!newArchive && indexing::CurrentArchiveReadsMoreTypes(workspace));
    m_moreTypes->setEnabled(newArchive);
    // Unlike the more-types rules, recognition can be switched for an archive
    // that exists: it changes what the next runs read, not what the lists mean.
    m_ocr->setChecked(!newArchive && indexing::CurrentArchiveReadsOcr(workspace));
}

void CNomeArchivio::buildControls()
{
    m_nameLabel = makeLabel("1672", this);
    m_name = makeEdit("1058", this);
    m_descriptionLabel = makeLabel("1492", this);
    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("1491"));
    m_description->setToolTipDuration(kTipDurationMs);
    m_minimumLabel = makeLabel("1673", this);
    m_minimum = makeEdit("1040", this);
    m_truncationLabel = makeLabel("1674", this);
    m_truncation = makeEdit("1041", this);
    m_disk = makeEdit("1512", this);
    m_number = makeEdit("1506", this);
    m_moreTypes = new QCheckBox(this);
    m_moreTypes->setObjectName(QStringLiteral("moreTypes"));
    m_ocr = new QCheckBox(this);
    m_ocr->setObjectName(QStringLiteral("ocr"));

    auto* dir = makeDialogButton("1517", QStringLiteral("Dir"), this);
    m_filesButton = makeDialogButton("1518", QString(), this);
    m_addButton = makeDialogButton("1519", QString(), this);
    m_printButton = makeDialogButton("1516", QString(), this);
    auto* ok = makeDialogButton("IDOK", QStringLiteral("OK"), this);
    m_cancelButton = makeDialogButton("IDCANCEL", QString(), this);
    auto* files = m_filesButton;
    auto* add = m_addButton;
    auto* print = m_printButton;
    auto* cancel = m_cancelButton;
    ok->setDefault(true);
    connect(dir, &QPushButton::clicked, this, &CNomeArchivio::listFolders);
    connect(files, &QPushButton::clicked, this, &CNomeArchivio::listFiles);
    connect(add, &QPushButton::clicked, this, &CNomeArchivio::addSelectedRows);
    connect(print, &QPushButton::clicked, this, &CNomeArchivio::printDescription);
    connect(ok, &QPushButton::clicked, this, &CNomeArchivio::accept);
    connect(cancel, &QPushButton::clicked, this, &CNomeArchivio::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(m_nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 3);
    m_diskLabel = makeLabel("diskLabel", this);
    grid->addWidget(m_diskLabel, 1, 0);
    grid->addWidget(m_disk, 1, 1);
    m_numberLabel = makeLabel("numberLabel", this);
    grid->addWidget(m_numberLabel, 1, 2);
    grid->addWidget(m_number, 1, 3);
    grid->addWidget(m_minimumLabel, 2, 0);
    grid->addWidget(m_minimum, 2, 1);
    grid->addWidget(m_truncationLabel, 2, 2);
    grid->addWidget(m_truncation, 2, 3);
    grid->addWidget(m_descriptionLabel, 3, 0, 1, 4);
    grid->addWidget(m_description, 4, 0, 1, 4);
    grid->addWidget(m_moreTypes, 5, 0, 1, 4);
    grid->addWidget(m_ocr, 6, 0, 1, 4);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(dir);
    buttons->addWidget(files);
    buttons->addWidget(add);
    buttons->addWidget(print);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void CNomeArchivio::setTexts(int languageIndex)
{
    const int slot = languageColumn(languageIndex);
    setWindowTitle(caption(kArchiveDialogTitle, languageIndex));
    m_diskLabel->setText(caption(kDiskLabel, languageIndex));
    m_numberLabel->setText(caption(kNumberLabel, languageIndex));
    m_filesButton->setText(caption(kFilesButton, languageIndex));
    m_addButton->setText(caption(kAddButton, languageIndex));
    m_printButton->setText(caption(kPrintButton, languageIndex));
    m_cancelButton->setText(caption(kCancelButton, languageIndex));
    m_nameLabel->setText(QString::fromUtf8(kNameLabel[slot]));
    m_descriptionLabel->setText(QString::fromUtf8(kDescriptionLabel[slot]));
    m_minimumLabel->setText(QString::fromUtf8(kMinimumLabel[slot]));
    m_truncationLabel->setText(QString::fromUtf8(kTruncationLabel[slot]));
    m_description->setToolTip(QString::fromUtf8(kDescriptionTip[slot]));
    m_moreTypes->setText(QString::fromUtf8(kMoreTypesLabel[slot]));
    m_ocr->setText(QString::fromUtf8(kOcrLabel[slot]));
}

std::int32_t CNomeArchivio::archiveNumber() const
{
    return m_number->text().trimmed().toInt();
}

void CNomeArchivio::refuse(const Texts& texts)
{
    app::Workspace& workspace = m_screen.workspace();
    // The host takes the engine's cp1252.
    workspace.host().messageBox(engineText(caption(texts, workspace.LanguageIndex)), app::MessageButtons::Ok);
}

std::string CNomeArchivio::identificationText() const
{
    if (m_mode == Mode::CurrentArchive)
        return m_screen.workspace().currentArchiveName();
    // The entry a new archive will get: disk, name and number as OK writes them.
    const QString disk = m_disk->text().trimmed().left(1).toUpper();
    return app::utf8ToCp1252((disk + u'_' + m_name->text().trimmed().toUpper() + u'_' + m_number->text().trimmed()).toStdString());
}

void CNomeArchivio::printDescription()
{
    const std::string identification = identificationText();
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat heading;
    heading.setFontWeight(QFont::Bold);
    cursor.insertText(displayed(identification), heading);
    cursor.insertText(QStringLiteral("\n\n") + m_description->toPlainText(), QTextCharFormat());
    m_screen.printText(identification, document);
}

std::string CNomeArchivio::descriptionText() const
{
    // The description keeps the CR LF line ends of the program's files.
    return m_description->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
}

void CNomeArchivio::accept()
{
    const QString name = m_name->text().trimmed();
    if (name.size() > kMaxNameLength)
        return refuse(kNameTooLong);
    bool truncationOk = false;
    const int truncation = m_truncation->text().trimmed().toInt(&truncationOk);
    if (!truncationOk || truncation < kMinTruncation || truncation > kMaxTruncation)
        return refuse(kTruncationOutOfRange);
    bool minimumOk = false;
    const int minimum = m_minimum->text().trimmed().toInt(&minimumOk);
    if (!minimumOk)
        return refuse(kMinimumNotANumber);
    const QString disk = m_disk->text().trimmed();
    if (disk.size() > kMaxDiskLength)
        return refuse(kDiskTooLong);
    bool numberOk = false;
    const int number = m_number->text().trimmed().toInt(&numberOk);
    if (!numberOk || number < 0)
        return refuse(kNumberNotANumber);

    app::Workspace& workspace = m_screen.workspace();
    workspace.minWordLength = minimum;
    workspace.maxWordLength = truncation;
    workspace.truncationThreshold = truncation;
    if (m_mode == Mode::NewArchive) {
        indexing::NewArchive request;
        request.name = app::utf8ToCp1252(name.toStdString());
        request.description = descriptionText();
        // A letter labels the archive's disk; a root folder leaves the current one.
        const char first = disk.isEmpty() ? '\0' : disk.at(0).toLatin1();
        request.disk = std::isalpha(static_cast<unsigned char>(first)) ? first : '\0';
        // The engine takes a number above the next free one as the next free one.
        request.number = number;
        request.minWordLength = minimum;
        request.truncationLength = truncation;
        request.moreTypes = m_moreTypes->isChecked();
        request.ocr = m_ocr->isChecked();
        indexing::CreatedArchive created = indexing::CreateArchive(workspace, request);
        if (created.number < 0) {
            if (!created.error.empty() && !created.messageShown)
                workspace.host().messageBox(created.error, app::MessageButtons::Ok);
            return;
        }
        m_createdNumber = created.number;
        m_number->setText(QString::number(created.number));
        // The limits entered hold for this session, whatever opening the archive set.
        workspace.minWordLength = minimum;
        workspace.maxWordLength = truncation;
        workspace.truncationThreshold = truncation;
    } else {
        const std::string description = descriptionText();
        if ((m_added || m_description->document()->isModified()) && !description.empty())
            indexing::WriteArchiveDescription(workspace, description);
        if (m_ocr->isChecked() != indexing::CurrentArchiveReadsOcr(workspace) &&
            !indexing::SetCurrentArchiveOcr(workspace, m_ocr->isChecked()))
            return;
    }
    m_added = false;
    m_description->document()->setModified(false);
    emit archiveConfirmed(archiveNumber());
    QDialog::accept();
}

void CNomeArchivio::reject()
{
    if (m_mode == Mode::NewArchive)
        m_number->setText(QString::number(indexing::NumberAfterCancel(archiveNumber())));
    QDialog::reject();
}

void CNomeArchivio::addSelectedRows()
{
    search::ResultList& results = m_screen.session().results();
    QString text = m_description->toPlainText();
    for (std::size_t row : results.selectedRows())
        text += displayed(results.row(row).label()) + QLatin1Char('\n');
    m_description->setPlainText(text);
    m_added = true;
}

std::string CNomeArchivio::listRoot() const
{
    const std::string root = m_disk->text().trimmed().toStdString();
    return !root.empty() && root[0] == '/' ? root : std::string("/");
}

void CNomeArchivio::listFolders()
{
    search::ListDiskRoot(m_screen.workspace(), m_screen.session().results(), listRoot(),
                         search::DiskListingKind::Folders);
    m_screen.refreshResults();
}

void CNomeArchivio::listFiles()
{
    search::ListDiskRoot(m_screen.workspace(), m_screen.session().results(), listRoot(),
                         search::DiskListingKind::Files);
    m_screen.refreshResults();
}

} // namespace vedra::ui

// The archive dialog: names and describes a new archive and confirms its
// creation, or edits the description and word-length limits of the current one.
// Modeless; the archive page opens it and the main window's screen lends it the
// workspace and the result list.
#pragma once

#include "ui/WindowTexts.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QLineEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vedra::ui {

class SearchScreen;

class CNomeArchivio : public QDialog {
    Q_OBJECT

public:
    enum class Mode { NewArchive, CurrentArchive };

    // Longest name and disk field the dialog takes; the truncation range.
    static constexpr int kMaxNameLength = 50;
    static constexpr int kMaxDiskLength = 8;
    static constexpr int kMinTruncation = 4;
    static constexpr int kMaxTruncation = 30;

    // `screen` is lent for the dialog's lifetime. A new archive is proposed the
    // number after the highest in the catalogue; the current archive shows its own
    // name and number, and its name and limits cannot be edited.
    CNomeArchivio(SearchScreen& screen, Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    // The number in field 1506; after Cancel on a new archive, one less (the
    // number had been advanced for it), never below 1.
    std::int32_t archiveNumber() const;
    // The number of the archive OK created, -1 before or when creation failed.
    std::int32_t createdNumber() const { return m_createdNumber; }

public slots:
    // OK: the fields checked (a refused value is reported and nothing is done),
    // the limits applied, the archive created (new) or its description written
    // when it was changed and is not empty (current); the dialog then closes.
    void accept() override;
    // Cancel: a new archive's number goes back by one; the dialog closes.
    void reject() override;
    // Add (1519): every selected result row's label and CR LF appended to the
    // description.
    void addSelectedRows();
    // Dir (1517) and Files (1518): the folders or files below the root folder of
    // field 1512 ("/" when it holds a drive letter) listed in the result list.
    void listFolders();
    void listFiles();
    // Print (1516): the archive's identification as a heading, then the
    // description, printed under the identification's name.
    void printDescription();
    // Labels, buttons and tips in the language given; an open dialog follows the flags.
    void setTexts(int languageIndex);

signals:
    // OK created an archive (new) or applied the changes (current).
    void archiveConfirmed(std::int32_t number);

private:
    void buildControls();
    void refuse(const Texts& texts);
    std::string listRoot() const;
    std::string descriptionText() const;
    std::string identificationText() const;

    SearchScreen& m_screen;
    Mode m_mode;
    bool m_added = false;
    std::int32_t m_createdNumber = -1;

    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_description = nullptr;
    QLineEdit* m_truncation = nullptr;
    QLineEdit* m_minimum = nullptr;
    QLineEdit* m_disk = nullptr;
    QLineEdit* m_number = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_descriptionLabel = nullptr;
    QLabel* m_minimumLabel = nullptr;
    QLabel* m_truncationLabel = nullptr;
    // The more-types rules: chosen for a new archive (off by default, which keeps
    // the description's lists); shown, not editable, for the current one.
    QCheckBox* m_moreTypes = nullptr;
    QCheckBox* m_ocr = nullptr;
    QLabel* m_diskLabel = nullptr;
    QLabel* m_numberLabel = nullptr;
    QPushButton* m_filesButton = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace vedra::ui

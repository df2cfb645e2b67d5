// The information window ("Info"): a read-only rich text that collects calculation
// results, shows the word-statistics report and pages through the notes file with
// its ">" and "<" buttons. The main window creates it on first use, reuses it, and
// forgets it when it is closed. Controls carry their id as object name ("1531", ...).
#pragma once

#include "core/search/PreviewDocument.h"
#include "core/utilities/NotesPager.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QPushButton;
class QTextEdit;

namespace vedra::app {
class Workspace;
}

namespace vedra::ui {

class CScelta : public QDialog {
    Q_OBJECT

public:
    // What ">" and "<" read: the file and the words as they are when pressed.
    using QueryProvider = std::function<utilities::NotesPageQuery()>;

    // `workspace` is lent for the window's lifetime. The window deletes itself when
    // closed.
    CScelta(app::Workspace& workspace, QueryProvider query, QWidget* parent = nullptr);

    QTextEdit* textControl() const { return m_text; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* previousButton() const { return m_previous; }
    const utilities::NotesPager& pager() const { return m_pager; }

    // The notes from their first part, ">" shown.
    void showNotes();
    // ">" 1499 and "<" 1111.
    void Next();
    void Previous();

    // A calculation: ">" hidden, CR LF and `cp1252Text` appended after what the
    // window holds, titled `title`, placed in the bottom-right corner of the screen.
    void ShowCalculation(const QString& title, const std::string& cp1252Text);
    // The word-statistics report alone, titled `title`, ">" hidden.
    void showReport(const QString& title, const search::PreviewDocument& report);

signals:
    // Shown on screen, and closed (the window is deleted after this).
    void opened();
    void closed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPage(const utilities::NotesPage& page);
    void render(const search::PreviewDocument& document);

    app::Workspace& m_workspace;
    QueryProvider m_query;
    utilities::NotesPager m_pager;
    search::PreviewDocument m_shown;  // what the text control holds, as the engine's text
    QTextEdit* m_text = nullptr;       // 1531
    QPushButton* m_next = nullptr;     // 1499
    QPushButton* m_previous = nullptr; // 1111
};

} // namespace vedra::ui

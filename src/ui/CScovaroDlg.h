// The main window. It is the engine's host for the whole run: it drains the
// event queue for long operations, asks the engine's questions, and shows the
// title, status line and progress. Its handlers call one workspace operation each.
#pragma once

#include "core/app/Host.h"
#include "core/app/Workspace.h"
#include "ui/MessageBoxes.h"

#include <QColor>
#include <QDialog>

#include <string>
#include <vector>

class QCloseEvent;
class QKeyEvent;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace vedra::ui {

class CScovaroDlg : public QDialog, public app::Host {
    Q_OBJECT

public:
    // Window colours, as RGB.
    static constexpr QRgb kWindowColour = qRgb(0, 64, 128);
    static constexpr QRgb kTextBackgroundColour = qRgb(230, 250, 250);
    static constexpr QRgb kResultListColour = qRgb(220, 220, 220);
    static constexpr QRgb kPreviewColour = qRgb(250, 250, 250);

    // `workspace` is lent for the dialog's lifetime. The dialog only becomes the
    // workspace's host when the caller points the workspace's host at it.
    explicit CScovaroDlg(app::Workspace& workspace, QWidget* parent = nullptr);
    ~CScovaroDlg() override;

    // The window half of start-up; call once, after the workspace's host forwards
    // to this dialog: the engine's session start (title, texts, tools), then the
    // flag button of the language.
    void initialise();

    // The colour behind the window icon (what a minimised window shows).
    void setFillColour(const QColor& colour);
    QColor fillColour() const { return m_fillColour; }

    // Message boxes go to `responder` instead of a window while it is set.
    void setMessageResponder(MessageResponder responder) { m_responder = std::move(responder); }
    // Every message text shown, as displayed (UTF-8), in order.
    const std::vector<std::string>& shownMessages() const { return m_shownMessages; }

    // The language of the checked flag button: 2 Spanish, 0 Italian, 1 English,
    // -1 when none is checked.
    int checkedLanguage() const;

    // The saving steps of closing (the workspace's: archive buffers, language file,
    // catalogue) and BreakCode 28. Runs once; later calls do nothing.
    void ShutdownSave();

    // The Break button: asks running operations to stop.
    void BreakCommand();

    bool drainEvents() override;
    app::MessageAnswer messageBox(const std::string& text, app::MessageButtons buttons) override;
    app::MessageAnswer titledMessageBox(const std::string& title, const std::string& text,
                                        app::MessageButtons buttons) override;
    void setTitle(const std::string& title) override;
    void setStatus(const std::string& text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPosition(int position) override;
    void setWaitCursor(bool on) override;

public slots:
    // While an operation is busy, closing only asks it to stop (BreakCode 27).
    void reject() override;
    // Every way the dialog ends passes here; ShutdownSave runs first.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void checkLanguageButton(int languageIndex);
    void chooseLanguage(int languageIndex);
    // Escape outside a long operation: asks whether to quit.
    void confirmQuit();
    bool ownsWidget(const QObject* object) const;

    app::Workspace& m_workspace;
    MessageResponder m_responder;
    std::vector<std::string> m_shownMessages;
    QColor m_fillColour;

    QListWidget* m_resultList = nullptr;
    QTextEdit* m_preview = nullptr;
    QLabel* m_statusLine = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_breakButton = nullptr;
    QRadioButton* m_english = nullptr;
    QRadioButton* m_italian = nullptr;
    QRadioButton* m_spanish = nullptr;

    bool m_initialised = false;
    bool m_shutdownSaved = false;
    int m_drainDepth = 0;
    bool m_escapeWhileDraining = false;
    int m_waitCursorDepth = 0;
};

} // namespace vedra::ui

#include "ui/CScovaroDlg.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/search/PreviewSession.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace vedra::ui {
namespace {

using app::MessageAnswer;
using app::MessageButtons;
using app::MessageKey;

// The window keeps the size of its 470 x 269 dialog-unit template (at the usual
// 1.5 x 1.625 pixels per unit); it is not resizable.
constexpr int kWindowWidth = 705;
constexpr int kWindowHeight = 437;

constexpr int kBreakRequested = 27;
constexpr int kQuitDeclined = -1;

QString displayed(const std::string& text)
{
    return QString::fromStdString(app::displayUtf8(text));
}

void setColours(QWidget* widget, QPalette::ColorRole background, QRgb backgroundColour, QPalette::ColorRole text,
                QRgb textColour)
{
    QPalette palette = widget->palette();
    palette.setColor(background, QColor(backgroundColour));
    palette.setColor(text, QColor(textColour));
    widget->setPalette(palette);
}

QRadioButton* makeLanguageButton(const char* objectName, const char* label, QWidget* parent)
{
    auto* button = new QRadioButton(QString::fromLatin1(label), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoExclusive(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

CScovaroDlg::CScovaroDlg(app::Workspace& workspace, QWidget* parent)
    : QDialog(parent), m_workspace(workspace), m_fillColour(255, 230, 186)
{
    setObjectName(QStringLiteral("CScovaroDlg"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    buildControls();
    setFixedSize(kWindowWidth, kWindowHeight);
    setFillColour(m_fillColour);
    // An application-wide filter, because during a drain Escape must be caught
    // whichever of the program's widgets has the focus.
    qApp->installEventFilter(this);
}

CScovaroDlg::~CScovaroDlg()
{
    qApp->removeEventFilter(this);
    // Destroyed without having been closed: the saving steps still run, but only
    // for a window that was set up, or its empty flag buttons would reset the
    // language file to English.
    if (m_initialised)
        ShutdownSave();
    while (m_waitCursorDepth-- > 0)
        QApplication::restoreOverrideCursor();
}

void CScovaroDlg::buildControls()
{
    setAutoFillBackground(true);
    setColours(this, QPalette::Window, kWindowColour, QPalette::WindowText, qRgb(255, 255, 255));

    m_resultList = new QListWidget(this);
    m_resultList->setObjectName(QStringLiteral("resultList1001"));
    setColours(m_resultList, QPalette::Base, kResultListColour, QPalette::Text, qRgb(0, 0, 0));

    m_preview = new QTextEdit(this);
    m_preview->setObjectName(QStringLiteral("preview1002"));
    m_preview->setReadOnly(true);
    setColours(m_preview, QPalette::Base, kPreviewColour, QPalette::Text, qRgb(0, 0, 0));

    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("statusLine1475"));
    m_statusLine->setAutoFillBackground(true);
    m_statusLine->setTextFormat(Qt::PlainText);
    m_statusLine->setMinimumWidth(1);
    m_statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setColours(m_statusLine, QPalette::Window, kTextBackgroundColour, QPalette::WindowText, qRgb(0, 0, 0));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress1025"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(112);

    m_breakButton = new QPushButton(QStringLiteral("Break"), this);
    m_breakButton->setObjectName(QStringLiteral("break1704"));
    // Enter must not stop a running operation by default.
    m_breakButton->setAutoDefault(false);
    m_breakButton->setFocusPolicy(Qt::NoFocus);
    connect(m_breakButton, &QPushButton::clicked, this, &CScovaroDlg::BreakCommand);

    m_english = makeLanguageButton("language1669", "EN", this);
    m_italian = makeLanguageButton("language1670", "IT", this);
    m_spanish = makeLanguageButton("language1774", "ES", this);
    connect(m_english, &QRadioButton::clicked, this, [this] { chooseLanguage(1); });
    connect(m_italian, &QRadioButton::clicked, this, [this] { chooseLanguage(0); });
    connect(m_spanish, &QRadioButton::clicked, this, [this] { chooseLanguage(2); });

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    bottom->addWidget(m_statusLine, 1);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_breakButton);
    // Left to right as in the template: English, Spanish, Italian.
    bottom->addWidget(m_english);
    bottom->addWidget(m_spanish);
    bottom->addWidget(m_italian);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(3);
    layout->addWidget(m_resultList, 124);
    layout->addWidget(m_preview, 137);
    layout->addLayout(bottom);
}

void CScovaroDlg::initialise()
{
    if (m_initialised)
        return;
    m_initialised = true;
    m_workspace.InitialiseSession();
    checkLanguageButton(m_workspace.LanguageIndex);
}

void CScovaroDlg::setFillColour(const QColor& colour)
{
    m_fillColour = colour;
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(kWindowColour));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(24);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
    painter.end();
    setWindowIcon(QIcon(pixmap));
}

int CScovaroDlg::checkedLanguage() const
{
    if (m_spanish->isChecked())
        return 2;
    if (m_italian->isChecked())
        return 0;
    if (m_english->isChecked())
        return 1;
    return -1;
}

void CScovaroDlg::checkLanguageButton(int languageIndex)
{
    QRadioButton* button = languageIndex == 0 ? m_italian
                           : languageIndex == 1 ? m_english
                           : languageIndex == 2 ? m_spanish
                                                : nullptr;
    if (button != nullptr) {
        button->setChecked(true);
        return;
    }
    // Auto-exclusive buttons refuse to uncheck the last checked one.
    for (QRadioButton* each : {m_english, m_italian, m_spanish}) {
        each->setAutoExclusive(false);
        each->setChecked(false);
        each->setAutoExclusive(true);
    }
}

void CScovaroDlg::chooseLanguage(int languageIndex)
{
    m_workspace.SetLanguage(languageIndex);
}

void CScovaroDlg::ShutdownSave()
{
    if (m_shutdownSaved)
        return;
    m_shutdownSaved = true;
    m_workspace.ShutdownSave(checkedLanguage());
    m_workspace.BreakCode = 28;
}

void CScovaroDlg::BreakCommand()
{
    m_workspace.BreakCode = kBreakRequested;
    setStatus("break...");
    QGuiApplication::clipboard()->clear();
}

bool CScovaroDlg::drainEvents()
{
    ++m_drainDepth;
    QCoreApplication::processEvents();
    --m_drainDepth;
    return std::exchange(m_escapeWhileDraining, false);
}

MessageAnswer CScovaroDlg::messageBox(const std::string& text, MessageButtons buttons)
{
    std::string shown = app::displayUtf8(text);
    m_shownMessages.push_back(shown);
    if (m_responder)
        return m_responder(shown, buttons);
    return runMessageBox(isVisible() ? this : nullptr, shown, buttons);
}

MessageAnswer CScovaroDlg::titledMessageBox(const std::string& title, const std::string& text,
                                            MessageButtons buttons)
{
    std::string shown = app::displayUtf8(text);
    m_shownMessages.push_back(shown);
    if (m_responder)
        return m_responder(shown, buttons);
    return runMessageBox(isVisible() ? this : nullptr, shown, buttons, app::displayUtf8(title));
}

void CScovaroDlg::setTitle(const std::string& title)
{
    setWindowTitle(displayed(title));
}

void CScovaroDlg::setStatus(const std::string& text)
{
    // The line keeps the start and the end of a long path; the blank padding that
    // overwrote old text in a fixed-width field is not needed in a label.
    std::string shown = search::StatusLineText(text);
    shown.erase(shown.find_last_not_of(' ') + 1);
    m_statusLine->setText(displayed(shown));
}

void CScovaroDlg::setProgressRange(int low, int high)
{
    // QProgressBar animates an empty range as "busy"; a Windows bar just stays empty.
    m_progress->setRange(low, std::max(high, low + 1));
}

void CScovaroDlg::setProgressPosition(int position)
{
    m_progress->setValue(std::clamp(position, m_progress->minimum(), m_progress->maximum()));
}

void CScovaroDlg::setWaitCursor(bool on)
{
    if (on) {
        ++m_waitCursorDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_waitCursorDepth > 0) {
        --m_waitCursorDepth;
        QApplication::restoreOverrideCursor();
    }
}

void CScovaroDlg::reject()
{
    if (m_workspace.busy) {
        m_workspace.BreakCode = kBreakRequested;
        return;
    }
    QDialog::reject();
}

void CScovaroDlg::done(int result)
{
    ShutdownSave();
    QDialog::done(result);
}

bool CScovaroDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return false;
    // A message box or another modal window handles its own Escape.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != this)
        return false;
    if (m_drainDepth > 0) {
        m_escapeWhileDraining = true;
        return true;
    }
    if (!ownsWidget(watched))
        return false;
    confirmQuit();
    return true;
}

void CScovaroDlg::keyPressEvent(QKeyEvent* event)
{
    // QDialog would reject at once; Escape must ask first.
    if (event->key() == Qt::Key_Escape) {
        confirmQuit();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CScovaroDlg::closeEvent(QCloseEvent* event)
{
    QGuiApplication::clipboard()->clear();
    // QDialog closes through reject(), which refuses while an operation is busy.
    QDialog::closeEvent(event);
}

void CScovaroDlg::confirmQuit()
{
    // Escape ends the window as the close box would, but without the busy check
    // of closing: while an operation runs, its drain takes Escape first.
    if (m_workspace.showMessage(MessageKey::MsgConfirmQuit, MessageButtons::OkCancel) == MessageAnswer::Ok)
        done(QDialog::Rejected);
    else
        m_workspace.BreakCode = kQuitDeclined;
}

bool CScovaroDlg::ownsWidget(const QObject* object) const
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget != nullptr && widget->window() == this;
}

} // namespace vedra::ui

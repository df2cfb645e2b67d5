// Calculations are appended to the engine text the window keeps and the whole is
// drawn again, so that a report's coloured heading and a later calculation share one
// way of drawing and the marks stay where the engine put them.
#include "ui/CScelta.h"

#include "core/app/Workspace.h"
#include "core/utilities/PreviewCalculation.h"
#include "ui/PreviewRendering.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace vedra::ui {
namespace {

constexpr int kPointSize = 10;

} // namespace

CScelta::CScelta(app::Workspace& workspace, QueryProvider query, QWidget* parent)
    : QDialog(parent), m_workspace(workspace), m_query(std::move(query))
{
    setObjectName(QStringLiteral("CScelta"));
    setWindowTitle(QStringLiteral("Info"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("1531"));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(m_text, 1);
    auto* buttons = new QHBoxLayout;
    m_previous = new QPushButton(QStringLiteral("<"), this);
    m_previous->setObjectName(QStringLiteral("1111"));
    m_next = new QPushButton(QStringLiteral(">"), this);
    m_next->setObjectName(QStringLiteral("1499"));
    for (QPushButton* button : {m_previous, m_next}) {
        button->setAutoDefault(false);
        button->setFixedWidth(40);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_previous);
    buttons->addWidget(m_next);
    layout->addLayout(buttons);
    connect(m_next, &QPushButton::clicked, this, &CScelta::Next);
    connect(m_previous, &QPushButton::clicked, this, &CScelta::Previous);
    // The close box and Escape both end in finished().
    connect(this, &QDialog::finished, this, &CScelta::closed);
    resize(420, 360);
}

void CScelta::render(const search::PreviewDocument& document)
{
    m_shown = document;
    RenderPreview(*m_text, m_shown, kPointSize, std::string::npos);
}

void CScelta::showPage(const utilities::NotesPage& page)
{
    if (!page.opened)
        return;
    setWindowTitle(QStringLiteral("Info"));
    render(page.text);
    show();
    raise();
}

void CScelta::showNotes()
{
    m_pager.Reset();
    m_next->show();
    showPage(m_pager.Current(m_workspace, m_query()));
}

void CScelta::Next()
{
    showPage(m_pager.Next(m_workspace, m_query()));
}

void CScelta::Previous()
{
    showPage(m_pager.Previous(m_workspace, m_query()));
}

void CScelta::ShowCalculation(const QString& title, const std::string& cp1252Text)
{
    m_next->hide();
    search::PreviewDocument document = m_shown;
    document.appendText("\r\n" + cp1252Text);
    render(document);
    QTextCursor end = m_text->textCursor();
    end.movePosition(QTextCursor::End);
    m_text->setTextCursor(end);
    m_text->ensureCursorVisible();
    setWindowTitle(title);
    if (QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        const QRect area = screen->availableGeometry();
        const utilities::WindowPlacement place = utilities::CalculationWindowPlacement(area.right(), area.bottom());
        setGeometry(place.left, place.top, place.width, place.height);
    }
    show();
    raise();
}

void CScelta::showReport(const QString& title, const search::PreviewDocument& report)
{
    m_next->hide();
    render(report);
    setWindowTitle(title);
    show();
    raise();
}

void CScelta::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    emit opened();
}


} // namespace vedra::ui

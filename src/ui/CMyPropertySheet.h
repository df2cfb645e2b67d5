// The property sheet beside the main window: a modeless tool window holding the
// search page and the utility page (and any page the main window adds). It is
// created once with the main window, hidden rather than closed, and never
// destroyed before it.
#pragma once

#include <QDialog>
#include <QString>

class QRect;
class QTabWidget;

namespace vedra::ui {

class CMyPropertyPage2;
class CNote;
class SearchScreen;

class CMyPropertySheet : public QDialog {
    Q_OBJECT

public:
    static constexpr QRgb kBackgroundColour = qRgb(0, 64, 128);

    // `screen` is lent for the sheet's lifetime; `parent` is the main window.
    CMyPropertySheet(SearchScreen& screen, QWidget* parent);

    CMyPropertyPage2* searchPage() const { return m_searchPage; }
    CNote* notePage() const { return m_notePage; }
    QTabWidget* tabs() const { return m_tabs; }

    // A further page after the two of the sheet; the sheet takes ownership. Returns
    // its tab index.
    int addPage(QWidget* page, const QString& title);

    // The Options button: an already visible sheet stays where it is; otherwise it
    // takes the current archive's name as caption and shows at the main window's
    // top right corner (`mainFrame` in screen coordinates, frame included).
    void showBeside(const QRect& mainFrame);

    // The pages' texts in the workspace's language.
    void retranslate();

    // The pages' controls handed to the engine, as closing does. Only the search
    // page has any: the utility page's texts live in its controls and files.
    void storePages();

public slots:
    // The close box and Escape end here (QDialog's close handling calls it): the
    // sheet stores its pages and hides, it is never destroyed.
    void reject() override;

private:
    SearchScreen& m_screen;
    QTabWidget* m_tabs = nullptr;
    CMyPropertyPage2* m_searchPage = nullptr;
    CNote* m_notePage = nullptr;
    bool m_searchShown = true;
};

} // namespace vedra::ui

// One translator at a time: the one of the previous language is taken out first.
#include "ui/QtTranslations.h"

#include "core/app/MessageTable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace vedra::ui {

void UseQtTranslations(int languageIndex)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed != nullptr) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const std::size_t column = app::languageColumn(languageIndex);
    if (column == 1)
        return;
    auto translator = std::make_unique<QTranslator>();
    const QLocale locale(column == 0 ? QLocale::Italian : QLocale::Spanish);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
}

} // namespace vedra::ui

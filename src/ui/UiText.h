// Text between the engine (cp1252) and Qt, and the naming of controls, as every
// window does them.
#pragma once

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"

#include <QString>

#include <string>

namespace vedra::ui {

// An engine text (cp1252) as the window shows it.
inline QString displayed(const std::string& text)
{
    return QString::fromStdString(app::displayUtf8(text));
}

// A text of the window as the engine keeps it (cp1252).
inline std::string engineText(const QString& text)
{
    return app::utf8ToCp1252(text.toStdString());
}

using app::languageColumn;

// `widget`, named by its control number `id` (how the tests and the tour find it).
template <typename T>
T* named(T* widget, const char* id)
{
    widget->setObjectName(QString::fromLatin1(id));
    return widget;
}

} // namespace vedra::ui

// Message boxes of the desktop program, and the ways a script or a test answers
// them instead of a user.
#pragma once

#include "core/app/Host.h"

#include <functional>
#include <ostream>
#include <string>

class QWidget;

namespace vedra::ui {

// Answers a message box without showing it: takes the displayed text (UTF-8) and
// the buttons offered, returns the button chosen.
using MessageResponder = std::function<app::MessageAnswer(const std::string& text, app::MessageButtons buttons)>;

// Shows `text` (UTF-8) modally over `parent` (may be null) and returns the button
// chosen. Closing the box without a button counts as Cancel, No, or OK for a box
// that offers only OK. With a `languageIndex` the buttons speak that language;
// without one (-1), Qt's.
app::MessageAnswer runMessageBox(QWidget* parent, const std::string& text, app::MessageButtons buttons,
                                 const std::string& title = "VedraReader", int languageIndex = -1);

// The answer a scripted run gives: OK/Yes when `accept`, else Cancel/No (OK for a
// box with only OK).
app::MessageAnswer scriptedAnswer(app::MessageButtons buttons, bool accept);

// The responder asked for by the value of VEDRA_AUTO_ANSWER: "accept" or "reject"
// answer every box as scriptedAnswer does and print its text (and the answer to a
// question) as one line on `out`, which must outlive the responder. Any other
// value, or null, gives an empty function: boxes are shown.
MessageResponder autoAnswerResponder(const char* setting, std::ostream& out);

} // namespace vedra::ui

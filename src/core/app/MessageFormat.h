// Fills the "%s" and "%ld" slots of a message text. A small formatter of our own
// rather than printf: the texts come from a table (some with a stray blank flag,
// "% s"), and a mismatch between text and arguments must never read a wild pointer.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace vedra::app {

using MessageArg = std::variant<std::string_view, long>;

// Slots take the arguments in order: "%s" a text, "%ld" (or "%d") a number, "%%" a
// percent sign. "% s" and "% ld" carry printf's blank flag: a blank before a
// non-negative number, nothing for a text. A slot without a matching argument
// stays empty; an argument of the other kind is shown in the slot's form.
std::string formatMessage(std::string_view text, std::initializer_list<MessageArg> args);

} // namespace vedra::app

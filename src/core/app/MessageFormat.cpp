// One pass with no lookahead past the slot: a '%' that starts no known slot is
// copied as it is, so a stray percent in a table text shows instead of taking an
// argument. Arguments are used in order whether or not they fit their slot.
#include "core/app/MessageFormat.h"

#include <vector>

namespace vedra::app {

std::string formatMessage(std::string_view text, std::initializer_list<MessageArg> args)
{
    std::vector<MessageArg> queue(args);
    std::size_t next = 0;
    std::string out;
    out.reserve(text.size() + 64);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        std::size_t j = i + 1;
        if (j < text.size() && text[j] == '%') {
            out.push_back('%');
            i = j;
            continue;
        }
        bool blankFlag = false;
        if (j < text.size() && text[j] == ' ') {
            blankFlag = true;
            ++j;
        }
        bool isText = j < text.size() && text[j] == 's';
        bool isNumber = false;
        std::size_t end = j;
        if (!isText) {
            if (j + 1 < text.size() && text[j] == 'l' && text[j + 1] == 'd') {
                isNumber = true;
                end = j + 1;
            } else if (j < text.size() && text[j] == 'd') {
                isNumber = true;
            }
        }
        if (!isText && !isNumber) {
            out.push_back('%');
            continue;
        }
        if (next < queue.size()) {
            const MessageArg& arg = queue[next++];
            if (const auto* s = std::get_if<std::string_view>(&arg)) {
                out.append(*s);
            } else {
                long value = std::get<long>(arg);
                if (blankFlag && value >= 0 && isNumber)
                    out.push_back(' ');
                out.append(std::to_string(value));
            }
        }
        i = end;
    }
    return out;
}

} // namespace vedra::app

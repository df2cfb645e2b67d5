// Prints the option tables of the `vedra` verbs, for the completion test: one line
// per option, "FORM<TAB>OPTION<TAB>flag|text|integer<TAB>EXCLUDED", where FORM is
// the verb ("index") or the verb and its form ("notes search"); a form without
// options is a line of its own.
#include "cli/CliCommands.h"

#include <iostream>

int main()
{
    using vedra::cli::OptionValue;
    for (const auto& command : vedra::cli::cliCommands()) {
        for (const vedra::cli::CliOptions* form : command.forms) {
            if (form->options.empty())
                std::cout << form->verb << '\n';
            for (const auto& option : form->options) {
                const char* kind = option.value == OptionValue::None   ? "flag"
                                   : option.value == OptionValue::Text ? "text"
                                                                       : "integer";
                std::cout << form->verb << '\t' << option.name << '\t' << kind << '\t' << option.excludes << '\n';
            }
        }
    }
    return 0;
}

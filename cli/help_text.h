// qbtool's help in the forms it is read in: the text of --help, a manual
// page (qbtool.1) and a bash completion script, all made from the one table
// of commands and the one text below, so they never drift apart.
#pragma once

#include <string>
#include <string_view>

namespace qbtool {

// What --help says after the list of commands.
extern const std::string_view kGeneralHelp;

// The whole --help text.
std::string helpText();
// The manual page in troff (man) form.
std::string manPage(std::string_view version);
// A bash completion script: command names, then each command's options.
std::string bashCompletion();

}  // namespace qbtool

// The help texts; see help_text.h.
#include "help_text.h"

#include "commands.h"

namespace qbtool {

const std::string_view kGeneralHelp =
    "Every command takes --password P for a database with a password, and --codepage N\n"
    "for an Access 97 file whose text is in another code page than its header names\n"
    "(874, 1250 to 1258).\n"
    "Export formats: csv (RFC 4180, LF line ends unless --crlf; fields quoted only when they\n"
    "hold a comma, a quote or a line break; the empty text is \"\" and Null an empty field),\n"
    "tsv (tab, newline, carriage return and backslash escaped as \\t \\n \\r \\\\), json (an\n"
    "array of objects, or of arrays with --no-header). Text is UTF-8, dates ISO 8601,\n"
    "Yes/No true/false, binary values hexadecimal, currency and decimals exact.\n"
    "Migration targets: PostgreSQL through COPY in one transaction; SQLite into a new file\n"
    "renamed into place at the end. Either way a failure leaves the target as it was.\n"
    "Exit status: 0 success, 1 failure, 2 a mistake in the command line.\n";

namespace {

// Escapes text for troff: backslashes, and a line start that would read as a request.
std::string roff(std::string_view text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    lineStart = c == '\n';
  }
  return out;
}

}  // namespace

std::string helpText() {
  std::string out = "usage: qbtool COMMAND ARGUMENTS... [--password P]\n\ncommands:\n";
  for (const Command& c : allCommands()) {
    out += "  qbtool " + std::string(c.name) + " " + std::string(c.usage) + "\n      " + std::string(c.summary) + "\n";
  }
  out += "\n";
  out += kGeneralHelp;
  return out;
}

std::string manPage(std::string_view version) {
  std::string out = ".TH QBTOOL 1 \"\" \"Quillbase " + std::string(version) + "\" \"User Commands\"\n";
  out += ".SH NAME\nqbtool \\- command-line access to Microsoft Access .mdb databases\n";
  out += ".SH SYNOPSIS\n.B qbtool\n.I COMMAND\n.RI [ ARGUMENTS ...]\n.RB [ \\-\\-password\n.IR P ]\n";
  out += ".SH DESCRIPTION\n"
         "qbtool lists, exports, checks, changes, compacts and creates Access databases (the Jet 4\n"
         "format of Access 2000\\-2003), and migrates them to PostgreSQL or SQLite, with the same\n"
         "engine as the Quillbase desktop program.\n";
  out += ".SH COMMANDS\n";
  for (const Command& c : allCommands()) {
    out += ".TP\n.B qbtool " + roff(c.name) + " " + roff(c.usage) + "\n" + roff(c.summary) + "\n";
  }
  out += ".SH NOTES\n.nf\n" + roff(kGeneralHelp) + ".fi\n";
  out += ".SH SEE ALSO\n.BR quillbase (1),\n.BR psql (1),\n.BR sqlite3 (1)\n";
  return out;
}

std::string bashCompletion() {
  std::string commands;
  std::string cases;
  for (const Command& c : allCommands()) {
    commands += (commands.empty() ? "" : " ") + std::string(c.name);
    std::string options = "--password --help";
    for (const OptionSpec& o : c.options) options += " " + std::string(o.name);
    cases += "    " + std::string(c.name) + ") options=\"" + options + "\" ;;\n";
  }
  return "# bash completion for qbtool (written by qbtool --bash-completion)\n"
         "_qbtool() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} options\n"
         "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
         "    COMPREPLY=($(compgen -W \"" + commands + " --help\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  case ${COMP_WORDS[1]} in\n" + cases +
         "    *) options=\"\" ;;\n"
         "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _qbtool qbtool\n";
}

}  // namespace qbtool

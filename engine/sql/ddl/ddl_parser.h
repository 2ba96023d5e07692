// Parser of Jet 4's data-definition statements:
//   CREATE TABLE t (col TYPE [(size)] [NOT NULL] [WITH COMP[RESSION]] [DEFAULT expr]
//                   [[CONSTRAINT name] PRIMARY KEY | UNIQUE | NOT NULL | REFERENCES p [(cols)]
//                    [ON UPDATE CASCADE | SET NULL] [ON DELETE CASCADE | SET NULL]], ...,
//                   [CONSTRAINT name] PRIMARY KEY (cols) | UNIQUE (cols) | NOT NULL (col) |
//                   FOREIGN KEY (cols) REFERENCES p [(cols)] [ON ...], ...)
//   ALTER TABLE t ADD [COLUMN] col ... | DROP [COLUMN] col | ALTER [COLUMN] col TYPE ... |
//                 ADD [CONSTRAINT name] ... | DROP CONSTRAINT name
//   CREATE [UNIQUE] INDEX i ON t (col [ASC|DESC], ...) [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
//   DROP INDEX i ON t
//   DROP TABLE t
// Errors are jet::Error (Syntax) naming the statement and the position.
#pragma once

#include <string_view>

#include "sql/ddl/ddl_ast.h"

namespace jet::sql {

class Parser;

// Parses the statement that starts at the parser's current token (CREATE,
// ALTER or DROP) up to, not including, what follows it (';' or the end).
ddl::DataDefinitionStatement parseDataDefinitionStatement(Parser& parser);

// Parses a whole text holding one data-definition statement (a trailing ';'
// allowed).
ddl::DataDefinitionStatement parseDataDefinitionStatement(std::u16string_view text);

}  // namespace jet::sql

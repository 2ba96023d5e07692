// Data definition is not carried out yet: both entry points refuse it.
#include "sql/ddl/data_definition.h"

#include "jet/error.h"
#include "jet/text.h"
#include "sql/lexer.h"
#include "sql/parser.h"

namespace jet::sql {

std::unique_ptr<StatementNode> parseDataDefinition(Parser& parser) {
  const Token& first = parser.peek();
  throw Error(ErrorCode::Unsupported, "'" + toUtf8(first.text) +
                                          "' statements (data definition) are not supported yet" +
                                          atPosition("query", first.position));
}

std::unique_ptr<Action> prepareDataDefinition(Database&, std::unique_ptr<ParsedStatement>) {
  throw Error(ErrorCode::Unsupported, "Data definition (CREATE, ALTER, DROP) is not supported yet");
}

}  // namespace jet::sql

// File ▸ "New Table" and the tool button "New Table" (both hidden): the table
// designer dialog, which changes nothing outside itself.
#pragma once

class TfrmNew;

namespace qb {

class Prompts;

// Shows the designer modally.
void showTableDesigner(TfrmNew& dialog, Prompts& prompts);

}  // namespace qb

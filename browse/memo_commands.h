// "View / Edit Memo Field" (the grid's menu; the Edit menu passes it on): the
// memo window shows and edits the selected column's field of the current
// record, following the current record from then on. And the memo's own
// menu: a text file's contents into the memo, the memo's lines into a text
// file, and emptying it. Text files are read and written as UTF-8.
#pragma once

#include <QString>

class DBMemo;
class GridColumns;
class TfrmMemo;

namespace qb {

class FileDialog;
class Prompts;

// Binds the memo window to the field of the selected column of `columns`
// (any type of field; with no table open, to none) and shows it in front.
void viewEditMemoField(TfrmMemo& window, const GridColumns& columns);

// Import Text: the file chosen in `dialog` replaces the memo's text, as
// typing would (the record goes into edit state). A file that is not UTF-8
// is read as Windows-1252, the code page of Western Access databases. Errors
// reading it are thrown with the file's name; the memo keeps its text.
void importMemoText(DBMemo& memo, FileDialog& dialog, Prompts& prompts);

// Save Text to File: the memo's lines, each ended by a line feed, written to
// the file chosen in `dialog` as UTF-8. Errors are thrown with the file's name.
void saveMemoText(const DBMemo& memo, FileDialog& dialog, Prompts& prompts);

// Clear All: empties the memo as typing would.
void clearMemo(DBMemo& memo);

// The text of a text file's bytes: UTF-8 (a leading byte order mark
// dropped), or Windows-1252 when they are not UTF-8; lines ended by CR LF,
// CR or LF become lines of the result, joined by line feeds, and a final line
// end is dropped.
QString textFileContents(const QByteArray& bytes);

// The bytes of a text file holding `text`'s lines, each ended by a line feed.
QByteArray textFileBytes(const QString& text);

}  // namespace qb

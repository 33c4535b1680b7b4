#pragma once
// Table text files of the string grid: one table row per line, the cells of a row joined by
// a separator string the caller chooses (any length, empty allowed), every line ended by
// CR LF. There is no header and no quoting: a cell text holding the separator, a CR or a
// 0x1A byte does not come back unchanged, and a row whose line is empty is not read back.
// Lines are read by TTextReader (CR or CR LF ends a line, a lone LF is an ordinary byte,
// 0x1A ends the file).

#include <string>
#include <string_view>

namespace quillet {

class TmStrGrid;

// Writes rows 0..RowCount-1, each holding the texts of columns 0..ColCount-1 (fixed lines
// included, cells outside the counts left out) joined by `separator`, each line followed by
// CR LF. The file (its name used up to 259 bytes) is created or replaced; the old file is
// replaced only once the new text is complete on disk.
// Throws EInOutError (code and message of the I/O table) when the file cannot be created,
// written or closed; an existing file of that name then keeps its old content.
void SaveTableFile(const TmStrGrid& grid, const std::string& file_name,
                   std::string_view separator);

// Reads the file into the table. Empty lines are skipped; the k-th other line (from 0)
// becomes row k: cut at each occurrence of `separator`, searched from the left, the pieces go
// into columns 0, 1, ... as texts (objects stay); with an empty separator the whole line goes
// into column 0. While reading, RowCount becomes k + 1 for every k above SavedFixedRows.
// Finally RowCount becomes the number of lines read and ColCount the largest number of
// fields of a line (a value below 1 becoming 1; FixedRows / FixedCols are lowered when
// they do not fit), and the text of every cell the file did not provide is emptied, inside
// and outside the new counts, so the table shows exactly the file (objects stay).
// Throws MFileError "File <file_name> not found" (the name as given) when the file cannot
// be opened, for whatever reason; the table is unchanged then. Throws EInOutError when
// reading fails part-way: the rows read so far keep their new texts, RowCount keeps the
// value it had reached, ColCount and all other cells are unchanged.
void LoadTableFile(TmStrGrid& grid, const std::string& file_name, std::string_view separator);

}  // namespace quillet

// The look shared by the editor's character grids (directory, 6502 listing):
// Commodore glyphs, 12-pixel rows, fixed columns, a header row in the same
// font, no in-place editing unless the page opens it.
#pragma once

class QTableView;

namespace dyskel {

void SetUpCharGrid(QTableView* grid, bool bold);

} // namespace dyskel

#pragma once

#include <QColor>

#include <cstdint>
#include <vector>

class QTableView;

namespace korvel {

// The look the grids of the tally windows share: read-only, whole rows at a time, fixed row height, the
// row numbers of the vertical header hidden (the lists carry their own).
void setUpReadOnlyGrid(QTableView* grid);

// Column widths given in twips (1/1440 inch; 15 to a pixel at 96 dpi). A width of 0 (or a column beyond the
// list) fits the header; no column is made narrower than its header text, since CJK fonts run wider than
// the classic ones.
void applyWidthsTwips(QTableView* grid, const std::vector<int>& twips);
int pixelsOfTwips(int twips);
// Widens the columns first..last (never narrows them) to the longest text any row holds there, so that no
// cell is cut. The texts are digits and blanks, so the longest by characters is the widest.
void fitColumnsToTexts(QTableView* grid, int first, int last);
// The width that shows every column of the grid with room for a vertical scroll bar.
int fullWidth(const QTableView* grid);

// A colour given as 0xRRGGBB.
inline QColor colourOf(std::uint32_t rgb)
{
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

// The busy pointer while a command runs to its end on this thread.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace korvel

// The report-style list view of the record list page, wrapped: creation, extended
// styles, columns, items with sub-items, check boxes and item data; and for a list whose
// rows live with its owner (LVS_OWNERDATA): the row count, selection, focus, redrawing and
// the sort mark in a heading.
#pragma once

#include "ui/framework/window_object.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tarvenne {

class ListViewControl : public WindowObject {
public:
    ListViewControl() = default;

    // A "SysListView32" child of parent (style plus WS_CHILD | WS_VISIBLE | WS_BORDER) at
    // rect (empty when null); the handle, null on failure.
    HWND Create(HWND parent, const RECT* rect, int control_id, DWORD style, DWORD ex_style);
    LRESULT AddCheckBoxes();
    LRESULT AddFullRowSelect();
    // A tip for the row the pointer rests on: the tip asks the list's parent for its text
    // (TTN_GETDISPINFOA from TipWindow(), with the row in TipRow()) each time it shows, and
    // hides when the pointer moves to another row. The list's own info tips are not used,
    // since not every common-controls library asks for them. False when no tip was made.
    bool AddRowTips();
    HWND TipWindow() const { return tip_; }
    // The row under the pointer, -1 for none.
    int TipRow() const;
    bool InsertColumn(int index, const char* text, int width);
    LRESULT DeleteAll();
    bool InsertItem(int index, const char* text, int image, void* data);
    bool SetSubItem(int index, int sub_item, const char* text, int image, void* data);
    int ItemCount() const;
    LRESULT SetChecked(int index, bool checked);
    bool IsChecked(int index) const;
    void* ItemData(int index) const;

    std::int32_t ColumnCount() const { return column_count_; }

    // --- a list whose rows its owner keeps ---
    // The number of rows; the list asks for what it shows (LVN_GETDISPINFO).
    void SetRowCount(int rows);
    // Check boxes are asked of the owner too (LVN_GETDISPINFO with LVIF_STATE).
    void AskOwnerForCheckBoxes();
    // Repaints rows first to last at once.
    void RedrawRows(int first, int last);
    void RedrawAll();
    int FocusedRow() const;
    std::vector<int> SelectedRows() const;
    // Selects every row (true) or none.
    void SelectAll(bool selected);
    // Gives the row the focus (and, when select is true, makes it the only selected one).
    void FocusRow(int row, bool select);
    // The row under a point of the list's client area, and whether the point is on the
    // row's check box; -1 for none.
    int RowAt(POINT at, bool* on_check_box) const;
    // The heading's sort arrow: 1 up, -1 down, 0 none.
    void SetSortMark(int column, int direction);
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    // The width of the visible rows, inside the border and the vertical scroll bar.
    int VisibleWidth() const;
    // The check box's width with its margins, as the list draws it before the first column's text.
    int CheckBoxWidth() const;

    // Sees each mouse and key message before the list does; true when it handled it (the
    // list then never sees it). For check boxes the owner keeps.
    using InputFilter = std::function<bool(UINT message, WPARAM p1, LPARAM p2)>;
    void SetInputFilter(InputFilter filter) { input_filter_ = std::move(filter); }

private:
    LRESULT AddExtendedStyle(DWORD style);

    bool Watch();
    // Watches the pointer over the list, to hide the tip of a row it has left, and hands
    // input to the owner's filter first.
    static LRESULT CALLBACK WatchPointer(HWND window, UINT message, WPARAM p1, LPARAM p2, UINT_PTR id,
                                         DWORD_PTR self);

    std::int32_t column_count_ = 0;
    HWND tip_ = nullptr;  // not owned: a window owned by the list's parent, which ends it
    int tip_row_ = -1;    // the row the tip was last shown for
    bool watching_ = false;  // the pointer and input watch is installed
    InputFilter input_filter_;
};

}  // namespace tarvenne

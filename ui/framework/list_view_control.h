// The report-style list view of the record list page, wrapped: creation, extended
// styles, columns, items with sub-items, check boxes and item data.
#pragma once

#include "ui/framework/window_object.h"

#include <cstdint>

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

private:
    LRESULT AddExtendedStyle(DWORD style);

    // Watches the pointer over the list, to hide the tip of a row it has left.
    static LRESULT CALLBACK WatchPointer(HWND window, UINT message, WPARAM p1, LPARAM p2, UINT_PTR id,
                                         DWORD_PTR self);

    std::int32_t column_count_ = 0;
    HWND tip_ = nullptr;  // not owned: a window owned by the list's parent, which ends it
    int tip_row_ = -1;    // the row the tip was last shown for
};

}  // namespace tarvenne

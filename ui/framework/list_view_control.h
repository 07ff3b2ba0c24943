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

    std::int32_t column_count_ = 0;
};

}  // namespace tarvenne

#include "radio/datClipCh.h"

void datClipCh::ClearClip() {
    rows_.clear();
    table_ = 0;
    first_ = 0;
}

void datClipCh::CopyRows(cmcEeprom& image, int table, int first, int count) {
    ClearClip();
    if (count <= 0) return;
    rows_.assign(count, datCh(&image));
    for (int i = 0; i < count; ++i) LoadOne(image, table, first + i, rows_[i]);
    table_ = table;
    first_ = first;
}

void datClipCh::LoadOne(cmcEeprom& image, int table, int row, datCh& cursor) {
    cursor.image = &image;
    cursor.Load(table, row);
}

bool datClipCh::CanPaste(int table) const {
    return table_ != 0 && table_ == table;
}

void datClipCh::PasteRows(cmcEeprom& image, int table, int first, int count) {
    if (!CanPaste(table)) return;
    for (int i = 0; i < Count() && i < count; ++i) {
        datCh cursor = rows_[i];
        StoreOne(image, table, first + i, cursor);
    }
}

void datClipCh::StoreOne(cmcEeprom& image, int table, int row, datCh& cursor) {
    cursor.image = &image;
    cursor.table = table;
    cursor.row = row;
    cursor.Store();
}

void datClipCh::FillBlank(cmcEeprom& image, int table, int first, int count) {
    ClearClip();
    if (count <= 0) return;
    rows_.assign(count, datCh(&image));
    for (int i = 0; i < count; ++i) {
        rows_[i].Blank(table, first + i);
        // An empty record's names are blanks of the radio's display set, never NUL bytes.
        rows_[i].name.fill(' ');
        rows_[i].shortName.fill(' ');
    }
    table_ = table;
    first_ = first;
}

#pragma once
// The channel clipboard of the row commands: whole records of one record table, taken with
// the record cursor and put back with it, so each table's store rules (P and C marks, derived
// bits, the forced tenth ID digit) apply on the way in. One program-wide instance serves copy
// and paste; carry, clear, delete and insert use temporary ones.
#include <vector>

#include "radio/datCh.h"

class cmcEeprom;

class datClipCh {
  public:
    datClipCh() = default;
    virtual ~datClipCh() = default;
    datClipCh(const datClipCh&) = delete;
    datClipCh& operator=(const datClipCh&) = delete;

    // Forgets the held records.
    virtual void ClearClip();
    // Holds count records of the table from row first on.
    virtual void CopyRows(cmcEeprom& image, int table, int first, int count);
    virtual void LoadOne(cmcEeprom& image, int table, int row, datCh& cursor);
    // True when records of this table are held.
    virtual bool CanPaste(int table) const;
    // Stores held record i at row first + i, for i below both the held count and count.
    virtual void PasteRows(cmcEeprom& image, int table, int first, int count);
    virtual void StoreOne(cmcEeprom& image, int table, int row, datCh& cursor);

    // Holds count empty records of the table.
    void FillBlank(cmcEeprom& image, int table, int first, int count);

    int Table() const { return table_; }  // 0 when nothing is held
    int First() const { return first_; }
    int Count() const { return static_cast<int>(rows_.size()); }

  private:
    int table_ = 0;
    int first_ = 0;
    std::vector<datCh> rows_;
};

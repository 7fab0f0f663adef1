#pragma once
// Row commands of record-table rows (copy, paste, carry, clear, delete, insert), as the cell
// dispatcher reaches them from a popup-menu command. Implemented by the row-command module.
struct cmcCellCapsule;
class datCh;

class RowCommander {
  public:
    virtual ~RowCommander() = default;
    // Whether the commands may touch this row of the table.
    virtual bool InRange(int table, int row) const = 0;
    // Whether clear, delete and insert are allowed on the table.
    virtual bool CanClear(int table) const = 0;
    // Whether the clipboard holds rows of this table.
    virtual bool CanPaste(int table) const = 0;
    // Runs the command (its popup-menu label) on the request's row or block; `record` is the
    // cursor loaded on the current row and may be reloaded.
    virtual void Run(int command, cmcCellCapsule& request, datCh& record) = 0;
};

#pragma once
// The radio's identity after Radio > Information: the overlay's clone information sheet in a
// sheet dialog, titled with the application's title.
#include "gui/SheetDialog.h"

using CloneInfoDialog = SheetDialog;

// Builds and shows the dialog without waiting; it frees itself when closed.
SheetDialog* ShowCloneInfoDialog(QWidget* owner);

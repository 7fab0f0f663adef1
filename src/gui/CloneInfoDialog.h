#pragma once
// The radio's identity after Radio > Information: the overlay's clone information sheet in a
// sheet dialog, titled with the application's title.
#include "gui/cuiSheetDialog.h"

using cuiCloneInfoDialog = cuiSheetDialog;

// Builds and shows the dialog without waiting; it frees itself when closed.
cuiSheetDialog* ShowCloneInfoDialog(QWidget* owner);

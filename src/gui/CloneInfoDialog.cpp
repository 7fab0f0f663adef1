#include "gui/CloneInfoDialog.h"

#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

SheetDialog* ShowCloneInfoDialog(QWidget* owner) {
    const std::string title = GTex().GetLine(keys::kSysAppTitle, 0);
    return ShowSheetDialog(owner, QString::fromLatin1(title.data(), qsizetype(title.size())),
                           GTex(), keys::kSheetCloneInfo);
}

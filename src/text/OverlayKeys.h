#pragma once
// Every fixed overlay key the program asks for, in one place: code uses the constants, and the
// test of the shipped overlay walks the whole list. Keys built at run time (sheet names from
// the tree, cell models, choice lists named by cells) are checked by walking the overlay itself.
//
// Add a key with one line: X(constantName, "GI_Key").
#define KELDA_OVERLAY_KEYS(X)            \
    X(kSysAppTitle, "GI_Sys_AppTitle") \
    X(kMessFileErrHeadline, "GI_Mess_FileErr_Headline") \
    X(kMessFileErrFileOpen, "GI_Mess_FileErr_FileOpen") \
    X(kMessFileErrFileAccess, "GI_Mess_FileErr_FileAccess") \
    X(kMessFileErrModel, "GI_Mess_FileErr_Model") \
    X(kMessFileErrExtra, "GI_Mess_FileErr_Extra") \
    X(kMessFileErrMapRev, "GI_Mess_FileErr_MapRev") \
    X(kMessFileErrFormat, "GI_Mess_FileErr_Format") \
    X(kMessFileErrCoverage, "GI_Mess_FileErr_Coverage") \
    X(kMessFileErrData, "GI_Mess_FileErr_Data") \
    X(kMessFileErrNewer, "GI_Mess_FileErr_Newer")

namespace keys {
#define KELDA_DECLARE_KEY(name, text) inline constexpr const char* name = text;
KELDA_OVERLAY_KEYS(KELDA_DECLARE_KEY)
#undef KELDA_DECLARE_KEY

inline constexpr const char* kAskedKeys[] = {
#define KELDA_LIST_KEY(name, text) text,
    KELDA_OVERLAY_KEYS(KELDA_LIST_KEY)
#undef KELDA_LIST_KEY
};
}  // namespace keys

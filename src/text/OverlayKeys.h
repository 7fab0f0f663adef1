#pragma once
// Every fixed overlay key the program asks for, in one place: code uses the constants, and the
// test of the shipped overlay walks the whole list. Keys built at run time (sheet names from
// the tree, cell models, choice lists named by cells) are checked by walking the overlay itself.
//
// Add a key with one line: X(constantName, "GI_Key").
#define KELDA_OVERLAY_KEYS(X)                                              \
    X(kAccess, "GI_Access")                                                \
    X(kCellModelBasic, "CellModel_Basic")                                  \
    X(kCellModelBasicDialog, "CellModel_BasicDialog")                      \
    X(kCellModelEWh, "CellModel_eWh")                                      \
    X(kCellModelIChI, "CellModel_iChI")                                    \
    X(kCellModelIQp, "CellModel_iQp")                                      \
    X(kAppIndButtonOkCancel, "GI_AppInd_Button_OkCancel")                  \
    X(kAppIndDscSelfIdOff, "GI_AppInd_Dsc_SelfIdOff")                      \
    X(kAppIndModel, "GI_AppInd_Model")                                     \
    X(kAppIndOptComSelButtons, "GI_AppInd_Opt_ComSel_Buttons")             \
    X(kAppIndOptComSelCaption, "GI_AppInd_Opt_ComSel_Caption")             \
    X(kAppIndOptComSelNotice, "GI_AppInd_Opt_ComSel_Notice")               \
    X(kAppIndOptComSelOutofRange, "GI_AppInd_Opt_ComSel_OutofRange")       \
    X(kAppIndOptComSelSizeOfButtons, "GI_AppInd_Opt_ComSel_SizeOfButtons") \
    X(kAppIndChSheetUsableFont, "GI_AppInd_chSheet_Usable_Font")           \
    X(kAppIndChSheetUsableTitle, "GI_AppInd_chSheet_Usable_Title")         \
    X(kAppMessChangeModel, "GI_AppMess_ChangeModel")                       \
    X(kAppMessConvClear, "GI_AppMess_Conv_Clear")                          \
    X(kAppMessConvDelete, "GI_AppMess_Conv_Delete")                        \
    X(kAppMessConvOverflow, "GI_AppMess_Conv_Overflow")                    \
    X(kAppMessConvOverwrite, "GI_AppMess_Conv_Overwrite")                  \
    X(kAppMessSClear, "GI_AppMess_S_Clear")                                \
    X(kAppMessSCopy, "GI_AppMess_S_Copy")                                  \
    X(kAppMessSDelete, "GI_AppMess_S_Delete")                              \
    X(kAppMessSInsert, "GI_AppMess_S_Insert")                              \
    X(kAppMessSPaste, "GI_AppMess_S_Paste")                                \
    X(kAppMessUndo, "GI_AppMess_Undo")                                     \
    X(kAppAboutButton, "GI_App_About_Button")                              \
    X(kAppAboutCaption, "GI_App_About_Caption")                            \
    X(kAppAboutRevision, "GI_App_About_Revision")                          \
    X(kAppInitialFile, "GI_App_InitialFile")                               \
    X(kBotttomEditRestrected, "GI_Botttom_EditRestrected")                 \
    X(kBotttomIdNineDigits, "GI_Botttom_IdNineDigits")                     \
    X(kBotttomFactoryDecides, "GI_Botttom_FactoryDecides")                 \
    X(kBotttomTimeOffset, "GI_Botttom_TimeOffset")                         \
    X(kBotttomEnterNumber, "GI_Botttom_EnterNumber")                       \
    X(kBotttomFrequency, "GI_Botttom_Frequency")                           \
    X(kBotttomPaste, "GI_Botttom_Paste")                                   \
    X(kBotttomHiddenRows, "GI_Botttom_HiddenRows")                         \
    X(kBotttomSoftKeysFollow, "GI_Botttom_SoftKeysFollow")                 \
    X(kBotttomCloseWhileBusy, "GI_Botttom_CloseWhileBusy")                 \
    X(kCellWidthRegList, "GI_CellWidthRegList")                            \
    X(kFormMainBasicCell, "GI_Form_Main_BasicCell")                        \
    X(kFleetDialog, "GI_Fleet_Dialog")                                     \
    X(kMenuMain, "GI_Menu_Main")                                           \
    X(kMessCloneErrCheck, "GI_Mess_CloneErr_Check")                        \
    X(kMessCloneErrCheckDevice, "GI_Mess_CloneErr_CheckDevice")            \
    X(kMessCloneErrHead, "GI_Mess_CloneErr_Head")                          \
    X(kMessCloneErrWriteAgain, "GI_Mess_CloneErr_WriteAgain")              \
    X(kMessCloneWriteMismatch, "GI_Mess_CloneWrite_Mismatch")              \
    X(kMessCloneWriteNotVerified, "GI_Mess_CloneWrite_NotVerified")        \
    X(kMessCloneWriteSucceeded, "GI_Mess_CloneWrite_Succeeded")            \
    X(kMessCloneWriteVerified, "GI_Mess_CloneWrite_Verified")              \
    X(kMessCloneWriteVerifyRefused, "GI_Mess_CloneWrite_VerifyRefused")    \
    X(kMessConfirmCloneWrite, "GI_Mess_Confirm_CloneWrite")                \
    X(kMessConfirmWriteAnother, "GI_Mess_Confirm_WriteAnother")            \
    X(kMessConfirmWriteFile, "GI_Mess_Confirm_WriteFile")                  \
    X(kMessDataError, "GI_Mess_DataError")                                 \
    X(kMessFileErrCoverage, "GI_Mess_FileErr_Coverage")                    \
    X(kMessFileErrData, "GI_Mess_FileErr_Data")                            \
    X(kMessFileErrExtra, "GI_Mess_FileErr_Extra")                          \
    X(kMessFileErrCannotWrite, "GI_Mess_FileErr_CannotWrite")              \
    X(kMessFileErrFileAccess, "GI_Mess_FileErr_FileAccess")                \
    X(kMessFileErrFileOpen, "GI_Mess_FileErr_FileOpen")                    \
    X(kMessFileErrFolder, "GI_Mess_FileErr_Folder")                        \
    X(kMessFileErrNotAFile, "GI_Mess_FileErr_NotAFile")                    \
    X(kMessFileErrFormat, "GI_Mess_FileErr_Format")                        \
    X(kMessFileErrHeadline, "GI_Mess_FileErr_Headline")                    \
    X(kMessFileErrMapRev, "GI_Mess_FileErr_MapRev")                        \
    X(kMessFileErrNoMapRev, "GI_Mess_FileErr_NoMapRev")                    \
    X(kMessFileErrModel, "GI_Mess_FileErr_Model")                          \
    X(kMessFileErrNewer, "GI_Mess_FileErr_Newer")                          \
    X(kMessMakerCaution, "GI_Mess_Maker_Caution")                          \
    X(kMessModelError, "GI_Mess_ModelError")                               \
    X(kMessOneFileOnly, "GI_Mess_OneFileOnly")                             \
    X(kMessHandoff, "GI_Mess_Handoff")                                     \
    X(kMessLockUnavailable, "GI_Mess_LockUnavailable")                     \
    X(kPMenuNoItem, "GI_PMenu_NoItem")                                     \
    X(kPMenuRowBody, "GI_PMenu_Row_Body")                                  \
    X(kSheetCanCh, "GI_Sheet_CanCh")                                       \
    X(kSheetCloneInfo, "GI_Sheet_CloneInfo")                               \
    X(kSheetEeDebugWin, "GI_Sheet_EeDebugWin")                             \
    X(kSheetFBitsR, "GI_Sheet_FBitsR")                                     \
    X(kSheetFBitsRStyle, "GI_Sheet_FBitsR_Style")                          \
    X(kSheetIntCh, "GI_Sheet_IntCh")                                       \
    X(kSheetSelAutoAck, "GI_Sheet_Sel_AutoAck")                            \
    X(kSheetSelAutoAckInd, "GI_Sheet_Sel_AutoAckInd")                      \
    X(kSheetSelBacklight, "GI_Sheet_Sel_Backlight")                        \
    X(kSheetSelBacklightDayMode, "GI_Sheet_Sel_Backlight_DayMode")         \
    X(kSheetSelBacklightNightMode, "GI_Sheet_Sel_Backlight_NightMode")     \
    X(kSheetSelChATRAll, "GI_Sheet_Sel_ChATRAll")                          \
    X(kSheetSelChATRUse, "GI_Sheet_Sel_ChATRUse")                          \
    X(kSheetSelChCall, "GI_Sheet_Sel_ChCall")                              \
    X(kSheetSelCh70SqlLevel, "GI_Sheet_Sel_Ch70SqlLevel")                  \
    X(kSheetSelChCallAllShips, "GI_Sheet_Sel_ChCall_AllShips")             \
    X(kSheetSelChPoc, "GI_Sheet_Sel_ChPoc")                                \
    X(kSheetSelChSimp, "GI_Sheet_Sel_ChSimp")                              \
    X(kSheetSelChTag, "GI_Sheet_Sel_ChTag")                                \
    X(kSheetSelChTxInh, "GI_Sheet_Sel_ChTxInh")                            \
    X(kSheetSelDSCALMShutdown, "GI_Sheet_Sel_DSC_ALM_Shutdown")            \
    X(kSheetSelDscCallPower, "GI_Sheet_Sel_DscCall_Power")                 \
    X(kSheetSelDscDataOutput, "GI_Sheet_Sel_DscDataOutput")                \
    X(kSheetSelDualTri, "GI_Sheet_Sel_DualTri")                            \
    X(kSheetSelInactivityTimerDsc, "GI_Sheet_Sel_Inactivity_Timer_Dsc")    \
    X(kSheetSelInactivityTimerRt, "GI_Sheet_Sel_Inactivity_Timer_Rt")      \
    X(kSheetSelKeyAsDial, "GI_Sheet_Sel_KeyAs_Dial")                       \
    X(kSheetSelKeyAsSkeyME, "GI_Sheet_Sel_KeyAs_SkeyME")                   \
    X(kSheetSelKeyAsSkeyMU, "GI_Sheet_Sel_KeyAs_SkeyMU")                   \
    X(kSheetSelMicType, "GI_Sheet_Sel_MicType")                            \
    X(kSheetSelMiscOnOff, "GI_Sheet_Sel_Misc_OnOff")                       \
    X(kSheetSelMiscUsed, "GI_Sheet_Sel_Misc_Used")                         \
    X(kSheetSelPLLOpt, "GI_Sheet_Sel_PLLOpt")                              \
    X(kSheetSelPTTScan, "GI_Sheet_Sel_PTT_Scan")                           \
    X(kSheetSelScanType, "GI_Sheet_Sel_ScanType")                          \
    X(kSheetSelUserSetLcdCan, "GI_Sheet_Sel_UserSetLcdCan")                \
    X(kSheetSelUserSetLcdInt, "GI_Sheet_Sel_UserSetLcdInt")                \
    X(kSheetSelUserSetLcdUsa, "GI_Sheet_Sel_UserSetLcdUsa")                \
    X(kSheetUsaCh, "GI_Sheet_UsaCh")                                       \
    X(kSheetWxCh, "GI_Sheet_WxCh")                                         \
    X(kStatusPanelMaker, "GI_StatusPanel_Maker")                           \
    X(kSysAppTitle, "GI_Sys_AppTitle")                                     \
    X(kSysDialogFOpen, "GI_Sys_Dialog_FOpen")                              \
    X(kSysHtmlHelpError, "GI_Sys_HtmlHelp_Error")                          \
    X(kSysHtmlHelpPopupHeight, "GI_Sys_HtmlHelp_Popup_Height")             \
    X(kSysHtmlHelpPopupWidth, "GI_Sys_HtmlHelp_Popup_Width")               \
    X(kSysMaker, "GI_Sys_Maker")                                           \
    X(kSysMyHelpFile, "GI_Sys_MyHelpFile")                                 \
    X(kSysPrinterFrameFont, "GI_Sys_Printer_FrameFont")                    \
    X(kSysPrinterMargins, "GI_Sys_Printer_Margins")                        \
    X(kSysPrinterNoPrinter, "GI_Sys_Printer_NoPrinter")                    \
    X(kSysPrinterNotWritten, "GI_Sys_Printer_NotWritten")                  \
    X(kSysPrinterPrintingDialog, "GI_Sys_Printer_PrintingDialog")          \
    X(kSysRev, "GI_Sys_Rev")                                               \
    X(kSysTreeChangeDelay, "GI_Sys_TreeChangeDelay")                       \
    X(kToolBarMain, "GI_ToolBar_Main")                                     \
    X(kTreeMain, "GI_Tree_Main")                                           \
    X(kWarningCheckList, "GI_WarningCheckList")

// Keys read from the help overlay (KELDAH.OVL) instead of the main one.
#define KELDA_HELP_OVERLAY_KEYS(X)                                     \
    X(kAppItemCellNameToContextID, "GI_AppItem_CellName_to_ContextID") \
    X(kAppItemContextIDToHelpPage, "GI_AppItem_ContextID_to_HelpPage")

namespace keys {
#define KELDA_DECLARE_KEY(name, text) inline constexpr const char* name = text;
KELDA_OVERLAY_KEYS(KELDA_DECLARE_KEY)
KELDA_HELP_OVERLAY_KEYS(KELDA_DECLARE_KEY)
#undef KELDA_DECLARE_KEY

#define KELDA_LIST_KEY(name, text) text,
inline constexpr const char* kAskedKeys[] = {KELDA_OVERLAY_KEYS(KELDA_LIST_KEY)};
inline constexpr const char* kAskedHelpKeys[] = {KELDA_HELP_OVERLAY_KEYS(KELDA_LIST_KEY)};
#undef KELDA_LIST_KEY
}  // namespace keys

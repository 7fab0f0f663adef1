#include "radio/SettingsCells.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "radio/CellUi.h"
#include "radio/Mmsi.h"
#include "radio/SettingsMap.h"
#include "radio/ValueEditors.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ModelTypes.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

using Ctx = SettingsCellContext;

constexpr int kDependents = 0x20;  // change flag: redraw every bound cell
constexpr int kListType = 1;       // ordinary choice lists

// The value has no effect while the bits of `mask` at `address` are not all set; it is then
// painted silver (it stays editable).
struct Silver {
    int address = 0;
    uint8_t mask = 0;
};

enum class Kind {
    ChoiceBit,    // one bit, choice index 0/1
    ChoiceByte,   // the whole byte is the choice index
    IntegerByte,  // integer minimum-maximum
    Fixed,        // read-only text
};

struct SimpleCell {
    int label;
    Kind kind;
    int address;
    int bit;           // ChoiceBit
    const char* list;  // choices; the fixed text for Fixed
    int minimum;       // IntegerByte
    int maximum;
    Silver silver;
    int changeFlags;
    bool rebuildTree;  // the sheet tree shows or hides regional sheets
};

constexpr const char* kOnOff = keys::kSheetSelMiscOnOff;
constexpr Silver kNone{};
constexpr Silver kUsaOff{smap::kFunctionSwitches, 1u << smap::kFnUsa};
constexpr Silver kCanadaOff{smap::kFunctionSwitches, 1u << smap::kFnCanada};
constexpr Silver kScanOff{smap::kFunctionSwitches, 1u << smap::kFnScan};
constexpr Silver kTotOff{smap::kFunctionSwitches2, 1u << smap::kFnTot};
constexpr Silver kNotDualAndTri{smap::kFunctionSwitches2,
                                (1u << smap::kFnDualWatch) | (1u << smap::kFnTriWatch)};

SimpleCell Bit(int label, int address, int bit, const char* list, Silver silver = kNone,
               int flags = 0, bool tree = false) {
    return {label, Kind::ChoiceBit, address, bit, list, 0, 0, silver, flags, tree};
}
SimpleCell Byte(int label, int address, const char* list, Silver silver = kNone) {
    return {label, Kind::ChoiceByte, address, 0, list, 0, 0, silver, 0, false};
}
SimpleCell Int(int label, int address, int minimum, int maximum, int flags = 0) {
    return {label, Kind::IntegerByte, address, 0, nullptr, minimum, maximum, kNone, flags, false};
}
SimpleCell Fixed(int label, const char* text) {
    return {label, Kind::Fixed, 0, 0, text, 0, 0, kNone, 0, false};
}

const SimpleCell kSimpleCells[] = {
    // DSC setup.
    Bit(CL_ComDsc_IntCh, smap::kDscChannelSwitches, 1, kOnOff),
    Bit(CL_ComDsc_UsaCh, smap::kDscChannelSwitches, 0, kOnOff, kUsaOff),
    Bit(CL_ComDsc_CanCh, smap::kDscChannelSwitches, 2, kOnOff, kCanadaOff),
    Bit(CL_ComDsc_IndAutoAck, smap::kAutoAck, 3, keys::kSheetSelAutoAckInd),
    Bit(CL_ComDsc_PosAutoAck, smap::kAutoAck, 2, keys::kSheetSelAutoAck),
    Bit(CL_ComDsc_PolAutoAck, smap::kAutoAck, 1, keys::kSheetSelAutoAck),
    Bit(CL_ComDsc_TestAutoAck, smap::kAutoAck, 0, keys::kSheetSelAutoAck),
    Byte(CL_ComDsc_10SecondDelay, smap::kTenSecondDelay, kOnOff),
    Byte(CL_ComDsc_DscDataOutput, smap::kDscDataOutput, keys::kSheetSelDscDataOutput),
    Byte(CL_ComDsc_Ch70SqlLv, smap::kCh70SqlLevel, keys::kSheetSelCh70SqlLevel),
    Byte(CL_ComDsc_MedicalTransports, smap::kMedicalTransports, kOnOff),
    Byte(CL_ComDsc_ShipsandAircraft, smap::kShipsAndAircraft, kOnOff),
    Byte(CL_ComDsc_AutoPrint, smap::kAutoPrint, kOnOff),
    Bit(CL_ComDsc_Alarm_OnOff_Safety, smap::kAlarmSwitches, 3, kOnOff),
    Bit(CL_ComDsc_Alarm_OnOff_Routine, smap::kAlarmSwitches, 4, kOnOff),
    Bit(CL_ComDsc_Alarm_OnOff_Warning, smap::kAlarmSwitches, 2, kOnOff),
    Bit(CL_ComDsc_Alarm_OnOff_SelfTerm, smap::kAlarmSwitches, 1, kOnOff),
    Bit(CL_ComDsc_Alarm_OnOff_Discrete, smap::kAlarmSwitches, 0, kOnOff),
    Bit(CL_ComDsc_AllCall_ChCall, smap::kDscChCallSwitches, 2, keys::kSheetSelChCallAllShips),
    Bit(CL_ComDsc_GroupCall_ChCall, smap::kDscChCallSwitches, 1, keys::kSheetSelChCall),
    Bit(CL_ComDsc_IndvCall_ChCall, smap::kDscChCallSwitches, 0, keys::kSheetSelChCall),
    // DSC call sheet captions.
    Fixed(CL_DscCall_Tx_ON, "ON"),
    Fixed(CL_DscCall_Rx_ON, "ON"),
    Fixed(CL_DscCall_Tx_OFF, "OFF"),
    Fixed(CL_DscCall_Rx_OFF, "OFF"),
    Fixed(CL_DscCall_Alarm_Distress, "Two tone"),
    Fixed(CL_DscCall_Alarm_Distress_ACK, "Distress ACK"),
    Fixed(CL_DscCall_Alarm_Urgency, "Urgency"),
    Fixed(CL_DscCall_Alarm_Urgency_ACK, "Urgency ACK"),
    Fixed(CL_DscCall_Alarm_Safety, "Routine"),
    Fixed(CL_DscCall_Alarm_Safety_ACK, "Routine ACK"),
    // Common functions and radio set-up.
    Fixed(CL_ComCom_Int, "ON"),
    Bit(CL_ComCom_Usa, smap::kFunctionSwitches, smap::kFnUsa, kOnOff, kNone, 0, true),
    Bit(CL_ComCom_Canada, smap::kFunctionSwitches, smap::kFnCanada, kOnOff, kNone, 0, true),
    Bit(CL_ComCom_Wx, smap::kFunctionSwitches, smap::kFnWx, kOnOff, kNone, 0, true),
    Fixed(CL_ComCom_LcdWx, "WX"),
    Bit(CL_ComCom_ScanF, smap::kFunctionSwitches, smap::kFnScan, kOnOff),
    Bit(CL_ComCom_DualWatchF, smap::kFunctionSwitches2, smap::kFnDualWatch, kOnOff),
    Bit(CL_ComCom_TriWatchF, smap::kFunctionSwitches2, smap::kFnTriWatch, kOnOff),
    Bit(CL_ComCom_TotF, smap::kFunctionSwitches2, smap::kFnTot, kOnOff, kNone, kDependents),
    Bit(CL_ComCom_TotAlarm, smap::kFunctionSwitches2, smap::kFnTotAlarm, kOnOff, kTotOff),
    Bit(CL_ComCom_PttScan, smap::kFunctionSwitches, smap::kFnPttScan, keys::kSheetSelPTTScan),
    Bit(CL_ComCom_BandEx, smap::kFunctionSwitches, smap::kFnBandEx, kOnOff),
    Int(CL_ComCom_RemoteID, smap::kRemoteId, 1, 69),
    Byte(CL_RadioSet_ScanType, smap::kScanType, keys::kSheetSelScanType, kScanOff),
    Byte(CL_RadioSet_ScanTimer, smap::kScanTimer, kOnOff, kScanOff),
    Byte(CL_RadioSet_Dwtw, smap::kDualTri, keys::kSheetSelDualTri, kNotDualAndTri),
    Byte(CL_RadioSet_Favmic, smap::kFavMic, kOnOff),
    Byte(CL_RadioSet_ChDirectInputTOT, smap::kChDirectInputTot, kOnOff),
    // Configuration.
    Byte(CL_ComConf_Backlight, smap::kBacklight, keys::kSheetSelBacklight),
    Byte(CL_ComConf_Backlight_DayMode, smap::kBacklightDay, keys::kSheetSelBacklightDayMode),
    Byte(CL_ComConf_Backlight_NightMode, smap::kBacklightNight, keys::kSheetSelBacklightNightMode),
    Byte(CL_ComConf_KeyBeep, smap::kKeyBeep, kOnOff),
    Byte(CL_ComConf_POSDataOutput, smap::kPosDataOutput, kOnOff),
    Byte(CL_ComConf_InternalSpeaker, smap::kInternalSpeaker, kOnOff),
    Byte(CL_ComConf_MicType, smap::kMicType, keys::kSheetSelMicType),
    Byte(CL_ComConf_InactivityTimer, smap::kInactivityTimer, keys::kSheetSelInactivityTimerDsc),
    Byte(CL_ComConf_InactivityTimer_Dsc, smap::kInactivityTimerDsc,
         keys::kSheetSelInactivityTimerDsc),
    Byte(CL_ComConf_InactivityTimer_Distress, smap::kInactivityTimerDistress,
         keys::kSheetSelInactivityTimerDsc),
    Byte(CL_ComConf_InactivityTimer_RT, smap::kInactivityTimerRt, keys::kSheetSelInactivityTimerRt),
    // Manufacturer values.
    Bit(CL_MakerR_AdjMode, smap::kFunctionSwitches, smap::kFnAdjMode, kOnOff),
    Bit(CL_MakerR_Initial, smap::kFunctionSwitches, smap::kFnInitial, kOnOff),
    Int(CL_MakerR_TX_Current_Restriction, smap::kTxCurrentRestriction, 0, 255, kDependents),
    Byte(CL_MakerR_TX_PLLOpt1, smap::kTxPllOpt1, keys::kSheetSelPLLOpt),
    Byte(CL_MakerR_TX_PLLOpt2, smap::kTxPllOpt2, keys::kSheetSelPLLOpt),
    Byte(CL_MakerR_RX_PLLOpt1, smap::kRxPllOpt1, keys::kSheetSelPLLOpt),
};

// DSC alarms, in the order of the suffixes of the alarm label families.
struct Alarm {
    int volume;            // address V; its flags are at V + 2
    const char* kind;      // read-only
    const char* shutdown;  // read-only text, or nullptr for a choice on bit 0 of V + 2
    const char* visual;    // read-only
};
constexpr Alarm kAlarms[10] = {
    {smap::kAlarmVolTx, "TX", "---", "OFF"},
    {smap::kAlarmVolDistressTx, "Count + TX", "---", "ON"},
    {smap::kAlarmVolNoMmsi, "Warning", "Auto", "OFF"},
    {smap::kAlarmVolPosCeases, "Warning", nullptr, "OFF"},
    {smap::kAlarmVolPos4hr, "Warning", nullptr, "OFF"},
    {smap::kAlarmVolPos23hr, "Warning", nullptr, "OFF"},
    {smap::kAlarmVolSelfTerm, "Self-Terminate", "Auto", "OFF"},
    {smap::kAlarmVolDiscrete1, "Discrete1", "Auto", "OFF"},
    {smap::kAlarmVolDiscrete2, "Discrete2", "Auto", "OFF"},
    {smap::kAlarmVolInactivity, "Discrete1", "Auto", "OFF"},
};
constexpr uint8_t kAlarmShutdownBit = 0x01;
constexpr uint8_t kAlarmIntSpBit = 0x02;
constexpr uint8_t kAlarmVisualBit = 0x10;

// --- helpers ---

uint8_t Get(Ctx& c, int address) {
    return c.image->GetByte(address);
}
void Set(Ctx& c, int address, uint8_t value) {
    c.image->SetByte(address, value);
}

int GetU16(Ctx& c, int address) {
    return Get(c, address) | (Get(c, address + 1) << 8);
}
void SetU16(Ctx& c, int address, int value) {
    Set(c, address, static_cast<uint8_t>(value & 0xFF));
    Set(c, address + 1, static_cast<uint8_t>((value >> 8) & 0xFF));
}

void SetBit(Ctx& c, int address, uint8_t mask, bool on) {
    const uint8_t b = Get(c, address);
    Set(c, address, static_cast<uint8_t>(on ? (b | mask) : (b & ~mask)));
}

void PaintSilver(cmcCellCapsule& req, Ctx& c, const Silver& s) {
    if (s.address == 0 || req.canvas == nullptr) return;
    if ((Get(c, s.address) & s.mask) != s.mask) req.canvas->SetFontColor(cellcolor::kSilver);
}

// Read-only cells: olive text, and keys that would edit are refused.
void ReadOnly(cmcCellCapsule& req, Ctx& c) {
    if (req.canvas != nullptr) req.canvas->SetFontColor(cellcolor::kOlive);
    if ((req.key >= 1 && req.key <= 126) || req.key == cellkey::kF2) {
        req.key = 0;
        c.swallowed = true;
    }
}

void ShowFixed(cmcCellCapsule& req, Ctx& c, const char* text) {
    ReadOnly(req, c);
    req.displayText = text;
    req.selStart = 0;
    req.selLength = static_cast<int>(req.displayText.size());
}

bool ChoiceBit(cmcCellCapsule& req, Ctx& c, int address, int bit, const char* list) {
    const uint8_t mask = static_cast<uint8_t>(1u << bit);
    int v = (Get(c, address) & mask) ? 1 : 0;
    if (!EditChoice(req, list, kListType, v)) return false;
    SetBit(c, address, mask, v != 0);
    return true;
}

bool ChoiceByte(cmcCellCapsule& req, Ctx& c, int address, const char* list) {
    int v = Get(c, address);
    if (!EditChoice(req, list, kListType, v)) return false;
    Set(c, address, static_cast<uint8_t>(v));
    return true;
}

bool IntegerByte(cmcCellCapsule& req, Ctx& c, int address, int minimum, int maximum) {
    uint8_t v = Get(c, address);
    IntegerRange range{minimum, maximum};
    if (!EditIntegerByte(req, v, range)) return false;
    Set(c, address, v);
    return true;
}

void Simple(cmcCellCapsule& req, Ctx& c, const SimpleCell& s) {
    bool changed = false;
    switch (s.kind) {
        case Kind::ChoiceBit:
            changed = ChoiceBit(req, c, s.address, s.bit, s.list);
            break;
        case Kind::ChoiceByte:
            changed = ChoiceByte(req, c, s.address, s.list);
            break;
        case Kind::IntegerByte:
            changed = IntegerByte(req, c, s.address, s.minimum, s.maximum);
            break;
        case Kind::Fixed:
            ShowFixed(req, c, s.list);
            return;
    }
    PaintSilver(req, c, s.silver);
    if (changed) {
        c.changeFlags |= s.changeFlags;
        // The regional switches decide which channel sheets the tree offers.
        if (s.rebuildTree) EvMan().Send(ev::kRebuildTree);
        // The soft keys follow scan and the watches: the save reassigns them, never silently.
        if (s.label == CL_ComCom_ScanF || s.label == CL_ComCom_DualWatchF ||
            s.label == CL_ComCom_TriWatchF)
            EvMan().PostText(ev::kIndicatorText, cellcolor::kWindowText, cellcolor::kBtnFace,
                             GTex().GetText(keys::kBotttomSoftKeysFollow));
    }
}

const SimpleCell* FindSimple(int label) {
    // Built once: label -> entry.
    static const SimpleCell** index = [] {
        static const SimpleCell* table[kCellLabelCount] = {};
        for (const SimpleCell& s : kSimpleCells) table[s.label] = &s;
        return table;
    }();
    return label >= 0 && label < kCellLabelCount ? index[label] : nullptr;
}

// --- cells with rules of their own ---

}  // namespace

uint8_t SelfIdCheckByte(const uint8_t* id5) {
    unsigned sum = 0;
    for (int i = 0; i < 5; ++i) {
        if (id5[i] > 99) return 0xFF;
        sum += id5[i];
    }
    return static_cast<uint8_t>(~sum & 0xFF);
}

namespace {

// The own ID. Its check byte is set only when an ID is committed (and when an image is
// adopted): showing a cell must never change the image.
void SelfId(cmcCellCapsule& req, Ctx& c) {
    uint8_t id[5];
    for (int i = 0; i < 5; ++i) id[i] = Get(c, smap::kSelfId + i);
    if (EditId(req, id)) {
        for (int i = 0; i < 5; ++i) Set(c, smap::kSelfId + i, id[i]);
        const uint8_t check = SelfIdCheckByte(id);
        if (Get(c, smap::kSelfIdCheck) != check) Set(c, smap::kSelfIdCheck, check);
    }
    bool valid = true;
    for (uint8_t b : id) valid = valid && b <= 99;
    if (valid || req.signal == EditorSignal::kEditor) {
        // The radio calls and answers as this ship: a coast station's, a group's or a device's
        // number, or one of a MID the ITU has not allocated, is no ship's own.
        if (valid && mmsi::CheckShipMmsi(mmsi::DigitsOfStoredId(
                         {id[0], id[1], id[2], id[3], id[4]})) != mmsi::Fault::None)
            req.resultFlags |= cmcCellCapsule::kError;
    } else {
        req.displayText = GTex().GetLine(keys::kAppIndDscSelfIdOff, 0);
        req.selStart = 0;
        req.selLength = static_cast<int>(req.displayText.size());
    }
}

void AlarmCell(cmcCellCapsule& req, Ctx& c, int family, const Alarm& a) {
    const int flags = a.volume + 2;
    switch (family) {
        case 0:
            ShowFixed(req, c, a.kind);
            break;
        case 1:
            IntegerByte(req, c, a.volume, 0, smap::kAlarmVolMax);
            break;
        case 2:
            if (a.shutdown != nullptr) {
                ShowFixed(req, c, a.shutdown);
            } else {
                ChoiceBit(req, c, flags, 0, keys::kSheetSelDSCALMShutdown);
            }
            break;
        case 3:
            ShowFixed(req, c, a.visual);
            break;
        case 4:
            ChoiceBit(req, c, flags, 1, kOnOff);
            break;
    }
}

// The call table: 65 rows of transmit, receive, power, alarm volume range and alarm flags.
void CallTable(cmcCellCapsule& req, Ctx& c, int label, int row) {
    if (row < 0 || row >= smap::kCallRows) return;
    const int base = smap::kCallTable + smap::kCallRowSize * row;
    auto at = [&](int r, int offset) { return smap::kCallTable + smap::kCallRowSize * r + offset; };
    switch (label) {
        case CL_DscCall_Tx: {
            if (ChoiceByte(req, c, base + smap::kCallTx, kOnOff)) c.changeFlags |= kDependents;
            // Rows 8 and 10, and rows 9 and 11, are the two halves of one call: they must
            // agree.
            int partner = -1;
            if (row == 8 || row == 9) partner = row + 2;
            if (row == 10 || row == 11) partner = row - 2;
            if (partner >= 0 &&
                Get(c, at(row, smap::kCallTx)) != Get(c, at(partner, smap::kCallTx))) {
                req.resultFlags |= cmcCellCapsule::kError;
            }
            break;
        }
        case CL_DscCall_Rx:
            ChoiceByte(req, c, base + smap::kCallRx, kOnOff);
            break;
        case CL_DscCall_TxPow:
            ChoiceByte(req, c, base + smap::kCallTxPow, keys::kSheetSelDscCallPower);
            break;
        case CL_DscCall_Alarm_Min:
        case CL_DscCall_Alarm_Max: {
            const int offset =
                label == CL_DscCall_Alarm_Min ? smap::kCallAlarmMin : smap::kCallAlarmMax;
            if (IntegerByte(req, c, base + offset, 0, smap::kAlarmVolMax))
                c.changeFlags |= kDependents;
            if (Get(c, base + smap::kCallAlarmMax) < Get(c, base + smap::kCallAlarmMin)) {
                req.resultFlags |= cmcCellCapsule::kError;
            }
            break;
        }
        case CL_DscCall_Alarm_Shutdown:
            ChoiceBit(req, c, base + smap::kCallAlarmFlags, 0, keys::kSheetSelDSCALMShutdown);
            break;
        case CL_DscCall_Alarm_Visual:
            ChoiceBit(req, c, base + smap::kCallAlarmFlags, 4, kOnOff);
            break;
        case CL_DscCall_Alarm_IntSp:
            ChoiceBit(req, c, base + smap::kCallAlarmFlags, 1, kOnOff);
            break;
    }
}

void CloneComment(cmcCellCapsule& req, Ctx& c) {
    char text[smap::kCloneCommentLength];
    for (int i = 0; i < smap::kCloneCommentLength; ++i) {
        text[i] = static_cast<char>(Get(c, smap::kCloneComment + i));
    }
    if (!EditText(req, text, smap::kCloneCommentLength)) return;
    for (int i = 0; i < smap::kCloneCommentLength; ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        Set(c, smap::kCloneComment + i, ch >= 0x20 && ch <= 0x7E ? ch : ' ');
    }
}

void LcdSymbol(cmcCellCapsule& req, Ctx& c, int row) {
    if (row < 0 || row >= smap::kLcdSymbolRows) return;
    const int address = smap::kLcdSymbols + smap::kLcdSymbolLength * row;
    char text[smap::kLcdSymbolLength];
    for (int i = 0; i < smap::kLcdSymbolLength; ++i)
        text[i] = static_cast<char>(Get(c, address + i));
    if (!EditLcdSymbol(req, text, row, c.modelType)) return;
    for (int i = 0; i < smap::kLcdSymbolLength; ++i)
        Set(c, address + i, static_cast<uint8_t>(text[i]));
}

// Appends a unit unless the in-place editor is being opened on the number.
void AppendUnit(cmcCellCapsule& req, const char* unit) {
    if (req.signal == EditorSignal::kEditor) return;
    req.displayText += unit;
    req.selLength = static_cast<int>(req.displayText.size());
}

void TotTimer(cmcCellCapsule& req, Ctx& c) {
    int v = GetU16(c, smap::kTotTimer);
    IntegerRange range{0, 600};
    range.unit = " sec";
    if (EditInteger(req, v, range)) SetU16(c, smap::kTotTimer, v);
    AppendUnit(req, " sec");
    PaintSilver(req, c, kTotOff);
}

// Whole milliseconds shown through the decimal editor at scale 1: "120 msec".
constexpr int kTrimAll = 4;

void DecimalByte(cmcCellCapsule& req, Ctx& c, int address, int minimum, int maximum,
                 Silver silver = kNone) {
    int v = Get(c, address);
    if (EditDecimal(req, v, 1, minimum, maximum, kTrimAll, " msec")) {
        Set(c, address, static_cast<uint8_t>(v));
    }
    PaintSilver(req, c, silver);
}

// The dual/tri watch timer is kept in milliseconds and shown in seconds with two decimals.
void DwTwTimer(cmcCellCapsule& req, Ctx& c) {
    int v = GetU16(c, smap::kDwTwTimer) / 10;
    if (EditDecimal(req, v, 100, 80, 150, 1, " sec")) SetU16(c, smap::kDwTwTimer, v * 10);
}

void UtcOffset(cmcCellCapsule& req, Ctx& c) {
    int minutes = static_cast<int16_t>(GetU16(c, smap::kUtcOffset));
    if (EditTimeOffset(req, minutes)) SetU16(c, smap::kUtcOffset, minutes & 0xFFFF);
}

void DialKey(cmcCellCapsule& req, Ctx& c, int row) {
    if (row < 0 || row >= smap::kDialKeyCount) return;
    ChoiceByte(req, c, smap::kDialKeys + row, keys::kSheetSelKeyAsDial);
}

void SoftKey(cmcCellCapsule& req, Ctx& c, int row) {
    if (row < 0 || row >= smap::kSoftKeyCount) return;
    const char* list =
        UsesUsLists(c.modelType) ? keys::kSheetSelKeyAsSkeyMU : keys::kSheetSelKeyAsSkeyME;
    int v = Get(c, smap::kSoftKeys + row);
    if (EditSoftKey(req, list, v)) Set(c, smap::kSoftKeys + row, static_cast<uint8_t>(v));
    // A key for a function the radio has switched off.
    if (!smap::SoftKeyAvailable(Get(c, smap::kSoftKeys + row), Get(c, smap::kFunctionSwitches),
                                Get(c, smap::kFunctionSwitches2)))
        req.resultFlags |= cmcCellCapsule::kError;
}

}  // namespace

namespace {

// Cells with a handler of their own, in one list that both the label test and the dispatch use.
struct SpecialCell {
    int label;
    void (*run)(cmcCellCapsule& req, Ctx& c, int label, int row);
};

void CallTableCell(cmcCellCapsule& req, Ctx& c, int label, int row) {
    CallTable(req, c, label, row);
}

const SpecialCell kSpecialCells[] = {
    {CL_ComDsc_SelfId, [](cmcCellCapsule& r, Ctx& c, int, int) { SelfId(r, c); }},
    {CL_DscCall_Tx, CallTableCell},
    {CL_DscCall_Rx, CallTableCell},
    {CL_DscCall_TxPow, CallTableCell},
    {CL_DscCall_Alarm_Min, CallTableCell},
    {CL_DscCall_Alarm_Max, CallTableCell},
    {CL_DscCall_Alarm_Shutdown, CallTableCell},
    {CL_DscCall_Alarm_Visual, CallTableCell},
    {CL_DscCall_Alarm_IntSp, CallTableCell},
    {CL_ComCom_CloneComment, [](cmcCellCapsule& r, Ctx& c, int, int) { CloneComment(r, c); }},
    {CL_ComCom_LcdSymbol, [](cmcCellCapsule& r, Ctx& c, int, int row) { LcdSymbol(r, c, row); }},
    {CL_ComCom_TotTimer, [](cmcCellCapsule& r, Ctx& c, int, int) { TotTimer(r, c); }},
    {CL_RadioSet_ScanSpeed, [](cmcCellCapsule& r, Ctx& c, int,
                               int) { DecimalByte(r, c, smap::kScanSpeed, 50, 200, kScanOff); }},
    {CL_MakerR_TX_Mute_Timer,
     [](cmcCellCapsule& r, Ctx& c, int, int) { DecimalByte(r, c, smap::kTxMuteTimer, 0, 255); }},
    {CL_MakerR_RX_Mute_Timer,
     [](cmcCellCapsule& r, Ctx& c, int, int) { DecimalByte(r, c, smap::kRxMuteTimer, 0, 255); }},
    {CL_MakerR_Transient_Timer,
     [](cmcCellCapsule& r, Ctx& c, int, int) { DecimalByte(r, c, smap::kTransientTimer, 0, 255); }},
    {CL_MakerR_DwTw_Timer, [](cmcCellCapsule& r, Ctx& c, int, int) { DwTwTimer(r, c); }},
    {CL_ComConf_UtcOffset, [](cmcCellCapsule& r, Ctx& c, int, int) { UtcOffset(r, c); }},
    {CL_ComConf_KeyAssign_Dial,
     [](cmcCellCapsule& r, Ctx& c, int, int row) { DialKey(r, c, row); }},
    {CL_ComConf_KeyAssign_SoftKey,
     [](cmcCellCapsule& r, Ctx& c, int, int row) { SoftKey(r, c, row); }},
};

const SpecialCell* FindSpecial(int label) {
    for (const auto& s : kSpecialCells)
        if (s.label == label) return &s;
    return nullptr;
}

bool IsAlarmLabel(int label) {
    return label >= CL_ComDsc_Alarm_Kind_Tx && label <= CL_ComDsc_Alarm_IntSp_Inactivity;
}

}  // namespace

bool IsSettingsLabel(int label) {
    return FindSimple(label) != nullptr || IsAlarmLabel(label) || FindSpecial(label) != nullptr;
}

bool DispatchSettingsCell(cmcCellCapsule& req, SettingsCellContext& c) {
    if (req.cell == nullptr || c.image == nullptr) return false;
    const int label = req.cell->Label;
    const int row = req.cell->Index;
    if (const SimpleCell* s = FindSimple(label)) {
        // Saving would put the factory's weather switch back.
        if (label == CL_ComCom_Wx && !smap::UserSetsWeather(c.modelType)) RefuseFactoryValue(req);
        Simple(req, c, *s);
        return true;
    }
    constexpr int kFamilySize = 10;
    if (IsAlarmLabel(label)) {
        const int n = label - CL_ComDsc_Alarm_Kind_Tx;
        AlarmCell(req, c, n / kFamilySize, kAlarms[n % kFamilySize]);
        return true;
    }
    if (const SpecialCell* s = FindSpecial(label)) {
        s->run(req, c, label, row);
        return true;
    }
    return false;
}

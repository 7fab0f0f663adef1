#pragma once
// Fixed-address settings of the radio's memory: where each value lives in the image. The
// record tables (channels, free channels, DSC IDs) have their own table; everything here is a
// single value or a small fixed block.

#include <cstdint>

#include "radio/MemoryMap.h"
#include "sheet/ModelTypes.h"

namespace smap {

// Identification area.
inline constexpr int kMakerString = 0x0F10;  // 8 bytes, "Vexa Inc" in an image read from a radio
inline constexpr int kMakerStringLength = 8;
inline constexpr int kModelIndex = 0x0F19;  // model type the image was made for
inline constexpr int kMapMarker = 0x0F1A;   // must be 1 in every image of this model
inline constexpr int kCloneComment = 0x0F1B;
inline constexpr int kCloneCommentLength = 16;

// Function switches (the record cells consult them too).
inline constexpr int kFunctionSwitches = mm::kFunctionSwitches;
inline constexpr int kFnUsa = 0, kFnWx = 1, kFnCanada = 2, kFnPttScan = 3, kFnScan = 4,
                     kFnBandEx = 5, kFnAdjMode = 6, kFnInitial = 7;
inline constexpr int kFunctionSwitches2 = mm::kFunctionSwitches2;
inline constexpr int kFnTotAlarm = 4, kFnTot = 5, kFnDualWatch = 6, kFnTriWatch = 7;
inline constexpr bool ScanSwitchedOn(uint8_t switches) {
    return switches & (1u << kFnScan);
}
inline constexpr bool WatchSwitchedOn(uint8_t switches2) {
    return switches2 & ((1u << kFnDualWatch) | (1u << kFnTriWatch));
}
// Soft-key functions 0 (scan) and 1 (dual/tri watch) do nothing while their function is off.
inline constexpr int kSoftKeyScan = 0, kSoftKeyWatch = 1;
// The soft-key function that switches the transmitter between high and low power.
inline constexpr int kSoftKeyPower = 36;
inline constexpr bool SoftKeyAvailable(int function, uint8_t switches, uint8_t switches2) {
    if (function == kSoftKeyScan) return ScanSwitchedOn(switches);
    if (function == kSoftKeyWatch) return WatchSwitchedOn(switches2);
    return true;
}

// Map version: four ASCII digits (the byte at 391 lies between them and is not part of it).
inline constexpr int kVersionDigits[4] = {390, 392, 393, 394};
// The version block and its mirror with a check byte at its end.
inline constexpr int kVersionBlock = 0x0070;
inline constexpr int kVersionBlockLength = 288;
inline constexpr int kVersionMirror = 0x01C0;
inline constexpr int kVersionMirrorFlag = 0x02DE;   // bit 7 set after adoption
inline constexpr int kVersionMirrorCheck = 0x02DF;  // check byte over the 287 bytes before it

// Own DSC ID: five ID bytes, their check byte, then a byte cleared on adoption.
inline constexpr int kSelfId = 0x2210;
inline constexpr int kSelfIdCheck = 0x2215;
inline constexpr int kSelfIdSpare = 0x2216;
inline constexpr int kSelfIdArea = 16;  // 0x2210-0x221F, replaced as a whole when broken

// DSC setup.
inline constexpr int kDscChannelSwitches = 0x2224;  // bit 0 USA, bit 1 international, bit 2 Canada
inline constexpr int kDscChCallSwitches = 0x2226;   // bit 0 individual, bit 1 group, bit 2 all
inline constexpr int kAutoAck = 0x0B03;
inline constexpr int kTenSecondDelay = 0x0AF9;
inline constexpr int kDscDataOutput = 0x0AFA;
inline constexpr int kCh70SqlLevel = 0x0AFB;
inline constexpr int kAlarmSwitches = 0x0AFC;
inline constexpr int kMedicalTransports = 0x0B01;
inline constexpr int kShipsAndAircraft = 0x0B02;
inline constexpr int kAutoPrint = 0x0ABD;

// DSC call table: 65 rows of 7 bytes.
inline constexpr int kCallTable = 0x2227;
inline constexpr int kCallRowSize = 7;
inline constexpr int kCallRows = 65;
inline constexpr int kCallTx = 0, kCallRx = 1, kCallTxPow = 2, kCallFixed = 3, kCallAlarmMin = 4,
                     kCallAlarmMax = 5, kCallAlarmFlags = 6;

// DSC alarm groups: eleven 4-byte groups; byte 1 is the volume V, byte 3 (V + 2) the flags
// (bit 0 shutdown, bit 1 internal speaker, bit 4 visual).
inline constexpr int kAlarmGroups = 0x23EE;
inline constexpr int kAlarmGroupCount = 11;
inline constexpr int kAlarmGroupSize = 4;
inline constexpr int kAlarmVolMax = 20;
// Volume bytes of the alarms, in the order of the alarm label families' suffixes.
inline constexpr int kAlarmVolTx = 0x23FB;
inline constexpr int kAlarmVolDistressTx = 0x23F7;
inline constexpr int kAlarmVolNoMmsi = 0x23EF;
inline constexpr int kAlarmVolPosCeases = 0x23F3;
inline constexpr int kAlarmVolPos4hr = 0x240F;
inline constexpr int kAlarmVolPos23hr = 0x2413;
inline constexpr int kAlarmVolSelfTerm = 0x23FF;
inline constexpr int kAlarmVolDiscrete1 = 0x2417;
inline constexpr int kAlarmVolDiscrete2 = 0x240B;
inline constexpr int kAlarmVolInactivity = 0x2403;
// An alarm without a cell of its own that sounds at the distress volume.
inline constexpr int kAlarmVolFollowsDistress = 0x2407;

// Soft keys: 20 function bytes.
inline constexpr int kSoftKeys = 0x0B80;
inline constexpr int kSoftKeyCount = 20;

// Common functions and radio set-up.
inline constexpr int kLcdSymbols = 0x0BA0;  // 5 characters per row
inline constexpr int kLcdSymbolLength = 5;
inline constexpr int kLcdSymbolRows = 3;  // USA, international, Canadian
inline constexpr int kTotTimer = 0x0BBE;  // u16 seconds
inline constexpr int kRemoteId = 0x0AF8;
inline constexpr int kScanType = 0x0AEE;
inline constexpr int kScanTimer = 0x0AEF;
inline constexpr int kScanSpeed = 0x0BC1;
inline constexpr int kDualTri = 0x0AF0;
inline constexpr int kFavMic = 0x0B06;
inline constexpr int kChDirectInputTot = 0x0B1B;

// Configuration.
inline constexpr int kBacklight = 0x0B1A;
inline constexpr int kBacklightDay = 0x0ADF;
inline constexpr int kBacklightNight = 0x0AE3;
inline constexpr int kKeyBeep = 0x0AE2;
inline constexpr int kUtcOffset = 0x0AFE;  // i16 minutes
inline constexpr int kDialKeys = 0x0AF2;
inline constexpr int kDialKeyCount = 4;
inline constexpr int kPosDataOutput = 0x0AF6;
inline constexpr int kInternalSpeaker = 0x0ABC;
inline constexpr int kMicType = 0x0AF7;
inline constexpr int kInactivityTimer = 0x0B18;
inline constexpr int kInactivityTimerDsc = 0x0B19;
inline constexpr int kInactivityTimerDistress = 0x0B17;
inline constexpr int kInactivityTimerRt = 0x0B16;

// Manufacturer values.
inline constexpr int kTxMuteTimer = 0x0BC6;
inline constexpr int kRxMuteTimer = 0x0BC7;
inline constexpr int kTransientTimer = 0x0BC3;
inline constexpr int kTxCurrentRestriction = 0x0171;
inline constexpr int kDwTwTimer = 0x0BC4;  // u16 milliseconds
inline constexpr int kTxPllOpt1 = 0x0BE2;
inline constexpr int kTxPllOpt2 = 0x0BE3;
inline constexpr int kRxPllOpt1 = 0x0BE4;

// Areas that adoption takes from the model's reference image, in the order it takes them.
enum class AdoptWhen { Always, ForSave, NotRegional };
struct AdoptArea {
    int address;
    int count;
    AdoptWhen when;
};
inline constexpr AdoptArea kAdoptSettings[] = {
    {0x0A87, 1, AdoptWhen::ForSave},     {0x0A88, 1, AdoptWhen::Always},
    {0x0AB6, 1, AdoptWhen::ForSave},     {0x0AB7, 3, AdoptWhen::Always},
    {0x0ABA, 2, AdoptWhen::ForSave},     {0x0ABE, 16, AdoptWhen::Always},
    {0x0ACE, 16, AdoptWhen::Always},     {0x0ADE, 1, AdoptWhen::ForSave},
    {0x0AE1, 1, AdoptWhen::Always},      {0x0AE4, 1, AdoptWhen::Always},
    {0x0AF1, 1, AdoptWhen::NotRegional}, {0x0B00, 1, AdoptWhen::Always},
};
inline constexpr AdoptArea kAdoptRadioSetup[] = {
    {0x0BBC, 2, AdoptWhen::Always},   {0x0BC8, 2, AdoptWhen::Always},
    {0x0BCA, 2, AdoptWhen::Always},   {0x0BCF, 1, AdoptWhen::Always},
    {0x0BE6, 648, AdoptWhen::Always}, {0x0E6E, 32, AdoptWhen::Always},
    {0x0E8E, 32, AdoptWhen::Always},  {0x0EAE, 16, AdoptWhen::Always},
    {0x0EBE, 8, AdoptWhen::Always},   {0x0EC6, 8, AdoptWhen::Always},
    {0x0ED1, 1, AdoptWhen::Always},   {kMakerString, kMakerStringLength, AdoptWhen::Always},
    {0x0F18, 1, AdoptWhen::Always},   {kMapMarker, 1, AdoptWhen::Always},
};
inline constexpr int kAdoptDscArea = 0x2220;  // 4 bytes after the own ID
inline constexpr int kAdoptDscAreaLength = 4;
inline constexpr int kAdoptDscBytes[] = {0x223C, 0x2251, 0x2290, 0x2297, 0x229E, 0x22BA, 0x22C1,
                                         0x22C8, 0x230E, 0x2315, 0x231C, 0x2338, 0x233F, 0x2346,
                                         0x2378, 0x237F, 0x2386, 0x23A1, 0x23A8, 0x23AF};
inline constexpr int kAdoptDscSeries = 0x2362;  // one byte every 7, six times
inline constexpr int kAdoptDscSeriesCount = 6;
inline constexpr int kCurrentPChannels = 0x0A80;  // three u16, filled from the P channel numbers
inline constexpr int kWeatherStart = 0x0A86;      // first weather row in use
// Only the USA and the Australian models let the user choose the weather switch and which
// weather channels are used; every other model takes both from its factory image.
inline constexpr bool UserSetsWeather(int modelType) {
    return UsesUsLists(modelType);
}
inline constexpr int kDscChannelRefBits = 0x2160;  // bit 1 of slots 57-170 follows the reference
inline constexpr int kDscChannelRefFirst = 57;
inline constexpr int kDscChannelRefLast = 170;
inline constexpr int kCallBookCount = 50;  // entries of the three call books below
inline constexpr int kCallBookBytes[3] = {0x2A70, 0x2AB0, 0x2AF0};
inline constexpr int kCallBookRecords[3] = {0x2B30, 0x3300, 0x3AD0};
inline constexpr int kCallBookRecordSize = 40;

}  // namespace smap

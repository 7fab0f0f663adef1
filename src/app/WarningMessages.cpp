#include "app/WarningMessages.h"

#include <cstdio>

#include "radio/MemoryMap.h"
#include "sheet/CellCatalogue.h"

namespace {

using warncheck::Code;
using warncheck::Finding;
using Why = txrules::Why;

const char* ListName(const Finding& f) {
    switch (f.category) {
        case CT_IntCh:
            return "International list";
        case CT_UsaCh:
            return "USA list";
        case CT_CanCh:
            return "Canadian list";
        case CT_DscCh:
            return "DSC channels";
        case CT_WxCh:
            return "Weather channels";
        case CT_FreeCh:
            return "User channels";
        case CT_DscIndId:
            return "Individual MMSIs";
        case CT_DscGrpId:
            return "Group MMSIs";
        default:
            break;
    }
    switch (f.code) {
        case Code::CallHalvesDiffer:
        case Code::CallAlarmRange:
            return "DSC calls";
        case Code::SoftKeyIdle:
            return "Soft keys";
        default:
            return "DSC setup";
    }
}

const char* TableName(int table) {
    return table == mm::kDscGrpId ? "Group MMSIs" : "Individual MMSIs";
}

std::string Mhz(uint32_t hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u.%06u", hz / 1000000u, hz % 1000000u);
    std::string s(buf);
    // Three decimals at least, more only where the frequency needs them.
    while (s.size() > s.find('.') + 4 && s.back() == '0') s.pop_back();
    return s + " MHz";
}

const char* PlanOf(const Finding& f) {
    switch (f.plan) {
        case txrules::Plan::Usa:
            return "the US plan";
        case txrules::Plan::Canada:
            return "the Canadian plan";
        case txrules::Plan::International:
            break;
    }
    return "the international plan";
}

// Why a channel of a list, or a DSC channel, must not transmit as set.
std::string TransmitReason(const Finding& f) {
    const std::string ch = std::to_string(f.arg);
    switch (f.why) {
        case Why::DataOnly:
            if (f.arg == 70)
                return "transmit is on, but channel 70 carries DSC calls only, never voice";
            if (f.arg == 2087 || f.arg == 2088)
                return "transmit is on, but channel " + ch + " carries AIS data only, never voice";
            return "transmit is on, but channel " + ch + " carries digital data only, never voice";
        case Why::CoastSide:
            return "transmit is on, but channel " + ch +
                   " is a coast station's transmit frequency, where a ship must not transmit";
        case Why::PlanReceiveOnly:
            return std::string("transmit is on, but ") + PlanOf(f) + " makes channel " + ch +
                   " receive-only";
        case Why::LowPower:
            return std::string("transmit is on; ") + PlanOf(f) + " limits channel " + ch +
                   " to 1 W, and the radio transmits at the power last chosen: use low power "
                   "there";
        case Why::NoLowPowerKey:
            return std::string("transmit is on; ") + PlanOf(f) + " limits channel " + ch +
                   " to 1 W, but no soft key switches the radio to low power, so it may transmit "
                   "there at high power: set a soft key to high/low power";
        default:
            return "transmit is on where a ship must not transmit";
    }
}

std::string FreeTransmitReason(const Finding& f) {
    switch (f.why) {
        case Why::Blank:
            return "a channel list lets it transmit, but it has no transmit frequency";
        case Why::DataOnly:
            return "transmits on " + Mhz(f.hz) +
                   ", which carries DSC or AIS data only, never voice";
        case Why::NotShipFrequency:
            return "transmits on " + Mhz(f.hz) +
                   ", which is not a ship's transmit frequency in the plans this radio carries "
                   "(156.000-157.425 MHz and the national channels of its model)";
        case Why::PlanReceiveOnly:
            return "transmits on " + Mhz(f.hz) + ", but " + PlanOf(f) + " makes channel " +
                   std::to_string(f.arg) + " receive-only";
        case Why::LowPower:
            return "transmits on " + Mhz(f.hz) + ", channel " + std::to_string(f.arg) +
                   ", which is limited to 1 W: use low power there";
        case Why::NoLowPowerKey:
            return "transmits on " + Mhz(f.hz) + ", channel " + std::to_string(f.arg) + "; " +
                   PlanOf(f) +
                   " limits it to 1 W, but no soft key switches the radio to low power, so it "
                   "may transmit there at high power: set a soft key to high/low power";
        default:
            return "transmits where a ship must not";
    }
}

// What is wrong with an MMSI, as the end of a sentence about it.
std::string MmsiReason(const std::string& digits, mmsi::Fault fault, bool own) {
    const std::string shipWord = own ? "this ship's own" : "a ship's";
    switch (fault) {
        case mmsi::Fault::NotDigits:
            return digits + " is not nine digits";
        case mmsi::Fault::AllZeros:
            return digits + " is no station's number";
        case mmsi::Fault::Coast:
            return digits + " is a coast station's number (00 and a country code), not " + shipWord;
        case mmsi::Fault::Group:
            return digits + " is a group's number (0 and a country code), not " + shipWord;
        case mmsi::Fault::Individual:
            return digits + " is one station's number, not a group's (a group MMSI is 0 and a " +
                   "country code)";
        case mmsi::Fault::Device:
            return digits + " is an AIS-SART, man-overboard or EPIRB number (970, 972, 974), not " +
                   shipWord;
        case mmsi::Fault::NotAShip:
            return digits + " is not " + shipWord +
                   " number (an aircraft's, an aid to navigation's, or no MMSI form)";
        case mmsi::Fault::MidUnknown:
            return digits + " starts with country code " + std::to_string(mmsi::MidOf(digits)) +
                   ", which the ITU has not allocated";
        case mmsi::Fault::None:
            break;
    }
    return digits;
}

const char* SoftKeyFunction(int function) {
    return function == 0 ? "scan" : "dual/tri watch";
}

}  // namespace

std::string WarningPlace(const Finding& f) {
    switch (f.category) {
        case CT_IntCh:
        case CT_UsaCh:
        case CT_CanCh:
        case CT_DscCh:
            return "channel " + f.channel;
        case CT_FreeCh:
            return f.channel.empty() ? "row " + std::to_string(f.row + 1) : "channel " + f.channel;
        case CT_DscIndId:
        case CT_DscGrpId:
            return "row " + std::to_string(f.row + 1) +
                   (f.channel.empty() ? "" : " (" + f.channel + ")");
        default:
            break;
    }
    if (f.code == Code::SoftKeyIdle) return "key " + std::to_string(f.row + 1);
    if (f.code == Code::CallHalvesDiffer || f.code == Code::CallAlarmRange)
        return "row " + std::to_string(f.row + 1);
    return "";
}

std::string WarningText(const Finding& f) {
    std::string reason;
    switch (f.code) {
        case Code::UnusedWithMark:
            reason = std::string("not in use, but it is the ") +
                     (f.arg == 3   ? "P and the C"
                      : f.arg == 1 ? "P"
                                   : "C") +
                     " channel; mark another channel or put this one in use";
            break;
        case Code::Transmit:
            reason = TransmitReason(f);
            break;
        case Code::FreeRxBlank:
            reason = "a channel list has it in use, but it has no receive frequency";
            break;
        case Code::FreeRxOutside:
            reason = "receives on " + Mhz(f.hz) + ", outside the marine band the radio tunes";
            break;
        case Code::FreeTransmit:
            reason = FreeTransmitReason(f);
            break;
        case Code::FreeNameBlank:
            reason =
                "a channel list has it in use, but its name is blank, so the radio shows "
                "nothing to choose it by";
            break;
        case Code::WeatherAllOff:
            reason = "every weather channel is switched off";
            break;
        case Code::OwnIdFault:
            reason = "own MMSI " + MmsiReason(f.digits, f.mmsiFault, true);
            break;
        case Code::IdFault:
            reason = MmsiReason(f.digits, f.mmsiFault, false);
            break;
        case Code::IdTwice:
            reason = "MMSI " + f.digits + " is already in row " + std::to_string(f.other + 1) +
                     (f.otherName.empty() ? "" : " (" + f.otherName + ")");
            break;
        case Code::IdIsOwn:
            reason = f.digits + " is this radio's own MMSI";
            break;
        case Code::IdNameBlank:
            reason = "the entry has no name, so the radio shows nothing to call it by";
            break;
        case Code::NameTwice:
            reason = std::string("the same name as ") +
                     (f.otherTable == (f.category == CT_DscIndId ? mm::kDscIndId : mm::kDscGrpId)
                          ? std::string("row ")
                          : std::string(TableName(f.otherTable)) + " row ") +
                     std::to_string(f.other + 1) + ", so the radio shows the two alike";
            break;
        case Code::CallHalvesDiffer:
            reason = "transmit differs from row " + std::to_string(f.other + 1) +
                     "; the two rows are halves of one call and must agree";
            break;
        case Code::CallAlarmRange:
            reason = "the highest alarm volume is below the lowest";
            break;
        case Code::SoftKeyIdle:
            reason = std::string("set to ") + SoftKeyFunction(f.arg) + ", but " +
                     (f.arg == 0 ? "scan is" : "dual and tri watch are both") + " switched off";
            break;
        case Code::DscOnInland:
            reason =
                "DSC is switched on in an inland waterways (ATIS) radio, where DSC is not "
                "allowed";
            break;
    }
    const std::string place = WarningPlace(f);
    return std::string(ListName(f)) + (place.empty() ? "" : ", " + place) + ": " + reason;
}

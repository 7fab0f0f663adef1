#include "app/CloneMessages.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/Prompt.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// Puts the port in place of the first "%d"; any other '%' stays as it is, so an overlay line
// can never act as a format of its own.
std::string WithPort(std::string line, const std::string& port) {
    auto at = line.find("%d");
    if (at != std::string::npos) line.replace(at, 2, port);
    return line;
}

// Hint lines of the lost-line message: the cable, and plugging it in again.
constexpr int kHintCable = 0;
constexpr int kHintReplug = 8;
// The hint that asks whether the right port is chosen in the Port menu.
constexpr int kHintPort = 1;

// The port the way the user chose it: its device path when named by it, else its number with
// the device behind it when known.
std::string PortName(const CloneFailure& f) {
    if (f.portNamedByDevice && !f.device.empty()) return f.device;
    const std::string port = std::to_string(f.port);
    return f.device.empty() ? port : port + " (" + f.device + ")";
}

// What the line did, when that tells the user more than the result code.
std::string LineText(const CloneFailure& f) {
    const std::string where =
        f.portNamedByDevice && !f.device.empty() ? f.device : "port " + PortName(f);
    switch (f.line) {
        case CloneFailure::Line::kNeverQuiet:
            return "Something on " + where +
                   " kept sending data that did not come from the radio, so KELDA could not "
                   "talk to the radio: is the right port chosen?";
        case CloneFailure::Line::kNothingCameBack:
            return "Nothing at all came back on " + where +
                   ": the programming cable is not on this port, or it is not plugged in.";
        case CloneFailure::Line::kStoppedPartWay:
            if (f.operation == CloneOperation::kWrite)
                return "The radio stopped answering after " + std::to_string(f.bytesDone) + " of " +
                       std::to_string(f.bytesTotal) + " bytes; it may hold part of the data.";
            return "The radio stopped sending after " + std::to_string(f.bytesDone) + " of " +
                   std::to_string(f.bytesTotal) +
                   " bytes: was it switched off, or did the cable come loose?";
        case CloneFailure::Line::kAsExpected:
            break;
    }
    return {};
}

}  // namespace

std::string DeviceOpenText(const std::string& device, const platform::OpenFailure& failure) {
    using platform::OpenFault;
    std::string text = device + ": ";
    switch (failure.fault) {
        case OpenFault::kNone:
            return {};
        case OpenFault::kNoSuchPort:
            return text + "there is no such port on this computer";
        case OpenFault::kInUse:
            return text + "the port is in use by another program";
        case OpenFault::kNotSerial:
            return text + "this is not a serial port; choose the device of the programming cable";
        case OpenFault::kLineSettings:
            return text + "the line settings are refused: " + failure.systemText;
        case OpenFault::kSystem:
            return text + failure.systemText;
        case OpenFault::kNoAccess:
            break;
    }
    text += failure.systemText;
    const platform::DeviceAccess& access = failure.access;
    switch (access.kind) {
        case platform::DeviceAccess::Kind::kGroup:
            return text + " (the user must belong to the group \"" + access.name +
                   "\" that owns the device, e.g. sudo usermod -aG " + access.name +
                   " $USER, then log in again)";
        case platform::DeviceAccess::Kind::kRootOnly:
            return text + " (only root can open this device)";
        case platform::DeviceAccess::Kind::kOwnerOnly:
            return text + " (only its owner \"" + access.name + "\" can open this device)";
        case platform::DeviceAccess::Kind::kUnknown:
            break;
    }
    return text;
}

std::string PortOpenText(const PortOpenFailure& failure) {
    switch (failure.cause) {
        case PortOpenFailure::Cause::kNone:
            return {};
        case PortOpenFailure::Cause::kNoDeviceForNumber:
            return "port " + std::to_string(failure.portNumber) +
                   ": no serial device has this number";
        case PortOpenFailure::Cause::kNoBaudRate:
            return failure.device + ": no baud rate given";
        case PortOpenFailure::Cause::kDevice:
            break;
    }
    return DeviceOpenText(failure.device, failure.failure);
}

std::string CloneFailureText(const CloneFailure& failure) {
    const CloneResult code = failure.code;
    if (code == CloneResult::kOk) return {};
    cmcGTex& tex = GTex();
    std::string text = tex.GetLine(keys::kMessCloneErrHead, CloneResultNumber(code));
    std::vector<int> hints = {0, 1, 2, 3};
    const std::string& device = failure.device;
    const std::string port = std::to_string(failure.port);
    switch (code) {
        case CloneResult::kLineLost:
            // Name the port the way the user chose it, and the device behind a number.
            text = WithPort(text, PortName(failure));
            hints = {kHintCable, kHintReplug};
            break;
        case CloneResult::kPortFailed: {
            text = WithPort(text, failure.portNamedByDevice && !device.empty() ? device : port);
            // Which device and why, so that a user can act on it.
            const std::string why = PortOpenText(failure.openFailure);
            if (!why.empty()) text += "\n" + why;
            break;
        }
        case CloneResult::kNotAcknowledged:
            hints = {0, 2, 3};
            break;
        case CloneResult::kOtherSender:
            text += "\nKELDA listened on " +
                    (failure.portNamedByDevice && !device.empty() ? device
                                                                  : "port " + PortName(failure)) +
                    " for a second: data came all the time, and none of it was from a radio.";
            hints = {kHintPort, 3};
            break;
        case CloneResult::kReadRefused:
            hints = {};
            break;
        case CloneResult::kNotIdentified:
        case CloneResult::kIdentityUnread:
            hints = {0, 1, 2, 3, 4, 5};
            break;
        case CloneResult::kOtherModel:
            hints = {6, 7};
            break;
        case CloneResult::kNotReady:
            hints = {0, 4, 5};
            break;
        case CloneResult::kNewerData:
            hints = {};
            break;
        default:
            break;
    }
    if (std::string line = LineText(failure); !line.empty()) {
        // With nothing at all on the line there was no answer to compare: that is all there is
        // to say.
        if (code == CloneResult::kEchoFailed &&
            failure.line == CloneFailure::Line::kNothingCameBack)
            text = line;
        else
            text += "\n" + line;
    }
    if (!hints.empty()) {
        text += "\n\n";
        // A port named by its device (--device) was not chosen in the Port menu: the hint
        // about the chosen port names that device instead.
        const std::string deviceHint = failure.portNamedByDevice && !device.empty()
                                           ? tex.GetLine(keys::kMessCloneErrCheckDevice, 0)
                                           : std::string();
        for (size_t i = 0; i < hints.size(); ++i) {
            if (i) text += "\n";
            text += hints[i] == kHintPort && !deviceHint.empty()
                        ? WithPort(deviceHint, device)
                        : tex.GetLine(keys::kMessCloneErrCheck, hints[i]);
        }
    }
    // Data frames went out: the radio may hold a mix of old and new settings.
    if (failure.operation == CloneOperation::kWrite && failure.dataSent)
        text += "\n\n" + tex.GetText(keys::kMessCloneErrWriteAgain);
    return text;
}

void ShowCloneFailure(const CloneFailure& failure) {
    if (failure.code == CloneResult::kOk) return;
    platform::GetPrompter().Show(CloneFailureText(failure), GTex().GetLine(keys::kSysAppTitle, 0),
                                 platform::PromptIcon::Error, platform::PromptButtons::Ok);
}

std::string ProgressLine(const indCloneMan::Progress& progress) {
    const int total = std::max(progress.total, 0);
    const int done = std::clamp(progress.done, 0, total);
    std::string line = progress.operation == CloneOperation::kWrite ? "Writing: " : "Reading: ";
    line += std::to_string(done) + " of " + std::to_string(total) + " bytes";
    // The first second says too little about the pace to be worth a figure.
    constexpr uint32_t kSettledMs = 1000;
    if (done >= total) return line;
    if (done == 0 || progress.elapsedMs < kSettledMs) return line + ", estimating the time left";
    const uint64_t leftMs = static_cast<uint64_t>(progress.elapsedMs) *
                            static_cast<uint64_t>(total - done) / static_cast<uint64_t>(done);
    const uint64_t seconds = (leftMs + 999) / 1000;
    line += ", about ";
    if (seconds >= 60)
        line += std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s left";
    else
        line += std::to_string(seconds) + " s left";
    return line;
}

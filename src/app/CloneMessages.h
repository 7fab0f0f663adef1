#pragma once
// Messages of the clone result codes: the clone manager reports a failed run, these turn it into
// the overlay's texts and show them.
#include <string>

#include "comm/indCloneMan.h"

// What the progress window says below its bar: the bytes moved of the run's total and an
// estimate of the time left from the pace so far, e.g.
// "Reading: 9216 of 18208 bytes, about 8 s left".
std::string ProgressLine(const indCloneMan::Progress& progress);

// Why a device or a port could not be opened, naming it: "/dev/ttyUSB0: the port is in use by
// another program", with the system's words and who may open it where the system refused.
std::string DeviceOpenText(const std::string& device, const platform::OpenFailure& failure);
std::string PortOpenText(const PortOpenFailure& failure);

// The code's headline with the port named, the hints that fit it, and the advice to write again
// when a write failed after data went out; "" for 0.
std::string CloneFailureText(const CloneFailure& failure);
// Shows CloneFailureText as an error; nothing for 0.
void ShowCloneFailure(const CloneFailure& failure);

#pragma once
// The port lists of the port dialog, built from the port table and the present devices.
#include <string>
#include <vector>

// Numbers the port table knows, whether or not their device is present now; ascending.
void ListRegisteredPorts(std::vector<std::string>& list);
// Numbers of the devices present now (new ones get a number); ascending.
void ListPresentPorts(std::vector<std::string>& list);
// "N: friendly name" for each present device whose number is among numbers; by number.
void DescribePorts(const std::vector<std::string>& numbers, std::vector<std::string>& list);
// The port number in a text: the number after a leading "COM", else the number at the start
// (leading blanks skipped; 0 when there is none; a number too long for an int saturates).
int PortNumberOf(const std::string& text);
// The port the port dialog takes: variants 0 and 1 read the typed text, variant 2 the chosen
// entry ("3: FT232R USB UART (ttyUSB0)"). 0 when it is not a port number from 1 to 256.
int PortDialogChoice(int variant, const std::string& text);

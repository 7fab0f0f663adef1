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
// The port number in a text: the number after a leading "COM", else the number at the start.
int PortNumberOf(const std::string& text);

#pragma once
// Fills the "%s" / "%d" places of an overlay text. The overlay is data, so its texts are never
// handed to printf: each conversion (with any flags and width) takes the next argument in turn,
// "%%" is a percent sign, and a place without an argument stays empty.
#include <initializer_list>
#include <string>
#include <string_view>

std::string FormatOverlay(std::string_view format, std::initializer_list<std::string> args);

#pragma once
// The program's own overlay text for the bit-field sheet "GI_Sheet_FBitsR": its style, basic
// cell and rows, the four cell models it uses and its two popup menus. The bit window reads it
// through a store over these lines.
#include <string>
#include <vector>

// One heading text per bit; the data cells are bound to CL_FBits items 1, 2, ... in order.
std::vector<std::string> BitFieldOverlayLines(const std::vector<std::string>& headings);

#include "radio/DebugCells.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/EventCodes.h"
#include "base/Hex.h"
#include "base/cmcEvMan.h"
#include "radio/CellUi.h"
#include "radio/ValueEditors.h"
#include "radio/cmcCellCapsule.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayKeys.h"

namespace {

uint8_t CompareByte(const DebugCellContext& c, int address) {
    const cmcEeprom* base = c.compareBase;
    if (base == nullptr || !base->IsValidAddress(address)) return c.image->GetByte(address);
    return base->GetByte(address);
}

void Show(cmcCellCapsule& req, std::string text) {
    req.displayText = std::move(text);
    req.selStart = 0;
    req.selLength = static_cast<int>(req.displayText.size());
}

void ByteCell(cmcCellCapsule& req, DebugCellContext& c, int address) {
    if (address < 0 || address >= kDebugBytes || !c.image->IsValidAddress(address)) return;
    int value = c.image->GetByte(address);
    bool changed = false;
    if (req.commitMode == CommitMode::kText) {
        // One or two hex digits: "7" is 0x07.
        int digits = 0;
        int v = 0;
        for (char ch : req.inputText) {
            const int d = HexValue(ch);
            if (d < 0) continue;
            if (digits < 2) v = v * 16 + d;
            ++digits;
        }
        if (digits > 0) {
            value = v;
            changed = true;
        }
    } else if (req.commitMode == CommitMode::kChoice) {
        // From the bit window: the byte arrives shifted up, as decimal text.
        long long held = 0;
        for (char ch : req.inputText) {
            if (ch < '0' || ch > '9') break;
            held = held * 10 + (ch - '0');
            if (held > (1LL << 40)) break;
        }
        value = static_cast<int>((held >> kBitWindowShift) & 0xFF);
        changed = true;
    }
    if (changed) {
        c.image->SetByte(address, static_cast<uint8_t>(value));
        EvMan().Post(ev::kRepaintAll);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    Show(req, text);
    if (req.canvas != nullptr && value != CompareByte(c, address)) {
        req.canvas->SetFontColor(cellcolor::kRed);
    }
    if (req.resultFlags & cmcCellCapsule::kSelected)
        c.statusLine = DebugStatusText(*c.image, address);

    if (req.grid == nullptr || req.key == 0) return;
    const int key = req.key;
    if (key > 0 && key < 128 && HexValue(static_cast<char>(key)) >= 0) {
        req.displayText.assign(1, static_cast<char>(key));
        req.selStart = 1;
        req.selLength = 0;
        req.signal = EditorSignal::kEditor;
    } else if (key == cellkey::kEnter) {
        req.grid->OpenChooser(req, CL_FBits, value << kBitWindowShift, keys::kSheetFBitsR);
        req.signal = EditorSignal::kChooser;
    } else if ((key == cellkey::kF3 || key == cellkey::kF2) && c.compareBase != nullptr) {
        const int next = NextDifference(*c.image, *c.compareBase, address, key == cellkey::kF3);
        if (next >= 0) EvMan().Post(ev::kDebugGoto, 0, next);
    }
}

}  // namespace

std::string DebugStatusText(const cmcEeprom& image, int address) {
    const int b = image.GetByte(address);
    const int w = image.IsValidAddress(address + 1) ? b | (image.GetByte(address + 1) << 8) : b;
    char text[64];
    std::snprintf(text, sizeof text, "%02X, %d, %d, \n%04X, %d, %d", b, b, static_cast<int8_t>(b),
                  w, w, static_cast<int16_t>(w));
    return text;
}

int NextDifference(const cmcEeprom& image, const cmcEeprom& base, int address, bool forward) {
    auto differs = [&](int a) {
        return image.IsValidAddress(a) && base.IsValidAddress(a) &&
               image.GetByte(a) != base.GetByte(a);
    };
    if (forward) {
        for (int i = 1; i <= kDebugBytes; ++i) {
            const int a = (address + i) % kDebugBytes;
            if (differs(a)) return a;
        }
        return -1;
    }
    for (int a = address - 1; a >= 0; --a) {
        if (differs(a)) return a;
    }
    return -1;
}

std::string DebugCompareText(const cmcEeprom& base, const cmcEeprom& image) {
    if (base.Size() != image.Size()) return "Not match size !";
    std::string out;
    char line[32];
    for (int a = 0; a < image.Size(); ++a) {
        const int was = base.GetByte(a);
        const int now = image.GetByte(a);
        if (was == now) continue;
        std::snprintf(line, sizeof line, "%04X : %02X -> %02X", a, was, now);
        if (!out.empty()) out += '\n';
        out += line;
    }
    return out;
}

long long DebugCellAddress(const cmcEeprom& image, int label, int index) {
    // Counted in 64 bits: a row far outside the image must not wrap onto a byte in it.
    long long address = -1, end = std::min<long long>(kDebugBytes, image.Size());
    if (label >= CL_EeDebugWin_0 && label <= CL_EeDebugWin_F) {
        address = static_cast<long long>(index) * 16 + (label - CL_EeDebugWin_0);
    } else if (label == CL_EeDebugWin_Adr) {
        address = static_cast<long long>(index) * 16;
    } else if (label == CL_Free_Byte_Dec) {
        address = index;
        end = image.Size();
    }
    return address >= 0 && address < end ? address : -1;
}

bool DispatchDebugCell(cmcCellCapsule& req, DebugCellContext& c) {
    if (req.cell == nullptr) return false;
    const int label = req.cell->Label;
    const int index = req.cell->Index;
    if (label >= CL_EeDebugWin_0 && label <= CL_EeDebugWin_F) {
        if (c.image == nullptr) return true;
        const long long address = DebugCellAddress(*c.image, label, index);
        if (address >= 0) ByteCell(req, c, static_cast<int>(address));
        return true;
    }
    switch (label) {
        case CL_EeDebugWin_Adr: {
            if (c.image != nullptr && DebugCellAddress(*c.image, label, index) < 0) return true;
            char text[24];
            std::snprintf(text, sizeof text, "%4llX", static_cast<long long>(index) * 16);
            Show(req, text);
            return true;
        }
        case CL_Free_Byte_Dec: {
            if (c.image == nullptr || DebugCellAddress(*c.image, label, index) < 0) return true;
            uint8_t v = c.image->GetByte(index);
            if (EditIntegerByte(req, v, IntegerRange{0, 255})) {
                c.image->SetByte(index, v);
                EvMan().Post(ev::kRepaintAll);
            }
            return true;
        }
        // The debug menu raises the events the application answers with its debug tools.
        case CL_Menu_Debug_Compare:
        case CL_Menu_Debug_CorrectComp:
        case CL_Menu_Debug_Window:
        case CL_Menu_Debug_EeWindow: {
            if (req.key != cellkey::kEnter) return true;
            const int event = label == CL_Menu_Debug_Compare       ? ev::kDebugCompare
                              : label == CL_Menu_Debug_CorrectComp ? ev::kCopyCompareBase
                              : label == CL_Menu_Debug_Window      ? ev::kOpenFreeDebug
                                                                   : ev::kOpenEepromDebug;
            EvMan().Send(event);
            return true;
        }
        default:
            return false;
    }
}

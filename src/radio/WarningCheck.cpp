#include "radio/WarningCheck.h"

#include <algorithm>
#include <array>

#include "radio/MemoryMap.h"
#include "radio/SettingsMap.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"

namespace warncheck {

namespace {

using txrules::Tx;

struct ListKind {
    int table;
    int category;
    int unusedCheck;
    int transmitCheck;
};
constexpr ListKind kLists[] = {
    {mm::kIntCh, CT_IntCh, CL_Check_Int_ChInh, CL_Check_Int_ChTx},
    {mm::kUsaCh, CT_UsaCh, CL_Check_Usa_ChInh, CL_Check_Usa_ChTx},
    {mm::kCanCh, CT_CanCh, CL_Check_Can_ChInh, CL_Check_Can_ChTx},
};

const ListKind* ListOfCategory(int category) {
    for (const ListKind& l : kLists)
        if (l.category == category) return &l;
    return nullptr;
}

// A stored name as the radio shows it: characters outside the printable set show as blanks.
template <size_t N>
std::string Trimmed(const std::array<char, N>& text) {
    std::string shown(text.data(), N);
    for (char& ch : shown)
        if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E)
            ch = ' ';
    const size_t first = shown.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return shown.substr(first, shown.find_last_not_of(' ') - first + 1);
}

std::string TrimmedText(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// A finding of one cell: the line of the warning-check list that owns it, the cell (category,
// label, row), its severity and its reason.
Finding MakeFinding(int check, int category, int label, int row, bool error, Code code) {
    Finding f;
    f.check = check;
    f.category = category;
    f.label = label;
    f.row = row;
    f.error = error;
    f.code = code;
    return f;
}

cmcEeprom* Mutable(const cmcEeprom& image) {
    // The cursor only reads here; it wants a pointer it could store through.
    return const_cast<cmcEeprom*>(&image);
}

void ChannelRow(const cmcEeprom& image, const ListKind& list, int row, std::vector<Finding>& out) {
    datCh c(Mutable(image));
    c.Load(list.table, row);
    if (!c.Addressed()) return;
    if (c.Unused()) {
        if (c.marks == 0) return;
        Finding f = MakeFinding(list.unusedCheck, list.category, CL_ChList_Atr, row, true,
                                Code::UnusedWithMark);
        f.channel = TrimmedText(c.ChannelNumberText());
        f.arg = c.marks;
        out.push_back(std::move(f));
        return;
    }
    const txrules::Verdict v = txrules::ChannelRowTransmit(image, list.table, row);
    if (v.tx == Tx::Ok) return;
    Finding f = MakeFinding(list.transmitCheck, list.category, CL_ChList_TxInh, row,
                            v.tx == Tx::Forbidden, Code::Transmit);
    f.channel = TrimmedText(c.ChannelNumberText());
    f.arg = v.channel;
    f.why = v.why;
    f.plan = txrules::PlanOfTable(list.table);
    out.push_back(std::move(f));
}

void DscChannel(const cmcEeprom& image, int modelType, int number, std::vector<Finding>& out) {
    if (!RecordExists(mm::kDscCh, number)) return;
    datCh c(Mutable(image));
    c.Load(mm::kDscCh, number);
    if (c.Unused() || (c.flags & datCh::kTxInh)) return;
    const txrules::Verdict v = txrules::DscChannelTransmit(image, number, modelType);
    if (v.tx == Tx::Ok) return;
    Finding f = MakeFinding(CL_Check_Dsc_ChTx, CT_DscCh, CL_DSC_TxInh, number,
                            v.tx == Tx::Forbidden, Code::Transmit);
    f.channel = std::to_string(number);
    f.arg = v.channel;
    f.why = v.why;
    f.plan = txrules::PlanOfModel(modelType);
    out.push_back(std::move(f));
}

void FreeRow(const cmcEeprom& image, int modelType, int row, std::vector<Finding>& out) {
    bool transmits = false;
    if (row < 0 || row >= mm::kFreeRows || !txrules::FreeRowInUse(image, row, &transmits)) return;
    datCh c(Mutable(image));
    c.Load(mm::kFreeCh, row);
    const std::string name = Trimmed(c.shortName);
    auto add = [&](int label, bool error, Code code) -> Finding& {
        out.push_back(MakeFinding(CL_Check_Free_Freq, CT_FreeCh, label, row, error, code));
        out.back().channel = name;
        return out.back();
    };
    if (c.state & datCh::kRxBlank)
        add(CL_Fch_FreqR, true, Code::FreeRxBlank);
    else if (c.rxHz < txrules::kRxLowHz || c.rxHz > txrules::kRxHighHz)
        add(CL_Fch_FreqR, true, Code::FreeRxOutside).hz = c.rxHz;
    if (transmits) {
        const txrules::Verdict v = txrules::FreeChannelTransmit(
            image, (c.state & datCh::kTxBlank) ? 0 : c.txHz, modelType);
        if (v.tx != Tx::Ok) {
            Finding& f = add(CL_Fch_FreqT, v.tx == Tx::Forbidden, Code::FreeTransmit);
            f.hz = v.hz;
            f.why = v.why;
            f.arg = v.channel;
            f.plan = txrules::PlanOfModel(modelType);
        }
    }
    if (name.empty()) add(CL_Fch_ChName, false, Code::FreeNameBlank);
}

void Weather(const cmcEeprom& image, std::vector<Finding>& out) {
    const unsigned word =
        image.GetByte(mm::kWxUnusedWord) | (image.GetByte(mm::kWxUnusedWord + 1) << 8);
    const unsigned all = (1u << mm::kWxRows) - 1;
    if ((word & all) != all) return;
    out.push_back(
        MakeFinding(CL_Check_WX_ChInh, CT_WxCh, CL_WX_ChAtr, 0, true, Code::WeatherAllOff));
}

std::string OwnDigits(const cmcEeprom& image) {
    std::array<uint8_t, 5> id{};
    for (int i = 0; i < 5; ++i) id[i] = image.GetByte(smap::kSelfId + i);
    return mmsi::DigitsOfStoredId(id);
}

void OwnId(const cmcEeprom& image, std::vector<Finding>& out) {
    const std::string digits = OwnDigits(image);
    if (digits.empty()) return;  // no own ID: the radio asks for one
    const mmsi::Fault fault = mmsi::CheckShipMmsi(digits);
    if (fault == mmsi::Fault::None) return;
    Finding f =
        MakeFinding(CL_Check_Dsc_SelfId, CT_Null, CL_ComDsc_SelfId, 0, true, Code::OwnIdFault);
    f.mmsiFault = fault;
    f.digits = digits;
    out.push_back(std::move(f));
}

// Both address books, loaded once.
class AddressBook {
  public:
    explicit AddressBook(const cmcEeprom& image) : own_(OwnDigits(image)) {
        datCh c(Mutable(image));
        for (int t : {mm::kDscIndId, mm::kDscGrpId}) {
            for (int r = 0; r < mm::kTables[t].rows; ++r) {
                c.Load(t, r);
                Entry& e = At(t, r);
                e.valid = (c.state & datCh::kLoaded) != 0;
                if (!e.valid) continue;
                e.digits = mmsi::DigitsOfStoredId(c.id);
                e.name = Trimmed(c.name);
            }
        }
    }

    void Row(int table, int row, std::vector<Finding>& out) const {
        const Entry& e = At(table, row);
        if (!e.valid) return;
        const bool individual = table == mm::kDscIndId;
        auto add = [&](bool idCell, bool error, Code code) -> Finding& {
            const int label = individual ? (idCell ? CL_DscIndId_Id : CL_DscIndId_Comment)
                                         : (idCell ? CL_DscGrpId_Id : CL_DscGrpId_Comment);
            out.push_back(MakeFinding(individual ? CL_Check_Dsc_Id : CL_Check_DscGrp_Id,
                                      individual ? CT_DscIndId : CT_DscGrpId, label, row, error,
                                      code));
            out.back().channel = e.name;
            out.back().digits = e.digits;
            return out.back();
        };
        // The kind of number: a group's in the individual book, or one station's in the group
        // book, the radio would call wrongly (errors); any other fault is a warning.
        const mmsi::Fault fault =
            individual ? mmsi::CheckShipMmsi(e.digits) : mmsi::CheckGroupMmsi(e.digits);
        if (fault != mmsi::Fault::None) {
            const mmsi::Fault wrongBook = individual ? mmsi::Fault::Group : mmsi::Fault::Individual;
            add(true, fault == wrongBook, Code::IdFault).mmsiFault = fault;
        }
        for (int r = 0; r < row; ++r) {
            const Entry& earlier = At(table, r);
            if (earlier.valid && earlier.digits == e.digits) {
                Finding& f = add(true, false, Code::IdTwice);
                f.other = r;
                f.otherTable = table;
                f.otherName = earlier.name;
                break;
            }
        }
        if (individual && !own_.empty() && e.digits == own_) add(true, false, Code::IdIsOwn);
        if (e.name.empty()) {
            add(false, true, Code::IdNameBlank);
            return;
        }
        // The same name as an entry before it, the individual book first.
        for (int t : {mm::kDscIndId, mm::kDscGrpId}) {
            const int end = t == table ? row : (t == mm::kDscIndId ? mm::kIndividualIdRows : 0);
            for (int r = 0; r < end; ++r) {
                const Entry& earlier = At(t, r);
                if (earlier.valid && earlier.name == e.name) {
                    Finding& f = add(false, false, Code::NameTwice);
                    f.other = r;
                    f.otherTable = t;
                    return;
                }
            }
        }
    }

  private:
    struct Entry {
        bool valid = false;
        std::string digits;
        std::string name;
    };
    Entry& At(int table, int row) {
        return entries_[(table == mm::kDscGrpId ? mm::kIndividualIdRows : 0) + row];
    }
    const Entry& At(int table, int row) const {
        return entries_[(table == mm::kDscGrpId ? mm::kIndividualIdRows : 0) + row];
    }

    std::string own_;
    std::array<Entry, mm::kIndividualIdRows + mm::kGroupIdRows> entries_;
};

void CallTable(const cmcEeprom& image, std::vector<Finding>& out) {
    auto at = [&](int row, int offset) {
        return image.GetByte(smap::kCallTable + smap::kCallRowSize * row + offset);
    };
    for (int row = 0; row < smap::kCallRows; ++row) {
        if (at(row, smap::kCallAlarmMax) >= at(row, smap::kCallAlarmMin)) continue;
        out.push_back(MakeFinding(CL_Check_Dsc_Call, CT_Null, CL_DscCall_Alarm_Max, row, true,
                                  Code::CallAlarmRange));
    }
    // Rows 8 and 10, and 9 and 11, are the two halves of one call.
    for (int row : {10, 11}) {
        if (at(row, smap::kCallTx) == at(row - 2, smap::kCallTx)) continue;
        Finding f =
            MakeFinding(CL_Check_Dsc_Tx, CT_Null, CL_DscCall_Tx, row, true, Code::CallHalvesDiffer);
        f.other = row - 2;
        out.push_back(std::move(f));
    }
}

void SoftKeys(const cmcEeprom& image, std::vector<Finding>& out) {
    const uint8_t sw = image.GetByte(smap::kFunctionSwitches);
    const uint8_t sw2 = image.GetByte(smap::kFunctionSwitches2);
    for (int row = 0; row < smap::kSoftKeyCount; ++row) {
        const int function = image.GetByte(smap::kSoftKeys + row);
        if (smap::SoftKeyAvailable(function, sw, sw2)) continue;
        Finding f = MakeFinding(CL_Check_Conf_Softkey, CT_Null, CL_ComConf_KeyAssign_SoftKey, row,
                                true, Code::SoftKeyIdle);
        f.arg = function;
        out.push_back(std::move(f));
    }
}

void Inland(const cmcEeprom& image, int modelType, std::vector<Finding>& out) {
    if (!txrules::DscOnInland(image, modelType)) return;
    out.push_back(
        MakeFinding(CL_Check_Dsc_Inland, CT_Null, CL_ComDsc_IntCh, 0, true, Code::DscOnInland));
}

}  // namespace

std::vector<Finding> CheckImage(const cmcEeprom& image, int modelType) {
    std::vector<Finding> out;
    for (const ListKind& list : kLists)
        for (int row = 0; row < mm::kChannelRows; ++row) ChannelRow(image, list, row, out);
    Weather(image, out);
    OwnId(image, out);
    const AddressBook book(image);
    for (int r = 0; r < mm::kIndividualIdRows; ++r) book.Row(mm::kDscIndId, r, out);
    for (int r = 0; r < mm::kGroupIdRows; ++r) book.Row(mm::kDscGrpId, r, out);
    CallTable(image, out);
    SoftKeys(image, out);
    for (int n = 1; n <= 2088; ++n) DscChannel(image, modelType, n, out);
    for (int r = 0; r < mm::kFreeRows; ++r) FreeRow(image, modelType, r, out);
    Inland(image, modelType, out);
    return out;
}

std::vector<Finding> CheckOwnIdentity(const cmcEeprom& image) {
    std::vector<Finding> out;
    OwnId(image, out);
    const AddressBook book(image);
    for (int r = 0; r < mm::kIndividualIdRows; ++r) book.Row(mm::kDscIndId, r, out);
    for (int r = 0; r < mm::kGroupIdRows; ++r) book.Row(mm::kDscGrpId, r, out);
    return out;
}

std::vector<Finding> FindingsOfCell(const cmcEeprom& image, int modelType, int category, int label,
                                    int row) {
    std::vector<Finding> all;
    if (const ListKind* list = ListOfCategory(category)) {
        ChannelRow(image, *list, row, all);
    } else if (category == CT_DscCh) {
        DscChannel(image, modelType, row, all);
    } else if (category == CT_FreeCh) {
        FreeRow(image, modelType, row, all);
    } else if (category == CT_WxCh) {
        Weather(image, all);
    } else if (category == CT_DscIndId || category == CT_DscGrpId) {
        const int table = category == CT_DscIndId ? mm::kDscIndId : mm::kDscGrpId;
        if (row >= 0 && row < mm::kTables[table].rows) AddressBook(image).Row(table, row, all);
    }
    std::vector<Finding> mine;
    for (Finding& f : all)
        if (f.label == label) mine.push_back(std::move(f));
    return mine;
}

uint8_t MarkOf(const std::vector<Finding>& findings) {
    uint8_t bits = 0;
    for (const Finding& f : findings) bits |= f.error ? 8 : 4;
    return bits;
}

}  // namespace warncheck

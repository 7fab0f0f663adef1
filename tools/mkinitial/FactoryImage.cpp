#include "mkinitial/FactoryImage.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <vector>

#include "app/RadioModel.h"
#include "radio/AddressRange.h"
#include "radio/MemoryMap.h"
#include "radio/SettingsMap.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"

namespace {

// Fixed channel rows (everything below the free-channel rows) by their displayed number.
const std::map<std::string, int>& RowsByNumber() {
    static const std::map<std::string, int> rows = [] {
        std::map<std::string, int> m;
        datCh c;
        for (int r = 0; r < mm::kFirstFreeRow; ++r) {
            c.row = r;
            std::string text = c.ChannelNumberText();
            while (!text.empty() && text.back() == ' ') text.pop_back();
            m.emplace(text, r);
        }
        return m;
    }();
    return rows;
}

std::string NumberText(const PlanChannel& ch) {
    switch (ch.kind) {
        case DesignatorKind::Plain:
            return std::to_string(ch.number);
        case DesignatorKind::A:
            return std::to_string(ch.number) + "A";
        case DesignatorKind::Ship:
            return std::to_string(1000 + ch.number);
        case DesignatorKind::Coast:
            return std::to_string(2000 + ch.number);
    }
    return std::string();
}

template <size_t N>
void SetText(std::array<char, N>& field, const std::string& text) {
    field.fill(' ');
    for (size_t i = 0; i < N && i < text.size(); ++i) field[i] = text[i];
}

bool Transmits(ChannelMode mode) {
    return mode == ChannelMode::Simplex || mode == ChannelMode::Duplex;
}

// A channel table of the plan laid out by row.
struct RowPlan {
    const PlanChannel* byRow[mm::kFirstFreeRow] = {};
};

RowPlan LayOut(const PlanTable& table) {
    RowPlan p;
    for (const auto& ch : table.channels) {
        const int row = ChannelRowOf(ch);
        if (row >= 0) p.byRow[row] = &ch;
    }
    return p;
}

void ApplySettings(const FactoryPlan& plan, int type, cmcEeprom& image) {
    for (const auto& s : plan.settings) {
        if (!s.AppliesTo(type)) continue;
        for (size_t i = 0; i < s.bytes.size(); ++i)
            image.SetByte(s.address + static_cast<int>(i),
                          s.modelTypeByte ? static_cast<uint8_t>(type) : s.bytes[i]);
    }
}

void WriteChannelTable(cmcEeprom& image, int table, const RowPlan& rows,
                       const std::vector<std::string>& names, const std::vector<bool>& freeUsed) {
    datCh c(&image);
    for (int r = 0; r < mm::kChannelRows; ++r) {
        c.Load(table, r);
        c.flags = datCh::kUnused;
        c.marks = 0;
        if (r < mm::kFirstFreeRow) {
            SetText(c.name, names[r]);
            if (const PlanChannel* ch = rows.byRow[r]; ch && ch->mode != ChannelMode::Unused) {
                c.flags = 0;
                // Receive-only channels listen on the ship frequency: simplex, transmit inhibited.
                if (ch->mode != ChannelMode::Duplex) c.flags |= datCh::kSimplex;
                if (ch->mode == ChannelMode::RxOnly) c.flags |= datCh::kTxInh;
                if (ch->markP) c.marks |= datCh::kMarkP;
                if (ch->markC) c.marks |= datCh::kMarkC;
            }
        } else {
            SetText(c.name, "");
            if (freeUsed[r - mm::kFirstFreeRow]) c.flags = 0;
        }
        c.Store();
    }
}

}  // namespace

int ChannelRowOf(const PlanChannel& channel) {
    const auto& rows = RowsByNumber();
    auto it = rows.find(NumberText(channel));
    return it == rows.end() ? -1 : it->second;
}

bool BuildFactoryImage(const FactoryPlan& plan, int type, cmcEeprom* image, std::string* error) {
    const PlanModel* model = plan.Model(type);
    if (!model) {
        if (error) *error = "no model type " + std::to_string(type) + " in the roster";
        return false;
    }
    image->SetSize(cmcEeprom::kImageSize);
    ApplySettings(plan, type, *image);

    const RowPlan intl = LayOut(plan.international);
    const RowPlan usa = LayOut(plan.usa);
    const RowPlan can = LayOut(plan.canada);

    // The three channel tables share one name per row: the model's primary table names it first.
    std::vector<const RowPlan*> byPreference = {&intl, &usa, &can};
    if (model->primary == "usa") byPreference = {&usa, &intl, &can};
    if (model->primary == "can") byPreference = {&can, &intl, &usa};
    std::vector<std::string> names(mm::kFirstFreeRow);
    for (int r = 0; r < mm::kFirstFreeRow; ++r) {
        for (const RowPlan* p : byPreference) {
            const PlanChannel* ch = p->byRow[r];
            if (ch && ch->mode != ChannelMode::Unused && !ch->name.empty()) {
                names[r] = ch->name;
                break;
            }
        }
    }
    // A 10nn row that no list uses still names DSC channel 10nn, which is the nnA channel.
    for (int n = 1; n <= 88; ++n) {
        PlanChannel ship, a;
        ship.kind = DesignatorKind::Ship;
        a.kind = DesignatorKind::A;
        ship.number = a.number = n;
        const int shipRow = ChannelRowOf(ship), aRow = ChannelRowOf(a);
        if (shipRow >= 0 && aRow >= 0 && names[shipRow].empty()) names[shipRow] = names[aRow];
    }

    // Free channels first: storing one sets the simplex flag of its row in the channel tables.
    std::vector<bool> freeUsed(mm::kTables[mm::kFreeCh].rows, false);
    datCh c(image);
    for (int r = 0; r < mm::kTables[mm::kFreeCh].rows; ++r) {
        c.Blank(mm::kFreeCh, r);
        SetText(c.shortName, "");
        for (const auto& f : plan.free) {
            if (f.row != r || !(f.models.empty() || std::find(f.models.begin(), f.models.end(),
                                                              type) != f.models.end()))
                continue;
            c.state = 0;
            c.rxHz = f.rxHz;
            c.txHz = f.txHz;
            SetText(c.shortName, f.shortName);
            freeUsed[r] = f.used;
        }
        c.Store();
    }

    WriteChannelTable(*image, mm::kIntCh, intl, names, freeUsed);
    WriteChannelTable(*image, mm::kUsaCh, usa, names, freeUsed);
    WriteChannelTable(*image, mm::kCanCh, can, names, freeUsed);

    for (int r = 0; r < mm::kTables[mm::kWxCh].rows; ++r) {
        c.Load(mm::kWxCh, r);
        c.flags = datCh::kUnused;
        SetText(c.name, "");
        for (const auto& w : plan.weather) {
            if (w.row != r) continue;
            if (w.used) c.flags = 0;
            SetText(c.name, w.name);
        }
        c.Store();
    }

    // DSC channels: what the model's channel modes let the radio transmit on, with the "A"
    // channels under their four-digit numbers as DSC calls name them.
    struct DscUse {
        bool used = false;
        bool simplex = false;
    };
    std::map<int, DscUse> dsc;
    struct Offered {
        const PlanTable* table;
        bool dsc;  // the DSC switch of the channel mode
    };
    const uint8_t dscSwitches = image->GetByte(smap::kDscChannelSwitches);
    std::vector<Offered> offered = {{&plan.international, (dscSwitches & 0x02) != 0}};
    if (model->usaCh) offered.push_back({&plan.usa, (dscSwitches & 0x01) != 0});
    if (model->canCh) offered.push_back({&plan.canada, (dscSwitches & 0x04) != 0});
    auto dscNumber = [](const PlanChannel& ch) {
        return ch.kind == DesignatorKind::Plain ? ch.number : 1000 + ch.number;
    };
    // A channel that any list the radio offers keeps receive-only must not be proposed for a
    // DSC call either: the call would move the voice radio onto it to transmit.
    std::set<int> receiveOnly;
    for (const Offered& o : offered)
        for (const auto& ch : o.table->channels)
            if (ch.mode == ChannelMode::RxOnly && ch.kind != DesignatorKind::Coast)
                receiveOnly.insert(dscNumber(ch));
    for (const Offered& o : offered) {
        if (!o.dsc) continue;
        for (const auto& ch : o.table->channels) {
            if (!Transmits(ch.mode) || ch.kind == DesignatorKind::Coast) continue;
            const int n = dscNumber(ch);
            if (receiveOnly.count(n)) continue;
            DscUse& u = dsc[n];
            if (u.used) continue;
            u.used = true;
            u.simplex = ch.mode == ChannelMode::Simplex;
        }
    }
    dsc[16].used = true;
    for (int n = 1; n <= 2088; ++n) {
        if (!RecordExists(mm::kDscCh, n)) continue;
        c.Load(mm::kDscCh, n);
        const DscUse u = dsc.count(n) ? dsc[n] : DscUse{};
        c.flags = u.used ? 0 : datCh::kUnused;
        if (u.simplex || n > 1000) c.flags |= datCh::kSimplex;
        c.Store();
    }

    for (int table : {mm::kDscIndId, mm::kDscGrpId}) {
        for (int r = 0; r < mm::kTables[table].rows; ++r) {
            c.Blank(table, r);
            SetText(c.name, "");
            c.Store();
        }
    }

    // Finish as Save would: adopting the image against itself fills in what the radio derives
    // (the mirror of the version block with its check byte, the current P channels). Repeat
    // until nothing changes, so that adopting the shipped image is a no-op.
    cmcEeprom reference, unused;
    RadioModel adopter(unused, reference);
    adopter.SetModelType(type);
    for (int round = 0;; ++round) {
        reference.Assign(*image);
        adopter.AdoptImage(*image, true);
        if (image->Equals(reference)) break;
        if (round == 3) {
            if (error) *error = "model type " + std::to_string(type) + ": adoption does not settle";
            return false;
        }
    }
    return true;
}

std::string FactoryFileText(cmcEeprom* image) {
    cmcClnFile file;
    file.Attach(image);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    file.SetMapRevision(cmcClnFile::kMapRevision);
    file.SetComment(cmcClnFile::CommentFromImage(*image));
    return file.FormatText(kDocumentRanges);
}

#include "app/RadioModel.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/FileMessages.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "platform/Fatal.h"
#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "radio/MemoryMap.h"
#include "radio/SettingsCells.h"
#include "radio/SettingsMap.h"
#include "radio/ValueEditors.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "sheet/ModelTypes.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

using mm::kCanCh;
using mm::kDscGrpId;
using mm::kDscIndId;
using mm::kFreeCh;
using mm::kIntCh;
using mm::kUsaCh;
using mm::kWxCh;

int Rows(int table) {
    return mm::kTables[table].rows;
}

// Names come into line with what the radio can show.
void NormaliseName(datCh& ch) {
    LcdFilter(ch.name.data(), static_cast<int>(ch.name.size()));
}
void NormaliseShortName(datCh& ch) {
    ShortNameFilter(ch.shortName.data());
}

uint8_t Get(const cmcEeprom& image, int address) {
    return image.GetByte(address);
}

void CopyBytes(cmcEeprom& image, const cmcEeprom& from, int address, int count) {
    for (int i = 0; i < count; ++i) image.SetByte(address + i, from.GetByte(address + i));
}

template <size_t N>
void CopyAreasFrom(cmcEeprom& image, const cmcEeprom& from, const smap::AdoptArea (&areas)[N],
                   bool forSave, bool regional) {
    for (const smap::AdoptArea& c : areas) {
        if (c.when == smap::AdoptWhen::ForSave && !forSave) continue;
        if (c.when == smap::AdoptWhen::NotRegional && !regional) continue;
        CopyBytes(image, from, c.address, c.count);
    }
}

void CopyBits(cmcEeprom& image, const cmcEeprom& from, int address, uint8_t mask) {
    uint8_t v =
        static_cast<uint8_t>((image.GetByte(address) & ~mask) | (from.GetByte(address) & mask));
    image.SetByte(address, v);
}

bool ExceptRegionalTypes(int type) {
    return !UsesUsLists(type);
}

std::string AppTitle() {
    return GTex().GetLine(keys::kSysAppTitle, 0);
}

// Soft-key defaults when the reference's set does not fit the enabled functions.
constexpr uint8_t kSoftKeysScanOnly[] = {0x21, 0x22, 0x23, 0x24, 0x00, 0x03,
                                         0x02, 0x05, 0x06, 0x07, 0x08};
constexpr uint8_t kSoftKeysWatchOnly[] = {0x21, 0x22, 0x23, 0x24, 0x01, 0x03,
                                          0x02, 0x05, 0x06, 0x07, 0x08};
constexpr uint8_t kSoftKeysNeither[] = {0x21, 0x22, 0x23, 0x24, 0x03, 0x02, 0x05, 0x06, 0x07, 0x08};
constexpr uint8_t kSoftKeyFiller = 0x09;

}  // namespace

RadioModel::RadioModel(cmcEeprom& working, cmcEeprom& reference, RadioModelHost* host)
    : working_(working), reference_(reference), host_(host) {}

bool RadioModel::IsOwnImage(const cmcEeprom& image, bool strict) const {
    if (image.Size() <= smap::kMapMarker || Get(image, smap::kMapMarker) != 1) return false;
    if (!strict) return true;
    static const char kMaker[] = "Vexa Inc";
    for (int i = 0; i < smap::kMakerStringLength; ++i) {
        if (Get(image, smap::kMakerString + i) != static_cast<uint8_t>(kMaker[i])) return false;
    }
    return true;
}

int RadioModel::VersionNumber(uint8_t c0, uint8_t c1, uint8_t c2, uint8_t c3) {
    const uint8_t c[4] = {c0, c1, c2, c3};
    int n = 0;
    for (uint8_t d : c) {
        // Anything but a digit makes the version unknown, the oldest there is.
        if (d < '0' || d > '9') return 0;
        n = n * 10 + (d - '0');
    }
    return n;
}

int RadioModel::ImageVersion(const cmcEeprom& image) {
    const int* a = smap::kVersionDigits;
    return VersionNumber(Get(image, a[0]), Get(image, a[1]), Get(image, a[2]), Get(image, a[3]));
}

uint8_t RadioModel::ComplementSum(const cmcEeprom& image, int first, int count) {
    unsigned sum = 0;
    for (int i = 0; i < count; ++i) sum += Get(image, first + i);
    return static_cast<uint8_t>(~sum & 0xFF);
}

void RadioModel::OnImageLoaded(cmcEeprom& image) {
    // A file made for a model type this program does not know stays with the current one: it
    // has no factory image to switch to, and a bad file must not end the program.
    const int type = Get(image, smap::kModelIndex);
    if (type < ModelTypeCount()) ChangeModel(type, false);
    AdoptImage(image, false);
    EvMan().Send(ev::kRebuildTree);
}

void RadioModel::AdoptChannels(cmcEeprom& image) {
    datCh ch(&image);
    // The flag byte takes the reference's value; committing then writes back what the cursor
    // read before, so the bits the cursor stores stay the image's own.
    const struct {
        int table;
        int flagBase;
    } tables[] = {{kUsaCh, mm::kTables[kUsaCh].flagBase},
                  {kIntCh, mm::kTables[kIntCh].flagBase},
                  {kCanCh, mm::kTables[kCanCh].flagBase}};
    for (const auto& t : tables) {
        for (int row = 0; row < Rows(t.table); ++row) {
            ch.Load(t.table, row);
            image.SetByte(t.flagBase + row, Get(reference_, t.flagBase + row));
            if (ch.state & datCh::kLoaded) ch.Commit();
        }
    }
    const mm::TableLayout& free = mm::kTables[kFreeCh];
    for (int row = 0; row < free.rows; ++row) {
        ch.Load(kFreeCh, row);
        CopyBytes(image, reference_, free.recordBase + free.recordSize * row, free.recordSize);
        NormaliseShortName(ch);
        ch.Commit();
    }
}

void RadioModel::AdoptFixedValues(cmcEeprom& image, bool forSave) {
    if (forSave) {
        for (int i = 0; i < 3; ++i) {
            image.SetByte(smap::kCurrentPChannels + 2 * i, Get(image, mm::kPChannelRows + 2 * i));
            image.SetByte(smap::kCurrentPChannels + 2 * i + 1,
                          Get(image, mm::kPChannelRows + 2 * i + 1));
        }
    }
    const bool regional = ExceptRegionalTypes(modelType_);
    if (!smap::UserSetsWeather(modelType_)) {
        CopyBytes(image, reference_, mm::kWxUnusedWord, 2);
        CopyBits(image, reference_, smap::kFunctionSwitches, 1u << smap::kFnWx);
    }
    if (forSave) {
        image.SetByte(smap::kWeatherStart, Get(reference_, smap::kWeatherStart));
        datCh ch(&image);
        for (int row = 0; row < Rows(kWxCh); ++row) {
            ch.Load(kWxCh, row);
            if (!ch.Unused()) {
                image.SetByte(smap::kWeatherStart, static_cast<uint8_t>(row));
                break;
            }
        }
    }
    CopyAreasFrom(image, reference_, smap::kAdoptSettings, forSave, regional);
}

void RadioModel::AdoptSoftKeys(cmcEeprom& image) {
    const bool scan = smap::ScanSwitchedOn(Get(image, smap::kFunctionSwitches));
    const bool watch = smap::WatchSwitchedOn(Get(image, smap::kFunctionSwitches2));
    if (scan && watch) {
        CopyBytes(image, reference_, smap::kSoftKeys, smap::kSoftKeyCount);
        return;
    }
    const uint8_t* keys = scan ? kSoftKeysScanOnly : watch ? kSoftKeysWatchOnly : kSoftKeysNeither;
    const int n = scan    ? sizeof kSoftKeysScanOnly
                  : watch ? sizeof kSoftKeysWatchOnly
                          : sizeof kSoftKeysNeither;
    for (int i = 0; i < smap::kSoftKeyCount; ++i) {
        image.SetByte(smap::kSoftKeys + i, i < n ? keys[i] : kSoftKeyFiller);
    }
}

void RadioModel::AdoptNames(cmcEeprom& image) {
    datCh ch(&image);
    for (int row = 0; row < Rows(kUsaCh); ++row) {
        ch.Load(kUsaCh, row);
        NormaliseName(ch);
        ch.Commit();
    }
    for (int row = 0; row < Rows(kWxCh); ++row) {
        ch.Load(kWxCh, row);
        NormaliseName(ch);
        ch.Commit();
    }
}

void RadioModel::AdoptDscSetup(cmcEeprom& image) {
    for (int slot = smap::kDscChannelRefFirst; slot <= smap::kDscChannelRefLast; ++slot) {
        CopyBits(image, reference_, smap::kDscChannelRefBits + slot, 0x02);
    }

    // A broken own ID (a byte that is no pair of digits, or a wrong check byte) is replaced by
    // the reference's whole area; a sound one keeps its value.
    bool broken = false;
    for (int i = 0; i < 5; ++i) broken = broken || Get(image, smap::kSelfId + i) > 99;
    broken = broken || Get(image, smap::kSelfIdCheck) != ComplementSum(image, smap::kSelfId, 5);
    if (broken) {
        CopyBytes(image, reference_, smap::kSelfId, smap::kSelfIdArea);
    } else {
        image.SetByte(smap::kSelfIdSpare, 0);
    }
    // The check byte agrees with the ID from here on (the reference's may not), so showing
    // the ID never has to mend it.
    uint8_t id[5];
    for (int i = 0; i < 5; ++i) id[i] = Get(image, smap::kSelfId + i);
    image.SetByte(smap::kSelfIdCheck, SelfIdCheckByte(id));

    CopyBytes(image, reference_, smap::kAdoptDscArea, smap::kAdoptDscAreaLength);
    for (int i = 0; i < smap::kCallRows; ++i) {
        CopyBytes(image, reference_, smap::kCallTable + smap::kCallRowSize * i + smap::kCallFixed,
                  1);
    }
    for (int a : smap::kAdoptDscBytes) CopyBytes(image, reference_, a, 1);
    for (int i = 0; i < smap::kAdoptDscSeriesCount; ++i) {
        CopyBytes(image, reference_, smap::kAdoptDscSeries + smap::kCallRowSize * i, 1);
    }

    // Alarm groups: the reference decides the kind and the fixed flags, the hidden third byte
    // follows the volume.
    for (int g = 0; g < smap::kAlarmGroupCount; ++g) {
        const int a = smap::kAlarmGroups + smap::kAlarmGroupSize * g;
        const int volume = a + 1;
        const bool userShutdown = volume == smap::kAlarmVolPosCeases ||
                                  volume == smap::kAlarmVolPos4hr ||
                                  volume == smap::kAlarmVolPos23hr;
        CopyBytes(image, reference_, a, 1);
        CopyBits(image, reference_, a + 3, userShutdown ? 0x10 : 0x11);
        if (volume == smap::kAlarmVolFollowsDistress) {
            image.SetByte(a + 1, Get(image, smap::kAlarmVolDistressTx));
            image.SetByte(a + 2, Get(image, smap::kAlarmVolDistressTx));
        } else {
            image.SetByte(a + 2, Get(image, a + 1));
        }
    }

    datCh ch(&image);
    for (int table : {kDscIndId, kDscGrpId}) {
        for (int row = 0; row < Rows(table); ++row) {
            ch.Load(table, row);
            NormaliseName(ch);
            ch.Commit();
        }
    }

    for (int e = 0; e < smap::kCallBookCount; ++e) {
        for (int a : smap::kCallBookBytes) CopyBytes(image, reference_, a + e, 1);
        for (int a : smap::kCallBookRecords) {
            CopyBytes(image, reference_, a + smap::kCallBookRecordSize * e,
                      smap::kCallBookRecordSize);
        }
    }
}

void RadioModel::AdoptVersionBlock(cmcEeprom& image) {
    if (ImageVersion(image) < ImageVersion(reference_)) {
        CopyBytes(image, reference_, smap::kVersionBlock, smap::kVersionBlockLength);
    }
    for (int i = 0; i < smap::kVersionBlockLength; ++i) {
        image.SetByte(smap::kVersionMirror + i, Get(image, smap::kVersionBlock + i));
    }
    image.SetByte(smap::kVersionMirrorFlag, Get(image, smap::kVersionMirrorFlag) | 0x80);
    image.SetByte(smap::kVersionMirrorCheck,
                  ComplementSum(image, smap::kVersionMirror, smap::kVersionBlockLength - 1));
}

void RadioModel::AdoptImage(cmcEeprom& image, bool forSave) {
    AdoptChannels(image);
    AdoptFixedValues(image, forSave);
    AdoptSoftKeys(image);
    CopyAreasFrom(image, reference_, smap::kAdoptRadioSetup, forSave,
                  ExceptRegionalTypes(modelType_));
    AdoptNames(image);
    AdoptDscSetup(image);
    AdoptVersionBlock(image);
}

void RadioModel::AdjustImage(cmcEeprom& image) {
    // Entries are read from a copy, so moving one never overwrites one still to be read.
    cmcEeprom copy;
    copy.Assign(image);
    datCh from(&copy);
    const int tables[2] = {kDscIndId, kDscGrpId};  // indexed by the kind of the entry
    int next[2] = {0, 0};                          // next free row of each table
    for (int table : tables) {
        for (int row = 0; row < Rows(table); ++row) {
            from.Load(table, row);
            const int kind = from.kind;
            if (kind != mm::kKindIndividual && kind != mm::kKindGroup) continue;
            if (next[kind] >= Rows(tables[kind])) continue;
            datCh to = from;
            to.image = &image;
            to.table = tables[kind];
            to.row = next[kind]++;
            to.Store();
        }
    }
    datCh blank(&image);
    for (int t = 0; t < 2; ++t) {
        for (int row = next[t]; row < Rows(tables[t]); ++row) {
            blank.Blank(tables[t], row);
            blank.Commit();
        }
    }
}

int RadioModel::ModelTypeCount() const {
    constexpr int kMaxTypes = 256;
    int n = 0;
    while (n < kMaxTypes) {
        const std::string line = GTex().GetLine(keys::kAppInitialFile, n);
        if (line.empty() || line[0] == '#') break;
        ++n;
    }
    return n;
}

std::string RadioModel::InitialFilePath(int type) const {
    const std::string folder = initialFolder_.empty() ? platform::ProgramFolder() : initialFolder_;
    return platform::JoinPath(folder, GTex().GetLine(keys::kAppInitialFile, type));
}

void RadioModel::LoadInitialFile(int type) {
    const std::string path = InitialFilePath(type);
    cmcClnFile file;
    file.Attach(&reference_);
    file.SetCodes(kModelCode, kSubCode);
    file.SetRevisionCheck(&cmcClnFile::AcceptCurrentRevision, nullptr);
    const FileError rc = file.Read(path, kDocumentRanges);
    ReportFileError(rc, path);
    if (rc != FileError::kNone || !IsOwnImage(reference_, false)) {
        platform::FatalStop("Cannot open '" + path + "'.");
    }
    // The factory image of another model type would be handed out as this one's.
    if (const int made = Get(reference_, smap::kModelIndex); made != type) {
        platform::FatalStop("Cannot open '" + path +
                            "': it holds the factory image of model type " + std::to_string(made) +
                            ", not of model type " + std::to_string(type) + ".");
    }
    AdoptImage(reference_, false);
}

bool RadioModel::AskCaution(const char* key) {
    const int answer =
        platform::GetPrompter().Show(GTex().GetText(key), AppTitle(), platform::PromptIcon::Warning,
                                     platform::PromptButtons::OkCancel);
    return answer == platform::kAnswerOk;
}

bool RadioModel::ChangeModel(int newType, bool confirm) {
    if (newType == modelType_) return false;
    if (confirm && !AskCaution(keys::kAppMessChangeModel)) return false;
    modelType_ = newType;
    if (host_) host_->ModelTypeChanged(newType);
    LoadInitialFile(newType);
    if (confirm) {
        working_.Assign(reference_);
        if (host_) host_->DocumentReset();
    }
    if (host_) host_->BuildTree();
    return true;
}

bool RadioModel::ConfirmMakerWrite() {
    if (!makerMode_) return true;
    return AskCaution(keys::kMessMakerCaution);
}

bool RadioModel::EnterManufacturerMode() {
    if (makerMode_) return false;
    if (!AskCaution(keys::kMessMakerCaution)) return false;
    makerMode_ = true;
    if (host_) host_->BuildTree();
    return true;
}

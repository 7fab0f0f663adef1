#include "sim/SimImageFiles.h"

#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/FileReader.h"
#include "platform/Folders.h"
#include "radio/AddressRange.h"
#include "radio/cmcClnFile.h"

namespace {

// The factory image a radio of model type 2 leaves the factory with.
const char kFactoryFile[] = "KELDA02.kcf";

// A clone file is about 45 KB; the programs refuse one far larger without reading it.
constexpr int64_t kLargestFile = 16 * 1024 * 1024;

bool ReadCloneFile(const std::string& path, cmcEeprom& image, std::string& error) {
    // A plain file only, read up to the bound: a device or a pipe named by mistake neither
    // fills the memory nor waits for a writer.
    platform::FileReader in;
    std::string text;
    platform::FileStatus status = in.Open(path);
    if (status == platform::FileStatus::Ok) status = in.ReadAll(kLargestFile, text);
    switch (status) {
        case platform::FileStatus::Ok:
            break;
        case platform::FileStatus::TooLarge:
            error = path + ": too large for a clone file";
            return false;
        default:
            error = path + ": cannot be read (" + in.Reason() + ")";
            return false;
    }
    cmcClnFile file;
    file.Attach(&image);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    file.SetRevisionCheck(&cmcClnFile::AcceptCurrentRevision, nullptr);
    const FileError code = file.ReadText(text, kDocumentRanges);
    if (code != FileError::kNone) {
        error = path + ": not a clone file of this radio (file error " +
                std::to_string(FileErrorNumber(code)) + ")";
        return false;
    }
    return true;
}

}  // namespace

bool LoadSimImage(const std::string& path, cmcEeprom& image, std::string& error) {
    image.SetSize(cmcEeprom::kImageSize);
    if (!path.empty()) return ReadCloneFile(path, image, error);
    const std::string data = platform::FindDataFolder();
    std::string factory = platform::JoinPath(data, kFactoryFile);
    if (!data.empty() && platform::FileReader().Open(factory) == platform::FileStatus::Ok)
        return ReadCloneFile(factory, image, error);
    // No factory image: a blank memory that still passes the identity checks.
    image.SetByte(0x0F1A, 1);
    image.SetByte(0x0F19, 2);
    return true;
}

bool SaveSimImage(const std::string& path, const cmcEeprom& image, std::string& error) {
    cmcEeprom copy;
    copy.Assign(image);
    cmcClnFile file;
    file.Attach(&copy);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    file.SetMapRevision(cmcClnFile::kMapRevision);
    file.SetComment(cmcClnFile::CommentFromImage(copy));
    std::string reason;
    if (platform::WriteFileAtomically(path, file.FormatText(kDocumentRanges), &reason) !=
        platform::WriteResult::Ok) {
        error = path + ": " + reason;
        return false;
    }
    return true;
}

#include "sim/SimImageFiles.h"

#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/Folders.h"
#include "radio/AddressRange.h"
#include "radio/cmcClnFile.h"

namespace {

// The factory image a radio of model type 2 leaves the factory with.
const char kFactoryFile[] = "KELDA02.kcf";

bool ReadCloneFile(const std::string& path, cmcEeprom& image, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be opened";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    cmcClnFile file;
    file.Attach(&image);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    file.SetRevisionCheck(&cmcClnFile::AcceptCurrentRevision, nullptr);
    int code = file.ReadText(text.str(), kDocumentRanges);
    if (code != FileErr_None) {
        error = path + ": not a clone file of this radio (file error " + std::to_string(code) + ")";
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
    if (!data.empty() && std::ifstream(factory).good()) return ReadCloneFile(factory, image, error);
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

#pragma once
// One run of the clone file reader over arbitrary bytes, checking what must hold for any input:
// the result is a known code, a refused file leaves the image exactly as it was, and an accepted
// document reads back unchanged once written out again. Shared by the fuzz target and the
// corpus test so both check the same things.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"

namespace fuzz {

inline bool AcceptAnyRevision(int, void*) {
    return true;
}

// Empty when every check holds; otherwise what broke.
inline std::string CheckCloneFileRead(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    cmcEeprom image;
    image.SetSize(cmcEeprom::kImageSize);
    for (int a = 0; a < image.Size(); ++a) image.SetByte(a, static_cast<uint8_t>(a * 13 + 5));
    cmcEeprom before;
    before.Assign(image);

    cmcClnFile file;
    file.Attach(&image);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    // Both the program's strict check and one that lets every revision through to the data.
    for (auto check : {&cmcClnFile::AcceptCurrentRevision, &AcceptAnyRevision}) {
        file.SetRevisionCheck(check, nullptr);
        for (const AddressRange* list : {static_cast<const AddressRange*>(kDocumentRanges),
                                         static_cast<const AddressRange*>(nullptr)}) {
            image.Assign(before);
            const FileError code = file.ReadText(text, list);
            const int number = FileErrorNumber(code);
            if (number < FileErrorNumber(FileError::kNone) ||
                number > FileErrorNumber(FileError::kData))
                return "unknown code " + std::to_string(number);
            if (code != FileError::kNone) {
                if (!image.Equals(before)) return "refused file changed the image";
                continue;
            }
            if (!list) continue;
            if (file.CheckCoverage(list) != FileError::kNone) return "accepted file lacks coverage";
            // Written out and read again, an accepted document gives the same bytes.
            cmcEeprom again;
            again.SetSize(cmcEeprom::kImageSize);
            cmcClnFile writer;
            writer.Attach(&image);
            writer.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
            writer.SetMapRevision(cmcClnFile::kMapRevision);
            cmcClnFile reader;
            reader.Attach(&again);
            reader.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
            reader.SetRevisionCheck(&cmcClnFile::AcceptCurrentRevision, nullptr);
            if (reader.ReadText(writer.FormatText(list), list) != FileError::kNone)
                return "rewritten document refused";
            for (int a = kDocumentRanges[0].first; a <= kDocumentRanges[0].last; ++a)
                if (again.GetByte(a) != image.GetByte(a)) return "rewritten document differs";
        }
    }
    return {};
}

}  // namespace fuzz

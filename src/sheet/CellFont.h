#pragma once
// The font of a cell, and the fields of the markup's font attribute that change it.
#include <cstdint>
#include <string>
#include <string_view>

// Style bits.
enum : uint8_t {
    kFsBold = 1,
    kFsItalic = 2,
    kFsUnderline = 4,
    kFsStrikeOut = 8,
};

// Pitch values.
enum : uint8_t {
    kFpDefault = 0,
    kFpFixed = 1,
    kFpVariable = 2,
};

class CellFont {
  public:
    // A fresh font: default face and character set, window text colour, 8 points.
    CellFont();

    std::string Face;
    int32_t Charset;
    uint32_t Color;
    // Pixels; negative gives the character height without internal leading. Height and Size
    // describe one font and move together (at 96 pixels per inch), as the platform's fonts do.
    int32_t Height;
    int32_t Size;  // points
    uint8_t Style = 0;
    uint8_t Pitch = kFpDefault;

    void SetHeight(int32_t height);
    void SetSize(int32_t points);

    bool operator==(const CellFont&) const = default;
};

// Applies the comma-separated fields "charset,face,colour,height,size,styles,pitch" in order. An
// absent field ends the list; fields past the seventh are ignored; unknown names change nothing.
void ApplyFontFields(CellFont& font, std::string_view fields);

// The face a font gets when none is named; depends on the user's language.
const std::string& DefaultFaceName();

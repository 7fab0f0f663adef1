#pragma once
// Record cursor: loads one record of one record table from the image into a uniform
// structure, lets cell handlers change it, and stores it back. A plain value: copies are
// independent (the row clipboard holds arrays of them).
#include <array>
#include <cstdint>
#include <string>

class cmcEeprom;

// Whether a table has this row (DSC channels: whether the radio uses this channel number).
bool RecordExists(int table, int row);

class datCh {
  public:
    // flags
    static constexpr uint8_t kUnused = 0x01;
    static constexpr uint8_t kTag = 0x02;
    static constexpr uint8_t kTxInh = 0x04;
    static constexpr uint8_t kPoc = 0x08;
    static constexpr uint8_t kSimplex = 0x10;
    // marks
    static constexpr uint8_t kMarkP = 0x01;
    static constexpr uint8_t kMarkC = 0x02;
    // state
    static constexpr uint8_t kLoaded = 0x01;  // for DSC IDs: kept only while the ID is valid
    static constexpr uint8_t kRxBlank = 0x02;
    static constexpr uint8_t kTxBlank = 0x04;

    explicit datCh(cmcEeprom* image = nullptr) : image(image) {}

    cmcEeprom* image;  // not owned
    int table = 0;
    int row = 0;
    uint8_t marks = 0;
    uint8_t flags = 0;
    std::array<char, 10> name{};
    uint8_t kind = 0;
    std::array<uint8_t, 5> id{};
    uint8_t state = 0;
    uint32_t rxHz = 0;
    uint32_t txHz = 0;
    std::array<char, 3> shortName{};

    // Resets the cursor and reads the record. Tables outside 1-8 and rows the table does not
    // have load nothing (and a later Store writes nothing).
    void Load(int table, int row);
    // Writes the record back where it came from.
    void Store();
    // Store, then Load of the same record, so derived bits read back as the image holds them.
    void Commit();
    // An empty record in the cursor; the image is not touched.
    void Blank(int table, int row);

    // True when the cursor's table and row name a record the image has.
    bool Addressed() const { return RecordExists(table, row); }
    // DSC IDs: every ID byte is a two-digit value.
    bool IdValid() const;
    int Digit(int i) const;
    void SetDigit(int i, int digit);
    uint8_t IdChecksum() const;

    bool Unused() const { return flags & kUnused; }

    // Channel tables: the channel number as shown in the number column.
    std::string ChannelNumberText() const;

  private:
    void Reset(int table, int row);
};

// Channel tables 1-3: whether the channel is usable, that is in use or its table's P or C
// channel; the usable-only view lists these alone. Rows of other tables always are.
bool ChannelUsable(cmcEeprom& image, int table, int row);

// Channel tables 1-3: whether a row's simplex flag is fixed by the channel plan.
bool SimplexIsFixed(int row);

// Fills `hz` from a free channel's stored form; false when the stored value means "blank".
bool DecodeFreeFrequency(uint16_t raw, bool fineStep, bool receive, uint32_t& hz);

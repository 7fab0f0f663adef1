#pragma once
// Port numbers 1..256 for serial devices. Users of numbered ports expect a device to keep its
// number: a device seen for the first time gets the lowest free number, and the table is kept
// in a store that outlives the program.
#include <map>
#include <string>

// Where the table is kept between runs (the settings store in the program, memory in tests).
class PortStore {
  public:
    virtual ~PortStore() = default;
    virtual std::map<int, std::string> Load() = 0;
    virtual void Save(const std::map<int, std::string>& table) = 0;
};

// The table in the per-user settings: key "Software\Vexa\KELDA\Ports", one string value per
// number ("1" .. "256") holding the device path.
class SettingsPortStore : public PortStore {
  public:
    static constexpr const char* kKey = "Software\\Vexa\\KELDA\\Ports";
    std::map<int, std::string> Load() override;
    void Save(const std::map<int, std::string>& table) override;
};

class PortNumbering {
  public:
    static constexpr int kFirst = 1;
    static constexpr int kLast = 256;

    // Without a store the table lives in memory only.
    explicit PortNumbering(PortStore* store = nullptr);

    // The device path of a number, "" when the number is free.
    std::string DevicePath(int number);
    // The number of a device path, giving it the lowest free number when it is new; 0 when
    // every number is taken.
    int NumberOf(const std::string& path);
    // Puts a path at a number (moving it there if it had another).
    void Assign(int number, const std::string& path);
    // Gives every present device a number (discovery) and returns (number, path) pairs of
    // the present ones.
    std::map<int, std::string> Refresh();
    const std::map<int, std::string>& Entries();

  private:
    void LoadOnce();
    void Save();

    PortStore* store_;
    bool loaded_ = false;
    std::map<int, std::string> table_;
};

// The program's port table; kept in the settings store until another table is installed.
PortNumbering& PortTable();
PortNumbering* InstallPortTable(PortNumbering* table);

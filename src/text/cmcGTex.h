#pragma once
// Text store over an overlay file (or a list of lines in memory): returns lines of an entry's
// body by key. The file is indexed lazily, one line per step and only as far as lookups need;
// body lines are read on demand through a small cache. A key that cannot be found means a broken
// installation and stops the program.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class cmcGTex {
  public:
    // Longest line, in characters including its LF; longer lines are read as several lines.
    static constexpr size_t kMaxLine = 8191;
    // Lines kept by the read cache (file sources only).
    static constexpr int kCacheLines = 64;
    // Records within this many of the head of the index stay where they are when found.
    static constexpr int kFrontRecords = 11;

    cmcGTex();
    virtual ~cmcGTex();
    cmcGTex(const cmcGTex&) = delete;
    cmcGTex& operator=(const cmcGTex&) = delete;

    // Set the source once; a second call is refused and the first source stays. Nothing is
    // opened until the first lookup.
    bool BindFile(const std::string& path);
    bool BindLines(std::vector<std::string> lines);  // ends with "#End_Of_Ovl"

    // Line n of the key's body, without its line end. Reads past the body into whatever follows
    // (callers walking a list stop at the leading '#' of the next header). Fatal on failure.
    std::string GetLine(const std::string& key, int n = 0);
    // The body's lines joined with LF, stopping before the first non-empty line starting '#'.
    std::string GetText(const std::string& key);
    // Help number of a cell label from the list "GI_AppItem_CellName_to_ContextID" (label TAB
    // number per line, ended by a line holding only '#'); 0 when the label is not listed.
    int ContextHelpNumber(const std::string& labelName);

    // Inspection for tests and benchmarks.
    struct Stats {
        uint64_t bytesRead = 0;     // bytes fetched from the file
        uint64_t fileReads = 0;     // read calls made on the file
        uint64_t cacheHits = 0;     // body lines served from the cache
        size_t indexedRecords = 0;  // entry records in the index
        size_t indexBytes = 0;      // memory held by the index (records, keys, hash table)
        size_t cachedLines = 0;
        bool indexingDone = false;
    };
    Stats GetStats() const;
    std::vector<std::string> IndexOrder() const;  // keys from the head of the index

  protected:
    // Shows "GTEX Error !..." for the key and ends the process.
    [[noreturn]] virtual void Fail(const std::string& key);

  private:
    struct Entry;
    struct CachedLine;
    class Reader;

    enum class Source { None, Lines, File };

    int FindEntry(const std::string& key);  // record number or -1
    bool IndexStep(int* appended);
    void StopIndexing();
    void Open();
    bool ReadSourceLine(std::string& out);
    bool ReadCached(std::string& out);
    int64_t Position() const;
    void Seek(int64_t pos);

    std::string_view KeyOf(const Entry& e) const;
    int HashLookup(std::string_view key) const;
    void HashInsert(int record);
    void HashPlace(int record);
    void MoveToFront(int record);

    Source source_ = Source::None;
    std::string path_;
    std::vector<std::string> lines_;
    bool open_ = false;
    int64_t linePos_ = 0;  // next line of a memory source
    std::unique_ptr<Reader> reader_;
    std::string line_;  // the line just read, with its LF
    int64_t scanPos_ = 0;
    bool moreToScan_ = true;

    // The index: records in a list (head first) plus a hash of the first record of each key.
    std::vector<Entry> records_;
    std::string keys_;  // all keys, back to back
    std::vector<int32_t> table_;
    size_t tableUsed_ = 0;
    int head_ = -1, tail_ = -1;

    // The cache: a ring of recently read lines, most recent first.
    std::vector<CachedLine> cache_;
    int cacheHead_ = -1;
    uint64_t cacheHits_ = 0;
};

// The help text store over KELDAH.OVL; it behaves as the main store.
class cmcHelpGTex : public cmcGTex {};

// The process-wide stores (main over KELDA.OVL, help over KELDAH.OVL). Tests install their own.
cmcGTex& GTex();
cmcGTex* InstallGTex(cmcGTex* store);
cmcGTex& HelpGTex();
cmcGTex* InstallHelpGTex(cmcGTex* store);

#include "text/cmcGTex.h"

#include <climits>
#include <functional>
#include <utility>

#include "platform/Fatal.h"
#include "platform/FileReader.h"

namespace {

constexpr const char* kEndKey = "End_Of_Ovl";
constexpr const char* kContextListKey = "GI_AppItem_CellName_to_ContextID";

size_t HashKey(std::string_view key) {
    return std::hash<std::string_view>{}(key);
}

}  // namespace

struct cmcGTex::Entry {
    uint32_t keyOffset;
    uint32_t keyLength;
    int64_t bodyStart;  // position of body line 0
    int64_t resumePos;  // position of body line resumeLine
    int32_t resumeLine;
    int32_t prev, next;  // neighbours in the index list
};

struct cmcGTex::CachedLine {
    int64_t pos = 0;
    int64_t length = 0;  // file bytes, line end included
    std::string text;    // with its LF
    int prev = -1, next = -1;
};

// Buffered reader over an open file with free seeks inside the buffer. A CR LF pair reads as one
// LF, as text-mode reading does; a lone CR stays.
class cmcGTex::Reader {
  public:
    explicit Reader(std::unique_ptr<platform::FileReader> file)
        : file_(std::move(file)), buf_(kBufferSize) {}

    int64_t Position() const { return start_ + static_cast<int64_t>(cur_); }

    void Seek(int64_t pos) {
        if (pos >= start_ && pos <= start_ + static_cast<int64_t>(len_)) {
            cur_ = static_cast<size_t>(pos - start_);
        } else {
            // A jump to a body: most bodies are short, so read a little first.
            start_ = pos;
            len_ = cur_ = 0;
            want_ = kFirstRead;
        }
    }

    // Reads up to and including the LF, at most kMaxLine characters; false at the end.
    bool ReadLine(std::string& out) {
        out.clear();
        bool any = false;
        while (out.size() < kMaxLine) {
            if (cur_ == len_ && !Fill()) break;
            any = true;
            const char* p = buf_.data() + cur_;
            size_t limit = std::min(len_ - cur_, kMaxLine - out.size());
            size_t i = 0;
            while (i < limit && p[i] != '\n' && p[i] != '\r') ++i;
            out.append(p, i);
            cur_ += i;
            if (i == limit) continue;
            ++cur_;
            if (p[i] == '\n') {
                out.push_back('\n');
                return true;
            }
            if (Peek() == '\n') {
                ++cur_;
                out.push_back('\n');
                return true;
            }
            out.push_back('\r');
        }
        return any;
    }

    uint64_t bytesRead = 0;
    uint64_t reads = 0;

  private:
    static constexpr size_t kBufferSize = 16384;
    static constexpr size_t kFirstRead = 1024;

    int Peek() {
        if (cur_ == len_ && !Fill()) return -1;
        return static_cast<unsigned char>(buf_[cur_]);
    }

    bool Fill() {
        start_ += static_cast<int64_t>(len_);
        len_ = cur_ = 0;
        const int64_t n = file_->ReadAt(start_, buf_.data(), want_);
        ++reads;
        want_ = buf_.size();
        if (n <= 0) return false;  // end of file or a read error: the line ends here
        bytesRead += static_cast<uint64_t>(n);
        len_ = static_cast<size_t>(n);
        return true;
    }

    std::unique_ptr<platform::FileReader> file_;
    std::vector<char> buf_;
    int64_t start_ = 0;  // file offset of buf_[0]
    size_t len_ = 0, cur_ = 0;
    size_t want_ = kBufferSize;
};

cmcGTex::cmcGTex() = default;
cmcGTex::~cmcGTex() = default;

bool cmcGTex::BindFile(const std::string& path) {
    if (source_ != Source::None) return false;
    source_ = Source::File;
    path_ = path;
    return true;
}

bool cmcGTex::BindLines(std::vector<std::string> lines) {
    if (source_ != Source::None) return false;
    source_ = Source::Lines;
    lines_ = std::move(lines);
    return true;
}

void cmcGTex::Fail(const std::string& key) {
    // Which file lacks it: a damaged or cut-short installation is then found and replaced.
    const std::string where = source_ == Source::File && !path_.empty()
                                  ? " in " + path_ + " (the file is missing, damaged or cut short)"
                                  : "";
    platform::FatalStop("GTEX Error !\nThe index '" + key + "' was not found" + where + ".");
}

void cmcGTex::Open() {
    if (source_ == Source::File && !path_.empty()) {
        auto file = std::make_unique<platform::FileReader>();
        if (file->Open(path_) == platform::FileStatus::Ok) {
            reader_ = std::make_unique<Reader>(std::move(file));
            open_ = true;
        }
    } else if (source_ == Source::Lines) {
        open_ = true;
    }
    linePos_ = 0;
    if (!open_) moreToScan_ = false;
}

int64_t cmcGTex::Position() const {
    return reader_ ? reader_->Position() : linePos_;
}

void cmcGTex::Seek(int64_t pos) {
    if (reader_)
        reader_->Seek(pos);
    else
        linePos_ = pos;
}

bool cmcGTex::ReadSourceLine(std::string& out) {
    if (reader_) return reader_->ReadLine(out);
    if (linePos_ < 0 || linePos_ >= static_cast<int64_t>(lines_.size())) return false;
    const std::string& l = lines_[static_cast<size_t>(linePos_++)];
    out.assign(l, 0, std::min(l.size(), kMaxLine));
    out.push_back('\n');
    return true;
}

// One step of indexing: reads exactly one line. Returns false when indexing has stopped.
bool cmcGTex::IndexStep(int* appended) {
    *appended = -1;
    if (!open_) {
        Open();
        return open_;
    }
    Seek(scanPos_);
    if (!ReadSourceLine(line_)) {
        StopIndexing();
        return false;
    }
    size_t lf = line_.find('\n');
    size_t len = lf == std::string::npos ? line_.size() : lf;
    if (len >= 2 && line_[0] == '#') {
        std::string_view key(line_.data() + 1, len - 1);
        Entry e{};
        e.keyOffset = static_cast<uint32_t>(keys_.size());
        e.keyLength = static_cast<uint32_t>(key.size());
        e.bodyStart = e.resumePos = Position();
        e.resumeLine = 0;
        e.prev = tail_;
        e.next = -1;
        keys_.append(key);
        int r = static_cast<int>(records_.size());
        records_.push_back(e);
        if (tail_ >= 0)
            records_[static_cast<size_t>(tail_)].next = r;
        else
            head_ = r;
        tail_ = r;
        // Duplicates stay in the list but only the first of a key is ever found.
        if (HashLookup(key) < 0) HashInsert(r);
        *appended = r;
        if (key == kEndKey) StopIndexing();
    }
    scanPos_ = Position();
    return true;
}

void cmcGTex::StopIndexing() {
    moreToScan_ = false;
    // The index grows no more: give back what its growth had reserved.
    records_.shrink_to_fit();
    keys_.shrink_to_fit();
}

std::string_view cmcGTex::KeyOf(const Entry& e) const {
    return std::string_view(keys_).substr(e.keyOffset, e.keyLength);
}

int cmcGTex::HashLookup(std::string_view key) const {
    if (table_.empty()) return -1;
    size_t mask = table_.size() - 1;
    for (size_t i = HashKey(key) & mask;; i = (i + 1) & mask) {
        int32_t r = table_[i];
        if (r < 0) return -1;
        if (KeyOf(records_[static_cast<size_t>(r)]) == key) return r;
    }
}

void cmcGTex::HashInsert(int record) {
    // Keep the table at most half full so probes stay short.
    if ((tableUsed_ + 1) * 2 > table_.size()) {
        std::vector<int32_t> old = std::move(table_);
        table_.assign(old.empty() ? 64 : old.size() * 2, -1);
        for (int32_t r : old)
            if (r >= 0) HashPlace(r);
    }
    HashPlace(record);
    ++tableUsed_;
}

void cmcGTex::HashPlace(int record) {
    size_t mask = table_.size() - 1;
    size_t i = HashKey(KeyOf(records_[static_cast<size_t>(record)])) & mask;
    while (table_[i] >= 0) i = (i + 1) & mask;
    table_[i] = record;
}

void cmcGTex::MoveToFront(int r) {
    Entry& e = records_[static_cast<size_t>(r)];
    if (head_ == r) return;
    records_[static_cast<size_t>(e.prev)].next = e.next;
    if (e.next >= 0)
        records_[static_cast<size_t>(e.next)].prev = e.prev;
    else
        tail_ = e.prev;
    e.prev = -1;
    e.next = head_;
    records_[static_cast<size_t>(head_)].prev = r;
    head_ = r;
}

int cmcGTex::FindEntry(const std::string& key) {
    int r = HashLookup(key);
    if (r >= 0) {
        // A record found beyond the first few moves to the head, so frequent keys stay near it.
        bool nearHead = false;
        for (int i = 0, at = head_; i < kFrontRecords && at >= 0 && !nearHead; ++i) {
            nearHead = at == r;
            at = records_[static_cast<size_t>(at)].next;
        }
        if (!nearHead) MoveToFront(r);
        return r;
    }
    while (moreToScan_) {
        int appended;
        if (!IndexStep(&appended)) break;
        if (appended >= 0 && KeyOf(records_[static_cast<size_t>(appended)]) == key) return appended;
    }
    return -1;
}

bool cmcGTex::ReadCached(std::string& out) {
    if (!reader_) return ReadSourceLine(out);
    int64_t pos = reader_->Position();
    for (int i = cacheHead_; i >= 0; i = cache_[static_cast<size_t>(i)].next) {
        CachedLine& c = cache_[static_cast<size_t>(i)];
        if (c.pos != pos) continue;
        out = c.text;
        reader_->Seek(pos + c.length);
        ++cacheHits_;
        if (i != cacheHead_) {
            cache_[static_cast<size_t>(c.prev)].next = c.next;
            if (c.next >= 0) cache_[static_cast<size_t>(c.next)].prev = c.prev;
            c.prev = -1;
            c.next = cacheHead_;
            cache_[static_cast<size_t>(cacheHead_)].prev = i;
            cacheHead_ = i;
        }
        return true;
    }
    if (!reader_->ReadLine(out)) return false;
    int slot;
    if (cache_.size() < static_cast<size_t>(kCacheLines)) {
        slot = static_cast<int>(cache_.size());
        cache_.emplace_back();
    } else {
        // Reuse the least recently used line: the ring's last element.
        slot = cacheHead_;
        while (cache_[static_cast<size_t>(slot)].next >= 0)
            slot = cache_[static_cast<size_t>(slot)].next;
        CachedLine& lru = cache_[static_cast<size_t>(slot)];
        if (lru.prev >= 0) cache_[static_cast<size_t>(lru.prev)].next = -1;
        if (slot == cacheHead_) cacheHead_ = -1;
    }
    CachedLine& c = cache_[static_cast<size_t>(slot)];
    c.pos = pos;
    c.length = reader_->Position() - pos;
    c.text = out;
    c.prev = -1;
    c.next = cacheHead_;
    if (cacheHead_ >= 0) cache_[static_cast<size_t>(cacheHead_)].prev = slot;
    cacheHead_ = slot;
    return true;
}

std::string cmcGTex::GetLine(const std::string& key, int n) {
    int r = FindEntry(key);
    if (r < 0 || !open_ || n < 0) Fail(key);
    Entry& e = records_[static_cast<size_t>(r)];
    int line;
    if (n < e.resumeLine) {
        line = 0;
        Seek(e.bodyStart);
    } else {
        line = e.resumeLine;
        Seek(e.resumePos);
    }
    for (; line <= n; ++line)
        if (!ReadCached(line_)) Fail(key);
    e.resumeLine = n + 1;
    e.resumePos = Position();
    size_t lf = line_.find('\n');
    return lf == std::string::npos ? line_ : line_.substr(0, lf);
}

std::string cmcGTex::GetText(const std::string& key) {
    std::string text;
    for (int i = 0;; ++i) {
        std::string l = GetLine(key, i);
        if (!l.empty() && l[0] == '#') break;
        if (i > 0) text.push_back('\n');
        text += l;
    }
    return text;
}

int cmcGTex::ContextHelpNumber(const std::string& labelName) {
    for (int i = 0;; ++i) {
        std::string l = GetLine(kContextListKey, i);
        if (l == "#") return 0;
        size_t tab = l.find('\t');
        if (std::string_view(l).substr(0, tab) != labelName) continue;
        if (tab == std::string::npos) return 0;
        // A decimal number; whatever is not a digit ends it.
        size_t p = tab + 1;
        while (p < l.size() && (l[p] == ' ' || l[p] == '\t')) ++p;
        bool negative = p < l.size() && (l[p] == '-' || l[p] == '+') && l[p++] == '-';
        long long v = 0;
        for (; p < l.size() && l[p] >= '0' && l[p] <= '9'; ++p)
            if (v <= INT_MAX) v = v * 10 + (l[p] - '0');
        if (v > INT_MAX) v = INT_MAX;
        return static_cast<int>(negative ? -v : v);
    }
}

cmcGTex::Stats cmcGTex::GetStats() const {
    Stats s;
    if (reader_) {
        s.bytesRead = reader_->bytesRead;
        s.fileReads = reader_->reads;
    }
    s.cacheHits = cacheHits_;
    s.indexedRecords = records_.size();
    s.indexBytes = records_.capacity() * sizeof(Entry) + keys_.capacity() +
                   table_.capacity() * sizeof(int32_t);
    s.cachedLines = cache_.size();
    s.indexingDone = !moreToScan_;
    return s;
}

std::vector<std::string> cmcGTex::IndexOrder() const {
    std::vector<std::string> keys;
    for (int r = head_; r >= 0; r = records_[static_cast<size_t>(r)].next)
        keys.emplace_back(KeyOf(records_[static_cast<size_t>(r)]));
    return keys;
}

namespace {
cmcGTex* gMain = nullptr;
cmcGTex* gHelp = nullptr;
}  // namespace

cmcGTex& GTex() {
    if (!gMain) gMain = new cmcGTex;  // lives for the whole process
    return *gMain;
}

cmcGTex* InstallGTex(cmcGTex* store) {
    return std::exchange(gMain, store);
}

cmcGTex& HelpGTex() {
    if (!gHelp) gHelp = new cmcHelpGTex;
    return *gHelp;
}

cmcGTex* InstallHelpGTex(cmcGTex* store) {
    return std::exchange(gHelp, store);
}

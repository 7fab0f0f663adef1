#include "support/UartModel.h"

#include <algorithm>
#include <memory>

#include "sim/SimRadio.h"

namespace test {
namespace {

UartModel* gModel = nullptr;

class UartDevice : public platform::SerialDevice {
  public:
    explicit UartDevice(UartModel* model) : model_(model) {}
    ~UartDevice() override { Close(); }
    bool Open(const std::string&, const platform::SerialLine&) override {
        failure_ = {};
        if (!model_->Open()) {
            failure_.fault = platform::OpenFault::kInUse;
            return false;
        }
        mine_ = true;
        return true;
    }
    void Close() override {
        if (mine_) model_->Close();
        mine_ = false;
    }
    bool IsOpen() const override { return mine_; }
    platform::IoResult Read(uint8_t* buf, int max) override {
        if (!mine_) return {};
        const int n = model_->Read(buf, max);
        if (n < 0) return {platform::IoStatus::kIoError, 0};
        return {platform::IoStatus::kOk, n};
    }
    platform::IoResult Write(const uint8_t* buf, int n, int) override {
        if (!mine_) return {platform::IoStatus::kIoError, 0};
        const int done = model_->Write(buf, n);
        if (done == n) return {platform::IoStatus::kOk, done};
        return {model_->LineLost() ? platform::IoStatus::kIoError : platform::IoStatus::kTimeout,
                done};
    }
    int InputWaiting() override { return mine_ ? model_->InputWaiting() : 0; }
    int OutputQueued() override { return mine_ ? model_->OutputQueued() : 0; }
    bool LineLost() override { return mine_ && model_->LineLost(); }
    const platform::OpenFailure& LastFailure() const override { return failure_; }

  private:
    UartModel* model_;
    bool mine_ = false;
    platform::OpenFailure failure_;
};

std::unique_ptr<platform::SerialDevice> MakeUart(std::unique_ptr<platform::SerialDevice> real) {
    if (!gModel) return real;
    return std::make_unique<UartDevice>(gModel);
}

}  // namespace

UartModel::UartModel(SimRadio& radio, unsigned baud, std::function<uint64_t()> nowUs)
    : radio_(radio), byteUs_(10000000ull / baud), nowUs_(std::move(nowUs)) {}

UartModel::~UartModel() {
    if (!installed_) return;
    installed_.reset();
    gModel = previous_;
}

void UartModel::Install() {
    if (installed_) return;
    previous_ = gModel;
    gModel = this;
    installed_.emplace(&MakeUart);
}

bool UartModel::Open() {
    if (open_) return false;
    open_ = true;
    ++opens_;
    Advance();
    // Opening purges both directions, as the real device does.
    rx_.clear();
    tx_.clear();
    return true;
}

void UartModel::Close() {
    open_ = false;
}

void UartModel::Stream(const std::string& bytes) {
    Advance();
    const uint64_t now = nowUs_();
    for (char c : bytes) Arrive(c, now);
}

void UartModel::Arrive(char byte, uint64_t sentUs) {
    rxClockUs_ = std::max(rxClockUs_ + byteUs_, sentUs);
    rxWire_.emplace_back(rxClockUs_, static_cast<uint8_t>(byte));
}

void UartModel::Advance() {
    const uint64_t now = nowUs_();
    // Bytes leave the transmit queue one after another at the line rate; the radio hears each
    // as it goes and its answers (the echo first) come back on the receive line.
    while (!tx_.empty() && !stuck_ && txClockUs_ + byteUs_ <= now) {
        txClockUs_ += byteUs_;
        uint8_t b = tx_.front();
        tx_.pop_front();
        ++bytesSent_;
        if (unplugged_) continue;
        std::string out;
        radio_.Receive(&b, 1, out);
        for (char c : out) Arrive(c, txClockUs_);
    }
    while (!rxWire_.empty() && rxWire_.front().first <= now) {
        if (!unplugged_) rx_ += static_cast<char>(rxWire_.front().second);
        rxWire_.pop_front();
    }
}

int UartModel::Read(uint8_t* buf, int max) {
    Advance();
    if (unplugged_) return -1;
    int n = std::min<int>(max, static_cast<int>(rx_.size()));
    std::copy_n(rx_.begin(), n, buf);
    rx_.erase(0, static_cast<size_t>(n));
    return n;
}

int UartModel::Write(const uint8_t* buf, int n) {
    Advance();
    if (unplugged_) return 0;
    const uint64_t now = nowUs_();
    if (tx_.empty()) {
        // The line stood idle since its last byte went out.
        if (started_ && now > txClockUs_) idleUs_ += now - txClockUs_;
        if (!started_) firstUs_ = now;
        started_ = true;
        txClockUs_ = std::max(txClockUs_, now);
    }
    int take = std::min(n, kTxCapacity - static_cast<int>(tx_.size()));
    tx_.insert(tx_.end(), buf, buf + take);
    maxQueued_ = std::max(maxQueued_, static_cast<int>(tx_.size()));
    return take;
}

int UartModel::InputWaiting() {
    Advance();
    return static_cast<int>(rx_.size());
}

int UartModel::OutputQueued() {
    Advance();
    return static_cast<int>(tx_.size());
}

}  // namespace test

#pragma once
#include <vector>

#include "common/Reporter.hpp"

namespace korvane {

// Keeps every message it is given, for tests and for callers that show messages later.
class RecordingReporter final : public Reporter {
public:
    struct Record {
        FormattedMessage shown;
        MessageArgs args;
    };
    const std::vector<Record>& records() const { return records_; }
    void clear() { records_.clear(); }
    // Shows every kept message through `to`, in order.
    void relayTo(Reporter& to) const {
        for (const auto& r : records_)
            to.Relay(r.shown, r.args);
    }
    // The numbers of the recorded messages, in order.
    std::vector<int> numbers() const {
        std::vector<int> out;
        for (const auto& r : records_)
            out.push_back(r.shown.number);
        return out;
    }

protected:
    void deliver(const FormattedMessage& formatted, const MessageArgs& args) override {
        records_.push_back({formatted, args});
    }

private:
    std::vector<Record> records_;
};

} // namespace korvane

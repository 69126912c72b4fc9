#pragma once
#include <cstdint>
#include <string>

#include "common/MessageCatalogue.hpp"

namespace korvane {

// The one way code below the window layer tells the user something. Each call names a
// catalogue message and the values for its placeholders; the Reporter formats it and shows
// it (a modal box in the dialog, a line on stderr in korvane-cli, a record in tests).
// Reporting never changes any state: the caller decides what happens next.
class Reporter {
public:
    virtual ~Reporter() = default;

    // The general form; the overloads below fill in what the caller leaves out.
    void ShowMessage(MessageId id, std::int32_t int1, std::int32_t int2, std::int32_t int3,
                     std::string text1, std::string text2);
    void ShowMessage(MessageId id);
    void ShowMessage(MessageId id, std::string text1);
    void ShowMessage(MessageId id, std::string text1, std::string text2);
    void ShowMessage(MessageId id, std::int32_t int1, std::string text1);
    // A ready text, shown unchanged under the caption of entry `id`.
    void ShowWholeMessage(MessageId id, std::string wholeText);
    // Asks the user for the raw file being read, under the caption kRawFileRequestCaption,
    // in the same box as a message.
    void ShowRawFileRequest(std::string text);
    // Shows a message that another Reporter formatted and kept, as it was shown there.
    void Relay(const FormattedMessage& formatted, const MessageArgs& args) {
        deliver(formatted, args);
    }

protected:
    // Receives every message; `formatted` is what the user is shown.
    virtual void deliver(const FormattedMessage& formatted, const MessageArgs& args) = 0;

private:
    void show(MessageId id, MessageArgs args);
};

// Writes "Caption: text" to standard error, one message per line.
class StderrReporter final : public Reporter {
protected:
    void deliver(const FormattedMessage& formatted, const MessageArgs& args) override;
};

} // namespace korvane

#pragma once
#include <memory>
#include <string>
#include <vector>

#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane::cli {

// Writes each message to stderr as "Caption: text" and keeps it for the report.
class CliReporter final : public Reporter {
public:
    const std::vector<FormattedMessage>& messages() const { return messages_; }

protected:
    void deliver(const FormattedMessage& formatted, const MessageArgs& args) override;

private:
    std::vector<FormattedMessage> messages_;
};

// A file opened and parsed the way "Process" does it, without a window.
struct FileSession {
    RawFileContext context;
    std::string shotInfo;
    CliReporter reporter;
    Status status = kFailed;
};

// Opens and parses `path` (and, with `load`, decodes its image). The file is closed again.
std::unique_ptr<FileSession> openFileSession(const std::string& path, bool load);

} // namespace korvane::cli

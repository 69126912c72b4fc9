#include "cli/FileSession.hpp"

#include <cstdio>

#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"

namespace korvane::cli {

void CliReporter::deliver(const FormattedMessage& formatted, const MessageArgs& args) {
    messages_.push_back(formatted);
    std::fprintf(stderr, "%s: %s\n", formatted.caption.c_str(), formatted.text.c_str());
    (void)args;
}

std::unique_ptr<FileSession> openFileSession(const std::string& path, bool load) {
    auto session = std::make_unique<FileSession>();
    RawFileContext& ctx = session->context;
    ctx.path = path;
    if (const int cause = openRawFile(ctx); cause != 0) {
        session->reporter.ShowMessage(MessageId::InputOpenFailed, path,
                                      truncatedReason(fileReasonText(cause)));
        return session;
    }
    if (ctx.fileLength <= 25) {
        session->reporter.ShowMessage(MessageId::TooShortForTiff);
        closeRawFile(ctx);
        return session;
    }
    ctx.buffer.resize(kReadBufferSize);
    ctx.bufferSize = kReadBufferSize;
    const NoKeysHeld keys;
    session->status = ParseContainer(ctx, session->reporter, keys,
                                     [&](const std::string& text) { session->shotInfo = text; });
    if (succeeded(session->status) && load) {
        session->status = LoadImageData(ctx, session->reporter, keys);
        ReleaseOffsetTables(ctx);
    }
    closeRawFile(ctx);
    ctx.buffer = {};
    ctx.bufferSize = 0;
    return session;
}

} // namespace korvane::cli

#include "common/Reporter.hpp"

#include <cstdio>
#include <utility>

namespace korvane {

void Reporter::show(MessageId id, MessageArgs args) {
    deliver(formatMessage(messageNumber(id), args), args);
}

void Reporter::ShowMessage(MessageId id, std::int32_t int1, std::int32_t int2, std::int32_t int3,
                           std::string text1, std::string text2) {
    MessageArgs args;
    args.int1 = int1;
    args.int2 = int2;
    args.int3 = int3;
    args.text1 = std::move(text1);
    args.text2 = std::move(text2);
    show(id, std::move(args));
}

void Reporter::ShowMessage(MessageId id) {
    show(id, {});
}

void Reporter::ShowMessage(MessageId id, std::string text1) {
    MessageArgs args;
    args.text1 = std::move(text1);
    show(id, std::move(args));
}

void Reporter::ShowMessage(MessageId id, std::string text1, std::string text2) {
    MessageArgs args;
    args.text1 = std::move(text1);
    args.text2 = std::move(text2);
    show(id, std::move(args));
}

void Reporter::ShowMessage(MessageId id, std::int32_t int1, std::string text1) {
    MessageArgs args;
    args.int1 = int1;
    args.text1 = std::move(text1);
    show(id, std::move(args));
}

void Reporter::ShowWholeMessage(MessageId id, std::string wholeText) {
    MessageArgs args;
    args.hasWholeText = true;
    args.wholeText = std::move(wholeText);
    show(id, std::move(args));
}

void Reporter::ShowRawFileRequest(std::string text) {
    FormattedMessage request{kRawFileRequestNumber, std::string(kRawFileRequestCaption), {}, true};
    request.text = text;
    MessageArgs args;
    args.hasWholeText = true;
    args.wholeText = std::move(text);
    deliver(request, args);
}

void StderrReporter::deliver(const FormattedMessage& formatted, const MessageArgs&) {
    std::fprintf(stderr, "%s: %s\n", formatted.caption.c_str(), formatted.text.c_str());
    std::fflush(stderr);
}

} // namespace korvane

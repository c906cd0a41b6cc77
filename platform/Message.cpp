#include "platform/Message.h"

#include <cstdio>
#include <utility>

namespace tessarim {

namespace {
MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}
} // namespace

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

void ShowMessage(MessageKind kind, std::string_view text) {
    if (Handler()) {
        Handler()(kind, text);
        return;
    }
    (void)kind; // a terminal shows every kind alike
    std::string line = TerminalText(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

} // namespace tessarim

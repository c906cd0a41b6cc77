#pragma once
// Message boxes, as the rest of the program sees them. The command line writes
// them to standard error; the desktop program installs a handler that shows a
// dialog; tests install one that records.
#include <functional>
#include <string>
#include <string_view>

namespace tessarim {

enum class MessageKind { Error, Warning, Information };

// Shows a message and returns when the user has seen it. "\r\n" in the text is a line break.
void ShowMessage(MessageKind kind, std::string_view text);

using MessageHandler = std::function<void(MessageKind, std::string_view)>;
// Replaces the handler; returns the previous one. An empty handler restores standard error.
MessageHandler SetMessageHandler(MessageHandler handler);

// The text with every "\r\n" turned into "\n", as a terminal wants it.
std::string TerminalText(std::string_view text);

} // namespace tessarim

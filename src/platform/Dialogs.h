#pragma once
// Message boxes of the toolkit layer. Tests install a sink that records the boxes
// instead of showing them, so nothing modal blocks a test run.
#include <QString>
#include <functional>

enum class MessageKind { Information, Error };

struct MessageRecord {
    QString title;
    QString text;
    MessageKind kind;
};

using MessageSink = std::function<void(const MessageRecord&)>;

// Replaces the modal box by a callback; an empty sink restores the real boxes.
void SetMessageSink(MessageSink sink);

// A modal box with the text and an OK button, captioned with the application title.
void ShowMessage(const QString& text);

// The error box of the default exception reporting: title, error icon, OK.
void ShowErrorBox(const QString& title, const QString& text);

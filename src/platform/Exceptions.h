#pragma once
// The toolkit layer's exception family. Everything the program raises on purpose
// derives from Exception; the application object reports any of them in an error box
// and carries on.
#include <QString>
#include <stdexcept>

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), Message(message) {}
    QString Message;
};

// Raised by StrToFloat for text that is not a number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Raised by a guarded list access outside 0..Count-1.
class EListError : public Exception {
public:
    using Exception::Exception;
};

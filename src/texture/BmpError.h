#pragma once
// Raised for bytes that are not a whole, readable bitmap; the message says why.
#include <stdexcept>

class BmpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's own exception: a message text and nothing else.
#pragma once

#include <stdexcept>

class EvemuError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

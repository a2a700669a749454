#pragma once
// How the core tells the operator something: the message dialog with its
// exact title and text. The user interface installs the real one; tests
// record what would have been shown.

#include <string>

namespace velox {

enum class MessageButtons { Ok, OkCancel, YesNo };

class OperatorMessages {
public:
    virtual ~OperatorMessages() = default;
    // Shows the message modally; returns 1 for the first button (OK, Yes)
    // and 0 for the second (Cancel, No). Texts are UTF-8; lines are joined
    // by "\r\n" as in the stored texts.
    virtual int show(const std::string& title, const std::string& text, MessageButtons buttons) = 0;
};

}  // namespace velox

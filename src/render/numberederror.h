#pragma once
// The error the encoding classes raise: a number, a source and a message,
// as callers (the main window, cantora-cli) show them to the user.

#include <stdexcept>
#include <string>

namespace cantora::render {

// A numbered error: 29670 + code from the WAV reader, 29770 + code from the
// encoder, 29870 + code from the MP3 writer.
class NumberedError : public std::runtime_error {
public:
    // Builds the error; what() returns the description.
    NumberedError(long number, std::string source, std::string description);

    long number;             // the error number callers compare
    std::string source;      // "<executable>.<place>", e.g. "cantora.cWavePlayer"
    std::string description; // the message shown to the user
};

// Sets the program name that prefixes every error source ("cantora" by default).
// Call once at start-up, before any encoding runs.
void SetExecutableName(std::string name);

// The program name used in error sources.
const std::string &ExecutableName();

// ExecutableName() & "." & place.
std::string ErrorSource(const std::string &place);

} // namespace cantora::render

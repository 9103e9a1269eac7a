// error_text.h: how an error's message becomes the text of the error display.
#pragma once

#include <exception>
#include <string>

#include "mdb/error.h"

namespace data {

// The error display's text: the message with a "." appended when it is not empty and its last
// character sorts after "." by character code. So a message ending in a letter, a digit, "?" or
// any non-ASCII byte gets the point; one ending in ".", "!", ",", ")", an apostrophe or a blank
// does not.
std::string withFinalPoint(const std::string& message);

// A database engine's message as the program passes it on: trailing blanks and points removed,
// so that the final point is added exactly once.
std::string providerMessage(const std::string& message);

// Passes the engine's error on as the program's: DatabaseIoError (with what the engine says of
// the changes it put back) when the file could not be read or written, UserError otherwise; the
// text is providerMessage()'s.
[[noreturn]] void passOnEngineError(const mdb::Error& error);

// The user's message for an error that ended an action, before the final point: the database
// engine's message as providerMessage() gives it, any other exception's own message, or
// "Unknown error". The window and the headless import both show errors through this.
std::string errorText(const std::exception_ptr& error);

}  // namespace data

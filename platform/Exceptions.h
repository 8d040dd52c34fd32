// The exception family of the runtime: every failure carries its exact message text.
#pragma once

#include <stdexcept>
#include <string>

// Base of every failure the program raises on purpose.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

class EStreamError : public Exception {
public:
  using Exception::Exception;
};

// A read that needs more bytes than the stream holds.
class EReadError : public EStreamError {
public:
  EReadError() : EStreamError("Stream-Lesefehler") {}
};

// A write that could not put all its bytes (a full disk, for one).
class EWriteError : public EStreamError {
public:
  EWriteError() : EStreamError("Stream-Schreibfehler") {}
};

// A file that exists but cannot be opened for reading.
class EFOpenError : public EStreamError {
public:
  EFOpenError(const std::string& path, const std::string& reason)
      : EStreamError("Datei " + path + " kann nicht ge\xC3\xB6" "ffnet werden. " + reason) {}
};

// A file that cannot be created or replaced.
class EFCreateError : public EStreamError {
public:
  EFCreateError(const std::string& path, const std::string& reason)
      : EStreamError("Datei \"" + path + "\" kann nicht erstellt werden. " + reason) {}
};

// Output to a standard channel failed.
class EInOutError : public Exception {
public:
  using Exception::Exception;
};

// A failed check of the archive reader: "<message> (<unit>, Zeile <line>)".
class EAssertionFailed : public Exception {
public:
  EAssertionFailed(const std::string& message, const std::string& unit, int line)
      : Exception(message + " (" + unit + ", Zeile " + std::to_string(line) + ")") {}
};

// The imaging layer's failure. Raised while another failure is being handled,
// its text carries the handled one's: "<message> Exception Message: <inner>".
class EImagingError : public Exception {
public:
  using Exception::Exception;
  EImagingError(const std::string& message, const std::string& inner)
      : Exception(message + " Exception Message: " + inner) {}
};

// The text of whatever was caught, for nesting into a new message.
std::string CurrentExceptionText();

#pragma once
// Byte streams of commands, answers and settings text. The serial ports, the memory
// pipe, the flash partitions and the host output implement them.
//
// A derived class that overrides one Read or Write overload hides the others; add
// `using InputStream::Read;` or `using OutputStream::Write;` to keep them.

#include <memory>

namespace ivra_configuration {

struct CommandLineState;

class InputStream {
 public:
  InputStream();
  InputStream(InputStream const&) = delete;
  InputStream& operator=(InputStream const&) = delete;
  virtual ~InputStream();

  // Next byte; false at the end (or when the source has nothing for now).
  virtual bool Read(char& c) = 0;
  // Exactly `length` bytes; false when the stream ended first.
  virtual bool Read(void* buffer, unsigned length);

 private:
  friend class CommandEvaluator;
  // A command line read in part: kept with the stream so that a read that reports the
  // end in mid-line (the pipe may wake without data) does not lose it.
  std::unique_ptr<CommandLineState> m_commandState;
};

class OutputStream {
 public:
  OutputStream() = default;
  OutputStream(OutputStream const&) = delete;
  OutputStream& operator=(OutputStream const&) = delete;
  virtual ~OutputStream() = default;

  virtual bool Write(char c) = 0;
  // Returns the number of bytes written (negative or short on failure).
  virtual int Write(void const* buffer, unsigned length);
  // Writes a NUL-terminated text byte by byte; true only when every byte was written.
  virtual bool Write(char const* text);
  virtual bool Flush() = 0;
};

} // namespace ivra_configuration

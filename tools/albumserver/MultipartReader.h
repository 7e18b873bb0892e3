#pragma once
// A streaming reader of a multipart/form-data body: the body is fed in pieces of any size and
// every part is handed on as it arrives (its header block, its data in pieces, its end), so that
// file parts can go to disk without the body ever being held whole.

#include <cstddef>
#include <functional>
#include <string>

namespace fotaro::albumserver {

class MultipartReader {
 public:
  struct Handlers {
    std::function<void(const std::string& headers)> partBegin;  // the part's header lines, CR LF separated
    std::function<void(const char* data, size_t size)> partData;
    std::function<void()> partEnd;
  };

  MultipartReader(std::string boundary, Handlers handlers);

  // Feeds the next bytes of the body; false once the body is malformed (see Error).
  bool Feed(const char* data, size_t size);
  // The end of the body: true when the closing delimiter was seen and nothing was malformed.
  bool Finish();
  const std::string& Error() const { return m_error; }

 private:
  enum class State {
    kData,            // before the first delimiter (preamble) or inside a part's data
    kAfterDelimiter,  // a delimiter was read: "--" closes the body, CR LF starts a part
    kHeaders,         // inside a part's header block
    kEpilogue,        // after the closing delimiter: the rest is ignored
    kFailed,
  };
  bool Fail(const std::string& error);

  const std::string m_delimiter;  // CR LF "--" boundary
  Handlers m_handlers;
  State m_state = State::kData;
  bool m_inPart = false;
  std::string m_pending;  // bytes not yet consumed
  std::string m_error;
};

// The value of parameter `name` of a header value such as
// `form-data; name="a"; filename="b.jpg"` (quotes removed); empty when absent.
std::string HeaderParameter(const std::string& value, const std::string& name);

}  // namespace fotaro::albumserver

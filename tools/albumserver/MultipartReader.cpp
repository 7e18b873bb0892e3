#include "tools/albumserver/MultipartReader.h"

#include <strings.h>

namespace fotaro::albumserver {

namespace {
// A part's header block larger than this is refused.
constexpr size_t kMaxHeaderBlock = 16 * 1024;
}  // namespace

MultipartReader::MultipartReader(std::string boundary, Handlers handlers)
    : m_delimiter("\r\n--" + boundary), m_handlers(std::move(handlers)), m_pending("\r\n") {
  // The body starts with the delimiter without its CR LF: the CR LF pending from the start
  // lets the same search find it.
}

bool MultipartReader::Fail(const std::string& error) {
  m_state = State::kFailed;
  m_error = error;
  return false;
}

bool MultipartReader::Feed(const char* data, size_t size) {
  if (m_state == State::kFailed) return false;
  if (m_state == State::kEpilogue) return true;
  m_pending.append(data, size);
  for (;;) {
    switch (m_state) {
      case State::kData: {
        const size_t found = m_pending.find(m_delimiter);
        // Everything that cannot be the start of a delimiter is data of the current part.
        const size_t safe = found != std::string::npos ? found
                            : m_pending.size() >= m_delimiter.size() ? m_pending.size() - m_delimiter.size() + 1
                                                                     : 0;
        if (m_inPart && safe > 0 && m_handlers.partData) m_handlers.partData(m_pending.data(), safe);
        if (found == std::string::npos) {
          m_pending.erase(0, safe);
          return true;
        }
        m_pending.erase(0, found + m_delimiter.size());
        if (m_inPart && m_handlers.partEnd) m_handlers.partEnd();
        m_inPart = false;
        m_state = State::kAfterDelimiter;
        break;
      }
      case State::kAfterDelimiter:
        if (m_pending.size() < 2) return true;
        if (m_pending.compare(0, 2, "--") == 0) {
          m_state = State::kEpilogue;
          m_pending.clear();
          return true;
        }
        if (m_pending.compare(0, 2, "\r\n") != 0) return Fail("delimiter not followed by CR LF");
        m_pending.erase(0, 2);
        m_state = State::kHeaders;
        break;
      case State::kHeaders: {
        // An empty header block is a lone CR LF; otherwise the block ends with an empty line.
        const size_t end = m_pending.compare(0, 2, "\r\n") == 0 ? 0 : m_pending.find("\r\n\r\n");
        if (end == std::string::npos) {
          if (m_pending.size() > kMaxHeaderBlock) return Fail("part header block too large");
          return true;
        }
        const std::string headers = m_pending.substr(0, end);
        m_pending.erase(0, end == 0 ? 2 : end + 4);
        m_inPart = true;
        m_state = State::kData;
        if (m_handlers.partBegin) m_handlers.partBegin(headers);
        break;
      }
      case State::kEpilogue:
      case State::kFailed:
        return m_state != State::kFailed;
    }
  }
}

bool MultipartReader::Finish() {
  if (m_state == State::kFailed) return false;
  if (m_state != State::kEpilogue) return Fail("body ends before the closing delimiter");
  return true;
}

std::string HeaderParameter(const std::string& value, const std::string& name) {
  size_t position = 0;
  while ((position = value.find(';', position)) != std::string::npos) {
    ++position;
    const size_t start = value.find_first_not_of(" \t", position);
    if (start == std::string::npos) break;
    const size_t equals = value.find('=', start);
    if (equals == std::string::npos) break;
    if (equals - start != name.size() || strncasecmp(value.c_str() + start, name.c_str(), name.size()) != 0) continue;
    if (equals + 1 < value.size() && value[equals + 1] == '"') {
      const size_t close = value.find('"', equals + 2);
      return value.substr(equals + 2, close == std::string::npos ? std::string::npos : close - equals - 2);
    }
    const size_t end = value.find(';', equals + 1);
    std::string plain = value.substr(equals + 1, end == std::string::npos ? std::string::npos : end - equals - 1);
    plain.erase(plain.find_last_not_of(" \t") + 1);
    return plain;
  }
  return {};
}

}  // namespace fotaro::albumserver

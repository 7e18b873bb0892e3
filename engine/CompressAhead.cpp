#include "engine/CompressAhead.h"

#include <algorithm>

CCompressAhead::Handed CCompressAhead::Add(const std::u16string& fileKey, size_t index) {
  const bool first = m_photos.empty();
  Photo photo{index, ++m_nLastJob, std::make_shared<platform::Event>(platform::Event::ResetMode::kManual, first)};
  m_photos[fileKey] = photo;
  return Handed{photo.job, photo.turn};
}

std::optional<size_t> CCompressAhead::IndexOf(const std::u16string& fileKey, uint64_t job) const {
  const auto it = m_photos.find(fileKey);
  if (it == m_photos.end() || it->second.job != job) return std::nullopt;
  return it->second.index;
}

void CCompressAhead::Finish(const std::u16string& fileKey) {
  if (m_photos.erase(fileKey) != 0) PassTurn();
}

std::optional<size_t> CCompressAhead::FirstIndex() const {
  const auto earliest = Earliest();
  if (earliest == m_photos.end()) return std::nullopt;
  return earliest->second.index;
}

void CCompressAhead::Cancel() {
  for (auto& [key, photo] : m_photos) photo.turn->Set();
  m_photos.clear();
}

void CCompressAhead::PassTurn() {
  // Outcomes come in turn, so the photo that finished was the earliest; the next earliest goes on.
  const auto earliest = Earliest();
  if (earliest != m_photos.end()) earliest->second.turn->Set();
}

CCompressAhead::PhotoMap::const_iterator CCompressAhead::Earliest() const {
  // Stamps grow with every photo handed over: the smallest is the earliest.
  return std::min_element(m_photos.begin(), m_photos.end(),
                          [](const auto& a, const auto& b) { return a.second.job < b.second.job; });
}

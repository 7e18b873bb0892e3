#include "xml/XmlDocument.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/CodePage.h"

namespace fotaro {

namespace {

std::string U8(std::u16string_view text) { return platform::Utf8(text); }

// The encoding named by the XML declaration at the start of `bytes`, or empty.
std::string DeclaredEncoding(const std::string& bytes) {
  const size_t begin = bytes.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos || bytes.compare(begin, 5, "<?xml") != 0) return {};
  const size_t end = bytes.find("?>", begin);
  const std::string declaration = bytes.substr(begin, end == std::string::npos ? 200 : end - begin);
  size_t at = declaration.find("encoding");
  if (at == std::string::npos) return {};
  at = declaration.find_first_not_of(" \t\r\n", at + 8);
  if (at == std::string::npos || declaration[at] != '=') return {};
  at = declaration.find_first_not_of(" \t\r\n", at + 1);
  if (at == std::string::npos || (declaration[at] != '"' && declaration[at] != '\'')) return {};
  const size_t close = declaration.find(declaration[at], at + 1);
  return close == std::string::npos ? std::string() : declaration.substr(at + 1, close - at - 1);
}

// Pugixml keeps the declaration as written; the text handed on is UTF-8 from here on.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration;

}  // namespace

std::u16string XmlElement::Name() const { return platform::FromUtf8(node_.name()); }

std::u16string XmlElement::Text() const { return platform::FromUtf8(node_.text().get()); }

void XmlElement::ForEachChild(const std::function<void(const XmlElement&)>& visit) const {
  for (pugi::xml_node child = node_.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element) visit(XmlElement(child));
  }
}

XmlElement XmlElement::Child(std::u16string_view name) const { return XmlElement(node_.child(U8(name).c_str())); }

XmlElement XmlElement::AppendChild(std::u16string_view name, std::u16string_view text) {
  if (!node_) return {};
  pugi::xml_node child = node_.append_child(U8(name).c_str());
  child.text().set(U8(text).c_str());
  return XmlElement(child);
}

std::optional<XmlDocument> XmlDocument::LoadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  std::string encoding = DeclaredEncoding(bytes);
  if (encoding.empty()) encoding = platform::CodePageName();
  return ParseUtf8(U8(platform::FromCharset(bytes, encoding)));
}

std::optional<XmlDocument> XmlDocument::Parse(std::u16string_view text) { return ParseUtf8(U8(text)); }

std::optional<XmlDocument> XmlDocument::ParseUtf8(const std::string& utf8) {
  XmlDocument document;
  if (!document.doc_->load_buffer(utf8.data(), utf8.size(), kParseOptions, pugi::encoding_utf8)) return std::nullopt;
  return document;
}

XmlElement XmlDocument::Root(std::u16string_view name) const {
  pugi::xml_node root = doc_->document_element();
  return U8(name) == root.name() ? XmlElement(root) : XmlElement();
}

std::u16string XmlDocument::ToString() const {
  std::ostringstream out;
  doc_->save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return platform::FromUtf8(out.str());
}

}  // namespace fotaro

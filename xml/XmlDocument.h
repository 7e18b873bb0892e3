#pragma once
// The XML reader and writer: a thin layer over pugixml with what the uploader needs. Texts are
// wide strings; a file is read in the encoding its XML declaration names, else in the system code
// page, and written out in the encoding the caller converts it to.

#include <pugixml.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fotaro {

// An element of a document; valid while its document lives. A null element (operator bool false)
// has no name, no text and no children.
class XmlElement {
 public:
  XmlElement() = default;
  explicit XmlElement(pugi::xml_node node) : node_(node) {}

  explicit operator bool() const { return !node_.empty(); }
  std::u16string Name() const;
  // The element's own character data (CDATA included), child elements excluded.
  std::u16string Text() const;
  // Calls `visit` for every child element, in document order.
  void ForEachChild(const std::function<void(const XmlElement&)>& visit) const;
  // The first child element called `name`, or a null element.
  XmlElement Child(std::u16string_view name) const;
  // Appends <name>text</name> and returns it (a null element when this one is null).
  XmlElement AppendChild(std::u16string_view name, std::u16string_view text);

 private:
  pugi::xml_node node_;
};

class XmlDocument {
 public:
  // Nothing when the file cannot be read or is not well-formed XML.
  static std::optional<XmlDocument> LoadFile(const std::string& path);
  static std::optional<XmlDocument> Parse(std::u16string_view text);

  XmlDocument(XmlDocument&&) = default;
  XmlDocument& operator=(XmlDocument&&) = default;

  // The document element if it is called `name`, else a null element.
  XmlElement Root(std::u16string_view name) const;
  // The whole document as text, declaration included, as it was written (no indentation added).
  std::u16string ToString() const;

 private:
  XmlDocument() : doc_(std::make_unique<pugi::xml_document>()) {}
  static std::optional<XmlDocument> ParseUtf8(const std::string& utf8);
  std::unique_ptr<pugi::xml_document> doc_;
};

}  // namespace fotaro

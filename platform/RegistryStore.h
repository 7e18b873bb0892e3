#pragma once
// The persisted key/value store that stands in for the registry.
//
// Values are strings addressed by a key path ("Software\Brennik\nimbra") and a value name ("EXE");
// key paths and value names match without regard to ASCII letter case, as registry names do.
// The store is one UTF-8 text file, by default paths::RegistryStore(), with one value a line:
//
//     key path <TAB> value name <TAB> value
//
// where "%", TAB, line feed, carriage return and the other control characters are written as
// "%XX" (hexadecimal byte), as are the bytes of a file name that are not UTF-8 (a value holding
// such a name reads back with the same bytes, see platform::PathFromBytes). Lines starting with
// "#", blank lines and lines that do not have this form are ignored, so a missing or corrupt store
// reads as empty. Writes replace the file atomically (a temporary file renamed over it) under an
// exclusive lock on the file's ".lock" companion, so that several processes can write without
// losing each other's values; reads take no lock and see either the old or the new file.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class RegistryStore {
 public:
  // The store in `file` (an empty name gives a store that is always empty and refuses writes).
  RegistryStore();
  explicit RegistryStore(std::string file);

  // The value, or nothing when the store, the key or the value name is missing.
  std::optional<std::u16string> Read(std::u16string_view key, std::u16string_view name) const;
  // Adds or replaces a value; false when the store cannot be written.
  bool Write(std::u16string_view key, std::u16string_view name, std::u16string_view value);
  // Removes a value; true when it is not in the store afterwards.
  bool Remove(std::u16string_view key, std::u16string_view name);

  const std::string& file() const { return file_; }

 private:
  // Replaces the value (removes it when `value` is null) under the store's lock.
  bool Change(std::u16string_view key, std::u16string_view name, const std::u16string_view* value);

  std::string file_;
};

}  // namespace platform

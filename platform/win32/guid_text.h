#pragma once
// GUIDs in their text form: 8-4-4-4-12 hexadecimal digits with hyphens. Plug-in libraries
// are named after the upper-case form without braces.

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/win32_types.h"

// Upper-case 8-4-4-4-12 text without braces, e.g. "7E1C95B3-A620-48FD-9D37-0C8B5E2A61F4".
std::string GuidToString(const GUID& guid);

// Parses 8-4-4-4-12 text, with or without surrounding braces, in either case. Anything else
// (wrong length, misplaced hyphen, non-hex digit) gives nullopt.
std::optional<GUID> GuidFromString(std::string_view text);

// For constants known at compile time; aborts on malformed text, which is a programming error.
GUID MakeGuid(std::string_view text);

struct GuidHash {
  std::size_t operator()(const GUID& guid) const noexcept;
};

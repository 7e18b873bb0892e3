#pragma once
// The module's string resources, in one place; each comment gives the resource number.

#include <string_view>

// 196: the reason a photo carries until the server has answered for it.
inline constexpr std::u16string_view IDS_NOT_UPLOADED = u"The photo has not been uploaded.";

#pragma once
// The module's string resources, in one place; each comment gives the resource number.

#include <string_view>

// 174: the identifier of this client build, sent as "ClientCode" with every upload.
inline constexpr std::u16string_view IDS_CLIENT_CODE = u"OrniFotaroEx-linux";

// 196: the reason a photo carries until the server has answered for it.
inline constexpr std::u16string_view IDS_NOT_UPLOADED = u"The photo has not been uploaded.";

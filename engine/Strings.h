#pragma once
// The module's string resources, in one place; each comment gives the resource number.

#include <string_view>

// 174: the identifier of this client build, sent as "ClientCode" with every upload.
inline constexpr std::u16string_view IDS_CLIENT_CODE = u"OrniFotaroEx-linux";

// 196: the reason a photo carries until the server has answered for it.
inline constexpr std::u16string_view IDS_NOT_UPLOADED = u"The photo has not been uploaded.";

// 191: the silent upload's error when a photo's compression job reports a nonzero code on its
// success notification; "%d" stands for the code.
inline constexpr std::u16string_view IDS_SILENT_COMPRESS_ERROR = u"图片处理出错（错误码：%d）";

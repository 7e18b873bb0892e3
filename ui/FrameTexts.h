#pragma once
// The texts the uploader frames show: their questions, notices and per-photo results.

#include <cstdint>
#include <string>
#include <string_view>

namespace frame_text {

inline constexpr std::u16string_view kOk = u"确定";
inline constexpr std::u16string_view kCancel = u"取消";
inline constexpr std::u16string_view kYes = u"是";
inline constexpr std::u16string_view kNo = u"否";
inline constexpr std::u16string_view kFinish = u"完成";
inline constexpr std::u16string_view kContinue = u"继续";
inline constexpr std::u16string_view kTip = u"提示";

inline constexpr std::u16string_view kUploadFailed = u"上传失败";
inline constexpr std::u16string_view kUploadDone = u"上传完成";
inline constexpr std::u16string_view kCancelUpload = u"取消上传";
inline constexpr std::u16string_view kAddPhotos = u"添加图片";

inline constexpr std::u16string_view kAlbumFull = u"本相册已满，剩余照片将被存至新建同名相册中";
inline constexpr std::u16string_view kRetryFailed = u"%d张照片上传失败, 重新上传吗?";
inline constexpr std::u16string_view kGoOnAfterFailures = u"%d张照片上传失败,继续上传吗?";
inline constexpr std::u16string_view kStopQuestion = u"照片正在上传中，确定取消上传吗?";
inline constexpr std::u16string_view kLeaveWhileUploading = u"图片正在上传中，确定取消上传吗?";
inline constexpr std::u16string_view kLeaveQuestion = u"您将退出上传页面，确定退出上传吗?";
inline constexpr std::u16string_view kFilesGone = u"%d张图片已经被移动或删除，无法添加到极速上传。";
// The module's string 350: the adding rule's message, with the upload limit.
inline constexpr std::u16string_view kUploadLimit = u"每次最多只能上传%d张照片，多出的照片没有添加。";
inline constexpr std::u16string_view kBusy = u"照片正在上传中，请稍候";
inline constexpr std::u16string_view kCompressFailed = u"图片压缩失败";
inline constexpr std::u16string_view kUnknownError = u"未知错误";
inline constexpr std::u16string_view kAlbumLabel = u"相册：";

// `format` with its "%d" replaced by `number`.
std::u16string Format(std::u16string_view format, int64_t number);

// What a photo shows for a failed result from -299 to -1.
std::u16string_view ResultText(int32_t result);

}  // namespace frame_text

// reports: how the settings program's workers tell the dialog what they do.
// The failure lines of the translation installers.
#pragma once

constexpr const wchar_t* MT_ERR_NO_FOLDER = L"Lỗi: không tạo được thư mục.";
constexpr const wchar_t* MT_ERR_NO_NETWORK = L"Lỗi: không tải được (kiểm tra mạng).";
constexpr const wchar_t* MT_ERR_REFUSED = L"Lỗi: không tải được (máy chủ từ chối).";
constexpr const wchar_t* MT_ERR_CANNOT_WRITE = L"Lỗi: không ghi được tệp.";
constexpr const wchar_t* MT_ERR_WRONG_FILE = L"Lỗi: tệp tải về không đúng, đã xoá.";
constexpr const wchar_t* MT_ERR_INCOMPLETE = L"Lỗi: tải không trọn (kiểm tra mạng).";
constexpr const wchar_t* MT_ERR_UNPACK = L"Lỗi: không giải nén được.";
constexpr const wchar_t* MT_ERR_RUNTIME_BUSY = L"Lỗi: bản dịch cũ đang chạy, thử lại sau.";
constexpr const wchar_t* MT_ERR_NO_THREAD = L"Lỗi: không chạy được.";
constexpr const wchar_t* MT_ERR_UNKNOWN_LANGUAGE = L"Lỗi: không biết thứ tiếng này.";
constexpr const wchar_t* MT_ERR_UNFINISHED = L"Lỗi: cài chưa trọn, bật lại để thử tiếp.";
constexpr const wchar_t* MT_ERR_MODEL_IN_USE = L"Lỗi: bản dịch đang dùng tệp này, thử lại sau.";
constexpr const wchar_t* MT_ERR_NOT_REMOVED = L"Lỗi: không xoá hết được, thử lại sau.";
// A file row whose size or digest was not published with the model: it is
// never downloaded unverified.
constexpr const wchar_t* MT_ERR_UNVERIFIABLE = L"Lỗi: chưa có mã kiểm tra cho thứ tiếng này, chưa cài được.";

// reports: how the settings program's workers tell the dialog what they do.
#include "outcome_texts.h"

const wchar_t* outcome_text(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done:
        return L"";
    case Outcome::NoFolder:
        return L"Lỗi: không tạo được thư mục.";
    case Outcome::NoNetwork:
        return L"Lỗi: không tải được (kiểm tra mạng).";
    case Outcome::Refused:
        return L"Lỗi: không tải được (máy chủ từ chối).";
    case Outcome::CannotWrite:
        return L"Lỗi: không ghi được tệp.";
    case Outcome::WrongFile:
        return L"Lỗi: tệp tải về không đúng, đã xoá.";
    case Outcome::Incomplete:
        return L"Lỗi: tải không trọn (kiểm tra mạng).";
    case Outcome::Unpack:
        return L"Lỗi: không giải nén được.";
    case Outcome::RuntimeBusy:
        return L"Lỗi: bản dịch cũ đang chạy, thử lại sau.";
    case Outcome::NoThread:
        return L"Lỗi: không chạy được.";
    case Outcome::UnknownLanguage:
        return L"Lỗi: không biết thứ tiếng này.";
    case Outcome::Unfinished:
        return L"Lỗi: cài chưa trọn, bật lại để thử tiếp.";
    case Outcome::ModelInUse:
        return L"Lỗi: bản dịch đang dùng tệp này, thử lại sau.";
    case Outcome::NotRemoved:
        return L"Lỗi: không xoá hết được, thử lại sau.";
    case Outcome::Unverifiable:
        return L"Lỗi: chưa có mã kiểm tra cho thứ tiếng này, chưa cài được.";
    case Outcome::NoSpace:
        return L"Lỗi: không đủ chỗ trống.";
    case Outcome::NoOffer:
        return L"Chưa có bản mới để cài.";
    case Outcome::BadOffer:
        return L"Lỗi: thông tin bản mới không hợp lệ.";
    case Outcome::NoTempFolder:
        return L"Lỗi: không có thư mục tạm.";
    case Outcome::InstallerChanged:
        return L"Lỗi: tệp tải về bị chương trình khác thay đổi, đã huỷ cập nhật.";
    case Outcome::BadSignature:
        return L"Lỗi: chữ ký của bộ cài không hợp lệ, đã xoá.";
    case Outcome::Cancelled:
        return L"Đã huỷ cập nhật.";
    case Outcome::InstallerNotRun:
        return L"Lỗi: không chạy được bộ cài.";
    }
    return L"Lỗi: không chạy được.";
}

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
    }
    return L"Lỗi: không chạy được.";
}

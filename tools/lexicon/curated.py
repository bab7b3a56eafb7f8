"""Hand-made starter lists: misspellings, context repairs, kept pairs and
shorthand. make_lexicon.py checks every entry against the generated word
lists before writing it, so a slip here cannot break ordinary typing."""

# Single words that are not Vietnamese but are commonly typed for one.
CORRECTIONS = {
    "nghành": "ngành",
    "giử": "giữ",
    "hưóng": "hướng",
    "đuợc": "được",
    "nguời": "người",
    "đuờng": "đường",
    "thuờng": "thường",
    "nuớc": "nước",
    "đựoc": "được",
    "chuơng": "chương",
    "truớc": "trước",
}

# (previous word, word) -> (previous word, word): spellings that are words on
# their own and only wrong next to each other. Transcript clean-up applies
# these without the kept pairs, so a pair that real text holds (khả năng
# xuất hiện, tách lẻ ra) must not be here at all.
CONTEXT_CORRECTIONS = {
    ("sữa", "chữa"): ("sửa", "chữa"),
    ("sữa", "lại"): ("sửa", "lại"),
    ("sữa", "đổi"): ("sửa", "đổi"),
    ("sữa", "lỗi"): ("sửa", "lỗi"),
    ("sử", "lý"): ("xử", "lý"),
    ("xử", "dụng"): ("sử", "dụng"),
    ("sản", "suất"): ("sản", "xuất"),
    ("suất", "sắc"): ("xuất", "sắc"),
    ("xuất", "xắc"): ("xuất", "sắc"),
    ("sắp", "sếp"): ("sắp", "xếp"),
    ("xắp", "xếp"): ("sắp", "xếp"),
    ("bổ", "xung"): ("bổ", "sung"),
    ("kiểm", "xoát"): ("kiểm", "soát"),
    ("xinh", "nhật"): ("sinh", "nhật"),
    ("chăm", "xóc"): ("chăm", "sóc"),
    ("xâu", "sắc"): ("sâu", "sắc"),
    ("sót", "xa"): ("xót", "xa"),
    ("xuy", "nghĩ"): ("suy", "nghĩ"),
    ("suy", "nghỉ"): ("suy", "nghĩ"),
    ("nghĩ", "ngơi"): ("nghỉ", "ngơi"),
    ("cư", "sử"): ("cư", "xử"),
    ("dữ", "gìn"): ("giữ", "gìn"),
    ("giữ", "dội"): ("dữ", "dội"),
    ("giữ", "liệu"): ("dữ", "liệu"),
    ("dao", "diện"): ("giao", "diện"),
    ("dao", "dịch"): ("giao", "dịch"),
    ("dải", "quyết"): ("giải", "quyết"),
    ("dải", "thích"): ("giải", "thích"),
    ("giành", "riêng"): ("dành", "riêng"),
    ("dành", "giật"): ("giành", "giật"),
    ("chuẩn", "đoán"): ("chẩn", "đoán"),
    ("tuổi", "chẻ"): ("tuổi", "trẻ"),
    ("chuyền", "thống"): ("truyền", "thống"),
    ("trú", "ý"): ("chú", "ý"),
    ("trú", "trọng"): ("chú", "trọng"),
    ("trân", "thành"): ("chân", "thành"),
    ("chân", "trọng"): ("trân", "trọng"),
    ("nổ", "lực"): ("nỗ", "lực"),
    ("chia", "sẽ"): ("chia", "sẻ"),
    ("lẽ", "loi"): ("lẻ", "loi"),
    ("vẻ", "tranh"): ("vẽ", "tranh"),
    ("bửa", "ăn"): ("bữa", "ăn"),
    ("đẹp", "đẻ"): ("đẹp", "đẽ"),
    ("rảnh", "rổi"): ("rảnh", "rỗi"),
    ("dễ", "dải"): ("dễ", "dãi"),
    ("sảy", "ra"): ("xảy", "ra"),
    ("xắc", "xảo"): ("sắc", "sảo"),
    ("củng", "vậy"): ("cũng", "vậy"),
    ("củng", "được"): ("cũng", "được"),
    ("củng", "là"): ("cũng", "là"),
    ("củng", "có"): ("cũng", "có"),
}

# Pairs in which the first word of a context repair above is right as it is.
KEEP_PAIRS = [
    ("uống", "sữa"), ("hộp", "sữa"), ("bình", "sữa"), ("ly", "sữa"),
    ("cốc", "sữa"), ("bột", "sữa"), ("lịch", "sử"), ("tiểu", "sử"),
    ("quân", "sử"), ("cô", "xinh"), ("rất", "xinh"),
    ("thật", "xinh"), ("hay", "giữ"),
    ("đang", "giữ"), ("nắm", "giữ"), ("lưu", "giữ"), ("gìn", "giữ"),
    ("con", "dao"), ("cầm", "dao"), ("sắc", "dao"), ("lưỡi", "dao"),
    ("tiêu", "chuẩn"), ("bùng", "nổ"), ("vụ", "nổ"), ("tiếng", "nổ"),
]

# Abbreviation -> (expansion, blocked after an English word).
SHORTHAND = {
    "ko": ("không", False),
    "kh": ("không", True),
    "hok": ("không", False),
    "dc": ("được", True),
    "đc": ("được", False),
    "vs": ("với", True),
    "ng": ("người", True),
    "mn": ("mọi người", True),
    "ntn": ("như thế nào", False),
    "vd": ("ví dụ", True),
    "tl": ("trả lời", True),
    "cx": ("cũng", False),
    "cg": ("cũng", True),
    "mk": ("mình", True),
    "trc": ("trước", False),
    "thik": ("thích", False),
    "nhìu": ("nhiều", False),
    "nhiu": ("nhiêu", False),
    "bik": ("biết", False),
    "lm": ("làm", True),
    "bh": ("bao giờ", True),
    "bjo": ("bây giờ", False),
    "hqua": ("hôm qua", False),
    "hnay": ("hôm nay", False),
    "sn": ("sinh nhật", True),
    "ck": ("chồng", True),
    "vk": ("vợ", True),
    "tks": ("cảm ơn", True),
    "kq": ("kết quả", True),
    "đt": ("điện thoại", False),
    "j": ("gì", True),
    "r": ("rồi", True),
    "z": ("vậy", True),
}

# Codes whose VNI keys in capitals would also spell a letter with its tone
# (A4: Ã), kept as typed in capitals: the paper sizes of everyday office work.
# Other capitals with a tone digit are the letter (châu Á typed A1), and in
# small letters the keys are the syllable (a5: ạ).
KNOWN_CODES = ["a3", "a4", "a5"]

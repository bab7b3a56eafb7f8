"""miraDot's offline translation service.

Run by the embedded Python of the translation runtime as
    miraDot-Translate.exe -I -B <install>\\mt\\mt_win.py --serve
it serves the translation pipe of the user's session: one JSON request line
and one JSON reply line per exchange. Requests:
    {"cmd":"ping"}      -> {"ok":true,"service":"miraDot-mt","loaded":[...]}
    {"cmd":"translate","text":"...","to":"auto","my":"vi","other":"fr"}
    {"cmd":"unload"}    -> models released, files free
    {"cmd":"quit"}      -> replies, then ends
Translation runs between "my" and "other" (the direction is decided from the
text) through the CTranslate2 models "en-xx" and "xx-en" of the translation
home, through English when neither side is English.
"""

import contextlib
import gc
import json
import os
import re
import sys
import time

SERVICE_NAME = "miraDot-mt"

# The languages a pack can be installed for (English is the hub of every pair).
LANGUAGES = (
    "vi", "zh", "ja", "ko", "fr", "de", "es", "ru", "th", "id", "it", "pt", "hi", "ar", "tr",
    "pl", "uk", "cs", "sv", "da", "hu", "ro", "el", "he", "fa", "ur", "bn", "lv", "is",
)

REQUEST_LIMIT = 65536          # bytes of one request line
ERROR_LIMIT = 150              # bytes of an error text (the client keeps 199)
MAX_INPUT_TOKENS = 400         # longer sentences are cut and flagged
MODELS_IDLE_S = 15 * 60        # loaded models are released after this long unused
SERVICE_IDLE_S = 4 * 60 * 60   # the service ends after this long without a request

EXIT_OK = 0
EXIT_NO_NAME = 2
EXIT_ALREADY_RUNNING = 3
EXIT_USAGE = 4

# ---------------------------------------------------------------------------
# The diagnostics log: the files and the line of the system's own programs,
# "LOCALAPPDATA\miraDot\logs\miraDot.log" and the older "miraDot.1.log".
# Events name outcomes, models and error kinds, never a text to translate or
# a translation.

LOG_FILE_LIMIT = 256 * 1024    # a file is moved aside before a line takes it past this
LOG_EVENT_LIMIT = 400          # bytes of one event
LOG_PROGRAM = "mt_win.py"


def log_folder():
    local = os.environ.get("LOCALAPPDATA", "")
    if not 1 <= len(local) <= 239:
        return None
    folder = os.path.join(local, "miraDot", "logs")
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError:
        return None
    return folder


def format_log_line(unix_ms, program, process_id, event):
    event = event.encode("utf-8", "replace")[:LOG_EVENT_LIMIT].decode("utf-8", "ignore")
    event = event.replace("\r", " ").replace("\n", " ")
    stamp = time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(unix_ms // 1000))
    return "%s.%03dZ %s %d %s\n" % (stamp, unix_ms % 1000, program, process_id, event)


@contextlib.contextmanager
def _log_lock(folder):
    """The lock every writer of the session shares; yields whether it is held."""
    if os.name != "nt":
        import fcntl
        with open(os.path.join(folder, ".lock"), "a") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            yield True
        return
    import ctypes
    k32 = ctypes.WinDLL("kernel32")
    k32.CreateMutexW.restype = ctypes.c_void_p
    mutex = ctypes.c_void_p(k32.CreateMutexW(None, False, "Local\\miraDot-diagnostics-log"))
    held = bool(mutex.value) and k32.WaitForSingleObject(mutex, 2000) in (0, 0x80)
    try:
        yield held
    finally:
        if held:
            k32.ReleaseMutex(mutex)
        if mutex.value:
            k32.CloseHandle(mutex)


def log_event(event):
    """Appends one line; a log that cannot be written is no reason to fail."""
    folder = log_folder()
    if folder is None:
        return
    line = format_log_line(int(time.time() * 1000), LOG_PROGRAM, os.getpid(), event).encode("utf-8")
    current = os.path.join(folder, "miraDot.log")
    try:
        with _log_lock(folder) as held:
            if not held:
                return
            if os.path.isfile(current) and os.path.getsize(current) + len(line) > LOG_FILE_LIMIT:
                os.replace(current, os.path.join(folder, "miraDot.1.log"))
            with open(current, "ab") as log:
                log.write(line)
    except OSError:
        pass

# ---------------------------------------------------------------------------
# Which language a text is in

# (first, last, script) for the scripts that tell languages apart.
_SCRIPT_RANGES = (
    (0x0041, 0x024F, "Latn"), (0x1E00, 0x1EFF, "Latn"),
    (0x0370, 0x03FF, "Grek"), (0x1F00, 0x1FFF, "Grek"),
    (0x0400, 0x052F, "Cyrl"),
    (0x0590, 0x05FF, "Hebr"),
    (0x0600, 0x06FF, "Arab"), (0x0750, 0x077F, "Arab"), (0xFB50, 0xFDFF, "Arab"), (0xFE70, 0xFEFF, "Arab"),
    (0x0900, 0x097F, "Deva"),
    (0x0980, 0x09FF, "Beng"),
    (0x0E00, 0x0E7F, "Thai"),
    (0x1100, 0x11FF, "Hang"), (0x3130, 0x318F, "Hang"), (0xAC00, 0xD7AF, "Hang"),
    (0x3040, 0x30FF, "Kana"), (0x31F0, 0x31FF, "Kana"), (0xFF66, 0xFF9D, "Kana"),
    (0x3400, 0x4DBF, "Hani"), (0x4E00, 0x9FFF, "Hani"), (0xF900, 0xFAFF, "Hani"), (0x20000, 0x2FFFF, "Hani"),
)

# Scripts that only one language of the set is written in.
_SCRIPT_LANGUAGE = {"Grek": "el", "Hebr": "he", "Deva": "hi", "Beng": "bn", "Thai": "th", "Hang": "ko",
                    "Kana": "ja"}

# Letters no other language of the set uses: the Vietnamese block, đ, ơ, ư.
_VIETNAMESE_ONLY = re.compile("[\u1ea0-\u1ef9\u0111\u0110\u01a1\u01a0\u01b0\u01af]")

# Letters that point to a Latin-script language, with their weight.
_LETTER_HINTS = {
    "ß": {"de": 3}, "ä": {"de": 1, "sv": 1}, "ö": {"de": 1, "sv": 1, "hu": 1, "tr": 1, "is": 1},
    "ü": {"de": 1, "hu": 1, "tr": 1}, "ñ": {"es": 3}, "¿": {"es": 3}, "¡": {"es": 3},
    "ł": {"pl": 3}, "ś": {"pl": 3}, "ź": {"pl": 3}, "ż": {"pl": 3}, "ń": {"pl": 3}, "ą": {"pl": 3},
    "ę": {"pl": 3}, "ć": {"pl": 2}, "ř": {"cs": 3}, "ě": {"cs": 3}, "ů": {"cs": 3}, "č": {"cs": 1, "lv": 1},
    "š": {"cs": 1, "lv": 1}, "ž": {"cs": 1, "lv": 1}, "ő": {"hu": 3}, "ű": {"hu": 3},
    "ș": {"ro": 3}, "ț": {"ro": 3}, "ţ": {"ro": 2}, "î": {"ro": 1, "fr": 1}, "ă": {"ro": 2},
    "ā": {"lv": 3}, "ē": {"lv": 3}, "ī": {"lv": 3}, "ū": {"lv": 3}, "ķ": {"lv": 3}, "ļ": {"lv": 3},
    "ņ": {"lv": 3}, "ģ": {"lv": 3}, "þ": {"is": 3}, "ð": {"is": 3}, "æ": {"da": 2, "is": 1},
    "ø": {"da": 3}, "å": {"sv": 2, "da": 1}, "ğ": {"tr": 3}, "ı": {"tr": 3}, "ş": {"tr": 2, "ro": 1},
    "ã": {"pt": 2}, "õ": {"pt": 2}, "ç": {"fr": 1, "pt": 1, "tr": 1}, "œ": {"fr": 3}, "è": {"fr": 1, "it": 1},
    "ê": {"fr": 1, "pt": 1}, "ë": {"fr": 1}, "û": {"fr": 1}, "ï": {"fr": 1}, "ì": {"it": 1}, "ò": {"it": 1},
}

# Frequent short words, for the languages that share the Latin script.
_WORDS = {
    "vi": "toi ban anh em chung minh la va cua co khong nay mot nhung duoc nguoi cho voi cac trong da se thi "
          "ma roi gi nao di lam biet muon can phai rat nhieu day kia hay cung vi nen khi neu xin chao cam on "
          "hom nay ngay mai dang chua duoc lai",
    "en": "the be to of and a in that have it for not on with he as you do at this but his by from they we "
          "say her she or an will my one all would there their what so up out if about who get which go me "
          "is are was were been has had can could should i hello thanks please yes no how when where why",
    "fr": "le la les de des du un une et est pas que qui dans pour sur avec ce cette il elle nous vous ils sont "
          "je tu au aux ne plus mais ou comme bonjour merci oui non tres bien",
    "de": "der die das und ist nicht ein eine zu den mit von sich des auf fur im dem ich du er sie wir ihr "
          "es auch als an nach wie aber hallo danke ja nein sehr gut bitte",
    "es": "el la los las de y que en un una es por con no para lo como mas pero sus le ya o este esta son "
          "hola gracias si muy bien yo tu usted",
    "it": "il lo la gli le di e che un una non per con sono come ma anche questo questa ciao grazie si molto "
          "bene io tu del della",
    "pt": "o a os as de e que em um uma nao para com por mais como mas foi ele ela sao esta isso ola obrigado "
          "sim muito bem eu voce do da",
    "id": "yang dan di ini itu dengan untuk tidak dari dalam akan pada juga saya anda kami kita ada adalah "
          "bisa sudah terima kasih selamat apa",
    "tr": "bir ve bu da de ne icin ile ben sen o biz siz var yok cok daha ama gibi merhaba tesekkur evet "
          "hayir nasil",
    "pl": "i w na nie sie z do to jest ze co jak ale tak czy ja ty on ona my dzien dobry dziekuje prosze",
    "cs": "a v na je se to ze s z do jak ale tak jsem jsi byl co ne ano dekuji prosim dobry den",
    "sv": "och i att det som en pa ar av for med till den har inte om ett jag du vi hej tack ja nej",
    "da": "og i at det som en pa er af for med til den har ikke om et jeg du vi hej tak ja nej",
    "hu": "a az es hogy nem egy is van meg de en te o mi ti ok szia koszonom igen",
    "ro": "si in de la cu nu pe ca o un este sunt mai ce eu tu el ea buna multumesc da",
    "lv": "un ir ka uz ar no par vai es tu vins vina mes jus paldies sveiki ja ne",
    "is": "og i a ad er sem ekki vid en um til med af eg thu hann hun takk ja nei",
}
_WORD_SETS = {code: frozenset(words.split()) for code, words in _WORDS.items()}
_WORD_RE = re.compile(r"[^\W\d_]+")


def script_of(ch):
    point = ord(ch)
    for first, last, script in _SCRIPT_RANGES:
        if first <= point <= last:
            return script
    return None


def _strip_marks(word):
    import unicodedata
    decomposed = unicodedata.normalize("NFD", word.replace("đ", "d").replace("Đ", "D"))
    return "".join(c for c in decomposed if not unicodedata.combining(c)).lower()


def _among(choices, preferred, fallback):
    for code in preferred:
        if code in choices:
            return code
    return fallback


def _detect_latin(text, preferred, my):
    if _VIETNAMESE_ONLY.search(text):
        return "vi", True
    scores = dict.fromkeys(_WORDS, 0.0)
    for ch in text.lower():
        for code, weight in _LETTER_HINTS.get(ch, {}).items():
            scores[code] += weight
    for word in _WORD_RE.findall(text):
        plain = _strip_marks(word)
        for code, words in _WORD_SETS.items():
            if plain in words:
                scores[code] += 2
    # The languages of the request win ties.
    for rank, code in enumerate(preferred):
        if code in scores:
            scores[code] += 0.5 - rank * 0.1
    best = max(scores, key=scores.get)
    if scores[best] >= 2:
        return best, True
    # Without evidence: my language would have shown its letters or words.
    guesses = [code for code in preferred if code in _WORDS and code != my]
    return (guesses[0] if guesses else "en"), False


def detect_language(text, my="vi", other="en"):
    """The language of text as (code, sure): its script first, then the
    Vietnamese letters, then frequent words where scripts agree."""
    preferred = [code for code in (other, my, "en") if code]
    counts = {}
    for ch in text:
        if ch.isalpha():
            script = script_of(ch)
            if script:
                counts[script] = counts.get(script, 0) + 1
    if not counts:
        return _among(("vi", "en"), preferred, "en"), False
    if counts.get("Kana"):
        return "ja", True
    script = max(counts, key=counts.get)
    if script in _SCRIPT_LANGUAGE:
        return _SCRIPT_LANGUAGE[script], True
    if script == "Hani":
        return _among(("zh", "ja"), preferred, "zh"), True
    if script == "Cyrl":
        if re.search("[іїєґІЇЄҐ]", text):
            return "uk", True
        if re.search("[ыэъёЫЭЪЁ]", text):
            return "ru", True
        return _among(("ru", "uk"), preferred, "ru"), True
    if script == "Arab":
        if re.search("[\u0679\u0688\u0691\u06ba\u06be\u06d2]", text):
            return "ur", True
        if re.search("[\u067e\u0686\u0698\u06af\u06a9\u06cc]", text):
            return _among(("fa", "ur"), preferred, "fa"), True
        return _among(("ar", "fa", "ur"), preferred, "ar"), True
    return _detect_latin(text, preferred, my)


def choose_direction(text, my, other, to):
    """(from, to, sure) for a request: "auto" translates my-language text into
    the other language and everything else into mine."""
    source, sure = detect_language(text, my, other)
    if to != "auto":
        return source, to, sure
    if source == my:
        return source, (other if other != my else "en"), sure
    return source, my, sure


# ---------------------------------------------------------------------------
# Sentences

# A sentence ends at . ! ? … (with closing quotes or brackets) before spaces
# and a character that is not a lower-case letter, or at the full-width marks.
_SENTENCE_END = re.compile(r"(?<=[.!?…])[\"'”’)\]»]*\s+(?=[^\s\W]|[\"'“‘(\[«¿¡\d])|(?<=[。！？])\s*")
_NO_SPACE_TARGETS = ("zh", "ja")


def split_sentences(line):
    """The sentences of one line and the gaps between them, as
    [lead, s1, gap1, s2, ..., sN, tail]; joining it gives the line back."""
    stripped = line.strip()
    if not stripped:
        return [line]
    start = line.index(stripped[0])
    end = start + len(stripped)
    parts = [line[:start]]
    position = start
    for match in _SENTENCE_END.finditer(line, start, end):
        if match.start() == position or match.end() >= end:
            continue
        following = line[match.end():match.end() + 1]
        if following.islower():
            continue
        sentence = line[position:match.start()]
        gap = match.group(0)
        # The closing marks belong to the sentence, the spaces are the gap.
        closing = len(gap) - len(gap.lstrip("\"'”’)]»"))
        parts.append(sentence + gap[:closing])
        parts.append(gap[closing:])
        position = match.end()
    parts.append(line[position:end])
    parts.append(line[end:])
    return parts


def split_text(text):
    """Lines (kept apart by their line breaks) and their sentences."""
    return [split_sentences(line) for line in text.split("\n")]


def join_text(lines, translated, target):
    """Puts translated sentences (in order) back between the original gaps."""
    sentences = iter(translated)
    out_lines = []
    for parts in lines:
        if len(parts) == 1:
            out_lines.append(parts[0])
            continue
        pieces = [parts[0]]
        for index in range(1, len(parts) - 1):
            if index % 2 == 1:
                pieces.append(next(sentences))
            else:
                gap = parts[index]
                if target in _NO_SPACE_TARGETS:
                    gap = ""
                elif not gap:
                    gap = " "
                pieces.append(gap)
        pieces.append(parts[-1])
        out_lines.append("".join(pieces))
    return "\n".join(out_lines)


def sentences_of(lines):
    return [parts[index] for parts in lines for index in range(1, len(parts) - 1, 2)]


# ---------------------------------------------------------------------------
# Models and the road between two languages

def model_name(source, target):
    return "%s-%s" % (source, target)


def route(source, target):
    """The models that carry source to target, through English when needed."""
    if source == "en" or target == "en":
        return [model_name(source, target)]
    return [model_name(source, "en"), model_name("en", target)]


def model_folder(home, name):
    return os.path.join(home, name)


def model_present(home, name):
    return os.path.isfile(os.path.join(model_folder(home, name), "model.bin"))


def missing_languages(home, models):
    """The languages whose packs the missing models belong to, in road order."""
    need = []
    for name in models:
        if model_present(home, name):
            continue
        source, target = name.split("-")
        language = target if source == "en" else source
        if language not in need:
            need.append(language)
    return need


def translation_home():
    """The translation home, by the same rule as the text service and the
    settings program; else the folder above the runtime this runs in."""
    value = os.environ.get("MIRADOT_MT_HOME", "")
    if 1 <= len(value) <= 219:
        return value
    local = os.environ.get("LOCALAPPDATA", "")
    if 1 <= len(local) <= 219:
        return os.path.join(local, "miraDot", "mt")
    return os.path.dirname(os.path.dirname(os.path.abspath(sys.executable)))


# ---------------------------------------------------------------------------
# The translator: CTranslate2 and SentencePiece, loaded on first use

def _repeats(tokens):
    """True when the output runs in circles, as a model that lost its way does."""
    for size in (1, 2, 3):
        run = 1
        for index in range(size, len(tokens) - size + 1, size):
            if tokens[index:index + size] == tokens[index - size:index]:
                run += 1
                if run > 4:
                    return True
            else:
                run = 1
    return False


class ModelTranslator:
    """Translates batches of sentences with one model folder of the home;
    a model is loaded on its first use and kept until unload()."""

    def __init__(self, home):
        self.home = home
        self.models = {}

    def loaded(self):
        return sorted(self.models)

    def _load(self, name):
        try:
            return self._open(name)
        except Exception as error:
            log_event("model %s load error: %s: %s" % (name, type(error).__name__, error))
            raise

    def _open(self, name):
        import ctranslate2
        import sentencepiece
        folder = model_folder(self.home, name)
        joint = os.path.join(folder, "joint.spm.model")
        source_model = joint if os.path.isfile(joint) else os.path.join(folder, "src.spm.model")
        target_model = joint if os.path.isfile(joint) else os.path.join(folder, "tgt.spm.model")
        threads = max(1, min(4, (os.cpu_count() or 2) // 2))
        translator = ctranslate2.Translator(folder, device="cpu", compute_type="auto",
                                            inter_threads=1, intra_threads=threads)
        source = sentencepiece.SentencePieceProcessor(model_file=source_model)
        target = source if target_model == source_model else \
            sentencepiece.SentencePieceProcessor(model_file=target_model)
        self.models[name] = (translator, source, target)
        return self.models[name]

    def translate(self, name, sentences):
        """[(translation, warnings)] for the sentences, in order."""
        translator, source, target = self.models.get(name) or self._load(name)
        batch = source.encode(sentences, out_type=str)
        warnings = [set() for _ in sentences]
        for index, tokens in enumerate(batch):
            if len(tokens) > MAX_INPUT_TOKENS:
                batch[index] = tokens[:MAX_INPUT_TOKENS]
                warnings[index].add("cut")
        results = translator.translate_batch(batch, beam_size=2, max_decoding_length=2 * MAX_INPUT_TOKENS,
                                             replace_unknowns=True, max_batch_size=16)
        out = []
        for index, result in enumerate(results):
            tokens = result.hypotheses[0]
            text = target.decode(tokens)
            if "<unk>" in tokens or "\u2047" in text:
                warnings[index].add("unknown")
            if _repeats(tokens):
                warnings[index].add("repeat")
            out.append((text, warnings[index]))
        return out

    def unload(self):
        count = len(self.models)
        self.models.clear()
        gc.collect()
        return count


# ---------------------------------------------------------------------------
# Requests and replies

_CODE = re.compile(r"^[a-z]{2,3}$")


def json_string(text):
    """A JSON string in the escapes the system's small reader knows: a line
    break is \\n (CR LF and CR become one), a tab \\t, other controls \\u00XX."""
    text = text.replace("\r\n", "\n").replace("\r", "\n")
    out = ['"']
    for ch in text:
        if ch == '"' or ch == "\\":
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\t":
            out.append("\\t")
        elif ord(ch) < 0x20:
            out.append("\\u%04x" % ord(ch))
        else:
            out.append(ch)
    out.append('"')
    return "".join(out)


def reply_line(members):
    """One flat reply object, members in the order given ("ok" first)."""
    out = []
    for name, value in members:
        if value is True or value is False:
            encoded = "true" if value else "false"
        elif isinstance(value, (list, tuple)):
            encoded = "[" + ",".join(json_string(item) for item in value) + "]"
        elif isinstance(value, int):
            encoded = str(value)
        else:
            encoded = json_string(value)
        out.append(json_string(name) + ":" + encoded)
    return "{" + ",".join(out) + "}"


def failure(error, *extra):
    return reply_line([("ok", False), ("error", error[:ERROR_LIMIT])] + list(extra))


class TranslationService:
    """Turns request lines into reply lines; knows nothing of pipes."""

    def __init__(self, home, translator=None):
        self.home = home
        self.translator = translator if translator is not None else ModelTranslator(home)
        self.last_request = time.monotonic()

    def handle(self, line, overflowed=False):
        """(reply line, go on) for one request line (bytes, no line feed)."""
        self.last_request = time.monotonic()
        if overflowed or len(line) > REQUEST_LIMIT:
            return failure("request too long"), True
        try:
            request = json.loads(line.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            return failure("not json"), True
        if not isinstance(request, dict):
            return failure("not an object"), True
        command = request.get("cmd")
        if command == "ping":
            return reply_line([("ok", True), ("service", SERVICE_NAME), ("loaded", self.translator.loaded())]), True
        if command == "translate":
            return self.translate(request), True
        if command == "unload":
            return reply_line([("ok", True), ("unloaded", self.translator.unload())]), True
        if command == "quit":
            self.translator.unload()
            return reply_line([("ok", True)]), False
        if not isinstance(command, str):
            return failure("missing cmd"), True
        return failure("unknown command"), True

    def translate(self, request):
        text = request.get("text")
        if not isinstance(text, str):
            return failure("missing text")
        fields = {}
        for name, default in (("my", "vi"), ("other", "en"), ("to", "auto")):
            value = request.get(name, default)
            if not isinstance(value, str) or not (_CODE.match(value) or (name == "to" and value == "auto")):
                return failure("bad language code in \"%s\"" % name)
            fields[name] = value
        text = text.replace("\r\n", "\n").replace("\r", "\n")
        if not text.strip():
            return failure("empty text")
        source, target, sure = choose_direction(text, fields["my"], fields["other"], fields["to"])
        if source == target:
            return failure("text is already in the target language", ("from", source), ("to", target))
        models = route(source, target)
        need = missing_languages(self.home, models)
        if need:
            return failure("no_model", ("need", need), ("from", source), ("to", target))
        lines = split_text(text)
        sentences = sentences_of(lines)
        warnings = set() if sure else {"language_guess"}
        try:
            for name in models:
                results = self.translator.translate(name, sentences)
                sentences = [translated for translated, _ in results]
                for _, flags in results:
                    warnings |= set(flags)
        except Exception as error:  # a broken model file must not end the service
            log_event("translation with %s failed: %s" % (" ".join(models), type(error).__name__))
            return failure("translation failed: %s" % (error,))
        members = [("ok", True), ("text", join_text(lines, sentences, target)), ("from", source), ("to", target),
                   ("warn", sorted(warnings))]
        if len(models) > 1:
            members.append(("via", "en"))
        return reply_line(members)

    def idle_check(self, now=None):
        """Releases models unused for a while; False when the service should end."""
        idle = (time.monotonic() if now is None else now) - self.last_request
        if idle > MODELS_IDLE_S and self.translator.loaded():
            self.translator.unload()
        return idle <= SERVICE_IDLE_S


# ---------------------------------------------------------------------------
# The pipe, through the Windows API

class LineFramer:
    """Cuts the bytes of one connection into request lines; a line longer
    than REQUEST_LIMIT keeps its start and is marked overflowed."""

    def __init__(self):
        self.line = bytearray()
        self.overflowed = False

    def feed(self, data):
        """The (line, overflowed) pairs that data completes."""
        lines = []
        while data:
            feed = data.find(b"\n")
            chunk = data if feed < 0 else data[:feed]
            room = REQUEST_LIMIT - len(self.line)
            if len(chunk) > room:
                self.overflowed = True
            self.line += chunk[:max(0, room)]
            if feed < 0:
                break
            lines.append((bytes(self.line), self.overflowed))
            self.line.clear()
            self.overflowed = False
            data = data[feed + 1:]
        return lines


def pipe_tag(value):
    """The tag part of the pipe name from MIRADOT_MT_TAG, or None when the
    value makes no valid name (then no name is made at all)."""
    if not value or len(value) >= 22:
        return ""
    if all(ch.isalnum() for ch in value):
        return "-" + value
    return None


def pipe_name(sid, session, tag):
    return "\\\\.\\pipe\\miradot-mt-%s-%d%s" % (sid, session, tag)


class PipeServer:
    """The server end of the translation pipe: the same name, one-entry
    access list and framing as the system's own servers. Each connection is
    served on this thread; a client that takes longer than LINE_DEADLINE_MS
    to send its line or take its reply is dropped."""

    LINE_DEADLINE_MS = 2000
    CONNECT_SLICE_MS = 60000
    INSTANCES = 4
    BUFFER = 65536

    def __init__(self, service):
        import ctypes
        from ctypes import wintypes
        self.ctypes = ctypes
        self.service = service
        k32 = ctypes.WinDLL("kernel32", use_last_error=True)
        adv = ctypes.WinDLL("advapi32", use_last_error=True)
        H, D, B, P = wintypes.HANDLE, wintypes.DWORD, wintypes.BOOL, ctypes.c_void_p

        class OVERLAPPED(ctypes.Structure):
            _fields_ = [("Internal", ctypes.c_size_t), ("InternalHigh", ctypes.c_size_t),
                        ("Offset", D), ("OffsetHigh", D), ("hEvent", H)]

        class SECURITY_ATTRIBUTES(ctypes.Structure):
            _fields_ = [("nLength", D), ("lpSecurityDescriptor", P), ("bInheritHandle", B)]

        self.OVERLAPPED = OVERLAPPED
        self.SECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES

        def bind(dll, name, restype, *argtypes):
            function = getattr(dll, name)
            function.restype = restype
            function.argtypes = argtypes
            return function

        self.GetCurrentProcess = bind(k32, "GetCurrentProcess", H)
        self.GetCurrentProcessId = bind(k32, "GetCurrentProcessId", D)
        self.ProcessIdToSessionId = bind(k32, "ProcessIdToSessionId", B, D, ctypes.POINTER(D))
        self.OpenProcessToken = bind(adv, "OpenProcessToken", B, H, D, ctypes.POINTER(H))
        self.GetTokenInformation = bind(adv, "GetTokenInformation", B, H, ctypes.c_int, P, D, ctypes.POINTER(D))
        self.ConvertSidToStringSidW = bind(adv, "ConvertSidToStringSidW", B, P, ctypes.POINTER(wintypes.LPWSTR))
        self.ConvertSddl = bind(adv, "ConvertStringSecurityDescriptorToSecurityDescriptorW", B,
                                 wintypes.LPCWSTR, D, ctypes.POINTER(P), P)
        self.LocalFree = bind(k32, "LocalFree", P, P)
        self.CloseHandle = bind(k32, "CloseHandle", B, H)
        self.CreateMutexW = bind(k32, "CreateMutexW", H, P, B, wintypes.LPCWSTR)
        self.CreateNamedPipeW = bind(k32, "CreateNamedPipeW", H, wintypes.LPCWSTR, D, D, D, D, D, D, P)
        self.ConnectNamedPipe = bind(k32, "ConnectNamedPipe", B, H, P)
        self.DisconnectNamedPipe = bind(k32, "DisconnectNamedPipe", B, H)
        self.CreateEventW = bind(k32, "CreateEventW", H, P, B, B, wintypes.LPCWSTR)
        self.ResetEvent = bind(k32, "ResetEvent", B, H)
        self.WaitForSingleObject = bind(k32, "WaitForSingleObject", D, H, D)
        self.GetOverlappedResult = bind(k32, "GetOverlappedResult", B, H, P, ctypes.POINTER(D), B)
        self.ReadFile = bind(k32, "ReadFile", B, H, P, D, P, P)
        self.WriteFile = bind(k32, "WriteFile", B, H, P, D, P, P)
        self.CancelIoEx = bind(k32, "CancelIoEx", B, H, P)
        self.event = None
        self.security = None
        self.stopping = False

    # -- name and security

    def user_sid(self):
        ctypes = self.ctypes
        from ctypes import wintypes
        token = wintypes.HANDLE()
        if not self.OpenProcessToken(self.GetCurrentProcess(), 0x0008, ctypes.byref(token)):  # TOKEN_QUERY
            return None
        try:
            buffer = ctypes.create_string_buffer(256)
            size = wintypes.DWORD()
            if not self.GetTokenInformation(token, 1, buffer, 256, ctypes.byref(size)):  # TokenUser
                return None
            sid = ctypes.c_void_p.from_buffer(buffer).value
            text = wintypes.LPWSTR()
            if not self.ConvertSidToStringSidW(sid, ctypes.byref(text)):
                return None
            value = text.value
            self.LocalFree(ctypes.cast(text, ctypes.c_void_p))
            return value if value and len(value) < 128 else None
        finally:
            self.CloseHandle(token)

    def session_id(self):
        from ctypes import wintypes
        session = wintypes.DWORD()
        if not self.ProcessIdToSessionId(self.GetCurrentProcessId(), self.ctypes.byref(session)):
            return None
        return session.value

    # -- instances and input/output

    def create_instance(self, name, first):
        mode = 0x00000003 | 0x40000000 | (0x00080000 if first else 0)  # DUPLEX, OVERLAPPED, FIRST_INSTANCE
        pipe_mode = 0x0 | 0x0 | 0x0 | 0x8  # BYTE, READMODE_BYTE, WAIT, REJECT_REMOTE_CLIENTS
        handle = self.CreateNamedPipeW(name, mode, pipe_mode, self.INSTANCES, self.BUFFER, self.BUFFER, 0,
                                       self.ctypes.byref(self.security))
        return None if handle is None or handle == -1 or handle == 0xFFFFFFFFFFFFFFFF else handle

    def overlapped(self):
        overlapped = self.OVERLAPPED()
        overlapped.hEvent = self.event
        self.ResetEvent(self.event)
        return overlapped

    def finish(self, pipe, overlapped, started, timeout_ms):
        """Bytes moved by an overlapped operation, or None when it failed or
        did not complete within timeout_ms (then it is cancelled)."""
        ctypes = self.ctypes
        from ctypes import wintypes
        done = wintypes.DWORD()
        if not started and ctypes.get_last_error() != 997:  # ERROR_IO_PENDING
            return None
        if not started and self.WaitForSingleObject(self.event, max(0, int(timeout_ms))) != 0:
            self.CancelIoEx(pipe, ctypes.byref(overlapped))
            self.GetOverlappedResult(pipe, ctypes.byref(overlapped), ctypes.byref(done), True)
            return None
        if not self.GetOverlappedResult(pipe, ctypes.byref(overlapped), ctypes.byref(done), False):
            return None
        return done.value

    def read_some(self, pipe, buffer, started_at):
        left = self.LINE_DEADLINE_MS - (time.monotonic() - started_at) * 1000
        if left <= 0:
            return None
        overlapped = self.overlapped()
        started = self.ReadFile(pipe, buffer, len(buffer), None, self.ctypes.byref(overlapped))
        return self.finish(pipe, overlapped, started, left)

    def write_all(self, pipe, data):
        buffer = self.ctypes.create_string_buffer(data, len(data))
        overlapped = self.overlapped()
        started = self.WriteFile(pipe, buffer, len(data), None, self.ctypes.byref(overlapped))
        return self.finish(pipe, overlapped, started, self.LINE_DEADLINE_MS) == len(data)

    def wait_for_client(self, pipe):
        ctypes = self.ctypes
        from ctypes import wintypes
        overlapped = self.overlapped()
        if self.ConnectNamedPipe(pipe, ctypes.byref(overlapped)):
            return True
        error = ctypes.get_last_error()
        if error == 535:  # ERROR_PIPE_CONNECTED
            return True
        if error != 997:
            return False
        while self.WaitForSingleObject(self.event, self.CONNECT_SLICE_MS) == 0x102:  # WAIT_TIMEOUT
            if not self.service.idle_check():
                self.CancelIoEx(pipe, ctypes.byref(overlapped))
                done = wintypes.DWORD()
                self.GetOverlappedResult(pipe, ctypes.byref(overlapped), ctypes.byref(done), True)
                self.stopping = True
                return False
        done = wintypes.DWORD()
        return bool(self.GetOverlappedResult(pipe, ctypes.byref(overlapped), ctypes.byref(done), False))

    def serve_connection(self, pipe):
        buffer = self.ctypes.create_string_buffer(4096)
        framer = LineFramer()
        started_at = time.monotonic()
        while True:
            got = self.read_some(pipe, buffer, started_at)
            if not got:
                return
            for line, overflowed in framer.feed(buffer.raw[:got]):
                reply, go_on = self.service.handle(line, overflowed)
                written = self.write_all(pipe, (reply + "\n").encode("utf-8"))
                started_at = time.monotonic()
                if not go_on:
                    self.stopping = True
                    if written:
                        # The client closes after reading: the files are then free.
                        while self.read_some(pipe, buffer, started_at):
                            pass
                    return

    def run(self):
        ctypes = self.ctypes
        sid = self.user_sid()
        session = self.session_id()
        tag = pipe_tag(os.environ.get("MIRADOT_MT_TAG", ""))
        if sid is None or session is None or tag is None:
            return EXIT_NO_NAME
        name = pipe_name(sid, session, tag)
        descriptor = ctypes.c_void_p()
        if not self.ConvertSddl("D:P(A;;GA;;;%s)" % sid, 1, ctypes.byref(descriptor), None) \
                or not descriptor.value:
            return EXIT_NO_NAME
        self.security = self.SECURITY_ATTRIBUTES(ctypes.sizeof(self.SECURITY_ATTRIBUTES), descriptor, False)
        try:
            # The first-instance flag alone is not honoured everywhere: a mutex
            # of the same name keeps the service single as well.
            single = self.CreateMutexW(ctypes.byref(self.security), False, "Local\\" + name.rsplit("\\", 1)[1])
            if not single or ctypes.get_last_error() == 183:  # ERROR_ALREADY_EXISTS
                if single:
                    self.CloseHandle(single)
                return EXIT_ALREADY_RUNNING
            try:
                current = self.create_instance(name, True)
                if current is None:
                    return EXIT_ALREADY_RUNNING
                self.event = self.CreateEventW(None, True, False, None)
                if not self.event:
                    self.CloseHandle(current)
                    return EXIT_OK
                while current is not None:
                    if not self.wait_for_client(current):
                        if self.stopping:
                            self.CloseHandle(current)
                            break
                        following = self.create_instance(name, False)
                        self.CloseHandle(current)
                        current = following
                        continue
                    following = self.create_instance(name, False)
                    self.serve_connection(current)
                    self.DisconnectNamedPipe(current)
                    self.CloseHandle(current)
                    if self.stopping:
                        if following is not None:
                            self.CloseHandle(following)
                        break
                    current = following
                self.CloseHandle(self.event)
                return EXIT_OK
            finally:
                self.CloseHandle(single)
        finally:
            self.LocalFree(descriptor)


def main(argv):
    if argv[1:] != ["--serve"]:
        if sys.stderr:
            sys.stderr.write("usage: mt_win.py --serve\n")
        return EXIT_USAGE
    log_event("service start")
    code = PipeServer(TranslationService(translation_home())).run()
    log_event("service exit %d" % code)
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv))

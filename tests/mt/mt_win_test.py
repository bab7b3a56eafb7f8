"""The translation service's request handling, language detection, roads
through English and sentence handling, with a translator of the tests' own
behind the service's translator interface (CTranslate2 is not installed
here). Run: python3 -m unittest mt_win_test (with MT_SCRIPT_DIR set)."""

import contextlib
import io
import json
import os
import sys
import tempfile
import unittest
import unittest.mock

sys.path.insert(0, os.environ.get("MT_SCRIPT_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "mt")))
import mt_win  # noqa: E402


class TagTranslator:
    """Marks every sentence with the model that carried it: "[en-vi]Hello."."""

    def __init__(self, warnings=None, fails=False):
        self.calls = []
        self.models = set()
        self.warnings = warnings or {}
        self.fails = fails

    def loaded(self):
        return sorted(self.models)

    def translate(self, name, sentences):
        if self.fails:
            raise RuntimeError("model.bin is damaged")
        self.calls.append((name, list(sentences)))
        self.models.add(name)
        return [("[%s]%s" % (name, s), self.warnings.get(s, set())) for s in sentences]

    def unload(self):
        count = len(self.models)
        self.models.clear()
        return count


def make_home(*models):
    home = tempfile.mkdtemp(prefix="mt-home-")
    for name in models:
        os.makedirs(os.path.join(home, name))
        with open(os.path.join(home, name, "model.bin"), "wb") as f:
            f.write(b"x")
    return home


ALL_PAIRS = [name for code in ("vi", "zh", "fr", "ja", "ru") for name in ("en-" + code, code + "-en")]


class ServiceCase(unittest.TestCase):
    def setUp(self):
        self.translator = TagTranslator()
        self.service = mt_win.TranslationService(make_home(*ALL_PAIRS), self.translator)

    def ask(self, request, raw=False):
        line = request if raw else json.dumps(request, ensure_ascii=False).encode("utf-8")
        reply, go_on = self.service.handle(line)
        self.assertNotIn("\n", reply)
        self.assertTrue(reply.startswith('{"ok":'), reply)
        return json.loads(reply), go_on, reply

    def translate(self, text, other="en", to="auto"):
        reply, _, _ = self.ask({"cmd": "translate", "text": text, "to": to, "my": "vi", "other": other})
        return reply


class RequestTest(ServiceCase):
    def test_ping_unload_quit(self):
        reply, go_on, _ = self.ask({"cmd": "ping"})
        self.assertEqual((reply["ok"], reply["loaded"], go_on), (True, [], True))
        self.translate("Hello.")
        self.assertEqual(self.ask({"cmd": "ping"})[0]["loaded"], ["en-vi"])
        reply, go_on, _ = self.ask({"cmd": "unload"})
        self.assertEqual((reply["unloaded"], go_on, self.translator.loaded()), (1, True, []))
        self.translate("Hello.")
        reply, go_on, _ = self.ask({"cmd": "quit"})
        self.assertEqual((reply["ok"], go_on, self.translator.loaded()), (True, False, []))

    def test_bad_requests_get_a_reason_and_serving_goes_on(self):
        cases = [
            (b"not json at all", "not json"),
            (b"\xff\xfe{}", "not json"),
            (b"[1,2]", "not an object"),
            (b'{"text":"a"}', "missing cmd"),
            (b'{"cmd":"dance"}', "unknown command"),
            (b'{"cmd":"translate"}', "missing text"),
            (b'{"cmd":"translate","text":5}', "missing text"),
            (b'{"cmd":"translate","text":"a","other":"EN"}', 'bad language code in "other"'),
            (b'{"cmd":"translate","text":"a","my":"vietnamese"}', 'bad language code in "my"'),
            (b'{"cmd":"translate","text":"a","to":"x1"}', 'bad language code in "to"'),
            (b'{"cmd":"translate","text":" \\n\\t "}', "empty text"),
            (b'{"cmd":"translate","text":"' + b"a" * 70000 + b'"}', "request too long"),
        ]
        for line, error in cases:
            with self.subTest(line=line[:40]):
                reply, go_on, _ = self.ask(line, raw=True)
                self.assertEqual((reply["ok"], reply["error"], go_on), (False, error, True))
        self.assertEqual(self.service.handle(b'{"cmd":"ping"}', overflowed=True)[0],
                         '{"ok":false,"error":"request too long"}')
        self.assertTrue(self.ask({"cmd": "ping"})[0]["ok"])

    def test_reply_carries_text_from_to_warn_in_the_clients_escapes(self):
        reply, _, raw = self.ask({"cmd": "translate", "text": 'Say "hi"\\now.\r\nTab\there.', "my": "vi",
                                  "other": "en", "to": "auto"})
        self.assertEqual(list(reply)[:5], ["ok", "text", "from", "to", "warn"])
        self.assertEqual((reply["from"], reply["to"], reply["warn"]), ("en", "vi", []))
        self.assertEqual(reply["text"], '[en-vi]Say "hi"\\now.\n[en-vi]Tab\there.')
        # Only the escapes the text service's reader knows: \" \\ \n \t.
        self.assertIn('"text":"[en-vi]Say \\"hi\\"\\\\now.\\n[en-vi]Tab\\there."', raw)
        self.assertNotIn("\\r", raw)
        self.assertNotIn("\\u", raw)

    def test_other_control_characters_are_numeric_escapes(self):
        self.assertEqual(mt_win.json_string("a\x01b\x1f"), '"a\\u0001b\\u001f"')

    def test_unicode_travels_unescaped(self):
        _, _, raw = self.ask({"cmd": "translate", "text": "Tôi đi học.", "my": "vi", "other": "zh", "to": "auto"})
        self.assertIn("Tôi đi học.", raw)

    def test_translator_failure_is_an_error_reply(self):
        self.service.translator = TagTranslator(fails=True)
        reply = self.translate("Hello there.")
        self.assertEqual(reply, {"ok": False, "error": "translation failed: model.bin is damaged"})
        self.assertTrue(self.ask({"cmd": "ping"})[0]["ok"])

    def test_warnings_are_collected_from_every_model_on_the_road(self):
        self.service.translator = TagTranslator(warnings={"Tôi đi học.": {"unknown"},
                                                          "[vi-en]Tôi đi học.": {"repeat"}})
        reply = self.translate("Tôi đi học.", other="zh")
        self.assertEqual((reply["warn"], reply["via"]), (["repeat", "unknown"], "en"))

    def test_unsure_language_is_flagged(self):
        reply = self.translate("12345 ...")
        self.assertEqual(reply["warn"], ["language_guess"])

    def test_explicit_target_and_same_language(self):
        self.assertEqual(self.translate("Bonjour à tous.", other="en", to="vi")["to"], "vi")
        reply = self.translate("Hello.", other="en", to="en")
        self.assertEqual((reply["ok"], reply["error"]), (False, "text is already in the target language"))


class RoadTest(ServiceCase):
    def test_direction_and_models(self):
        cases = [
            # text, other, from, to, models
            ("Xin chào các bạn.", "en", "vi", "en", ["vi-en"]),
            ("Good morning to you.", "en", "en", "vi", ["en-vi"]),
            ("Xin chào các bạn.", "zh", "vi", "zh", ["vi-en", "en-zh"]),
            ("你好，朋友。", "zh", "zh", "vi", ["zh-en", "en-vi"]),
            ("Bonjour, merci beaucoup.", "fr", "fr", "vi", ["fr-en", "en-vi"]),
            ("The weather is nice.", "fr", "en", "vi", ["en-vi"]),
            ("Привет, как дела?", "fr", "ru", "vi", ["ru-en", "en-vi"]),
        ]
        for text, other, source, target, models in cases:
            with self.subTest(text=text):
                self.translator.calls.clear()
                reply = self.translate(text, other=other)
                self.assertEqual((reply["from"], reply["to"]), (source, target))
                self.assertEqual([name for name, _ in self.translator.calls], models)
                self.assertEqual("via" in reply, len(models) > 1)

    def test_pivot_feeds_the_english_of_the_first_model_to_the_second(self):
        reply = self.translate("Tôi đi học. Bạn thì sao?", other="zh")
        self.assertEqual(self.translator.calls, [
            ("vi-en", ["Tôi đi học.", "Bạn thì sao?"]),
            ("en-zh", ["[vi-en]Tôi đi học.", "[vi-en]Bạn thì sao?"]),
        ])
        # Chinese runs its sentences together.
        self.assertEqual(reply["text"], "[en-zh][vi-en]Tôi đi học.[en-zh][vi-en]Bạn thì sao?")

    def test_missing_packs_are_named_in_need(self):
        cases = [
            # installed models, text, other, need
            ([], "Tôi đi học.", "zh", ["vi", "zh"]),
            (["vi-en"], "Tôi đi học.", "zh", ["zh"]),
            (["en-zh"], "Tôi đi học.", "zh", ["vi"]),
            (["en-vi", "vi-en"], "你好。", "zh", ["zh"]),
            (["en-vi"], "Tôi đi học.", "en", ["vi"]),
            (["vi-en", "en-fr", "fr-en"], "Good day to you.", "fr", ["vi"]),
        ]
        for models, text, other, need in cases:
            with self.subTest(models=models, text=text):
                self.service = mt_win.TranslationService(make_home(*models), TagTranslator())
                reply = self.translate(text, other=other)
                self.assertEqual((reply["ok"], reply["error"], reply["need"]), (False, "no_model", need))
                self.assertEqual(self.service.translator.calls, [])

    def test_a_model_folder_without_model_bin_is_missing(self):
        home = make_home("vi-en")
        os.makedirs(os.path.join(home, "en-vi"))
        self.service = mt_win.TranslationService(home, TagTranslator())
        self.assertEqual(self.translate("Hello friend.")["need"], ["vi"])


class DetectionTest(unittest.TestCase):
    def test_languages_of_lines(self):
        cases = [
            # text, other, language
            ("Hôm nay trời đẹp quá", "en", "vi"),
            ("Tôi là sinh viên", "fr", "vi"),
            ("xin chao, cam on ban nhieu", "en", "vi"),
            ("khong biet lam sao", "en", "vi"),
            ("The quick brown fox jumps over the lazy dog", "en", "en"),
            ("I would like a cup of coffee", "fr", "en"),
            ("Je ne sais pas où est la gare", "fr", "fr"),
            ("Où est la bibliothèque ?", "en", "fr"),
            ("Ich weiß nicht, wo der Bahnhof ist", "de", "de"),
            ("¿Dónde está la estación?", "en", "es"),
            ("Dziękuję bardzo za pomoc", "en", "pl"),
            ("Děkuji, řekl jsem to", "en", "cs"),
            ("Mulțumesc, și eu", "en", "ro"),
            ("Teşekkür ederim, nasılsın", "en", "tr"),
            ("我今天很高兴", "zh", "zh"),
            ("我今天很高兴", "ja", "ja"),
            ("今日はとても嬉しいです", "zh", "ja"),
            ("안녕하세요 반갑습니다", "en", "ko"),
            ("Привет, как у тебя дела?", "en", "ru"),
            ("Привіт, як справи? Дякую, добре і їжа", "ru", "uk"),
            ("Добрий день", "uk", "uk"),
            ("Мы были дома", "uk", "ru"),
            ("مرحبا كيف حالك", "en", "ar"),
            ("سلام، چطوری؟", "en", "fa"),
            ("آپ کیسے ہیں؟", "en", "ur"),
            ("สวัสดีครับ", "en", "th"),
            ("नमस्ते, आप कैसे हैं?", "en", "hi"),
            ("Καλημέρα σας", "en", "el"),
            ("שלום לכולם", "en", "he"),
            ("আমি ভাত খাই", "en", "bn"),
        ]
        for text, other, language in cases:
            with self.subTest(text=text):
                self.assertEqual(mt_win.detect_language(text, "vi", other)[0], language)

    def test_vietnamese_letters_beat_word_lists(self):
        # French words, but the letters are Vietnamese only.
        self.assertEqual(mt_win.detect_language("la des ở", "vi", "fr"), ("vi", True))

    def test_no_evidence_falls_back_to_the_partner_and_says_so(self):
        self.assertEqual(mt_win.detect_language("Zyx qwv", "vi", "fr"), ("fr", False))
        self.assertEqual(mt_win.detect_language("Zyx qwv", "vi", "zh"), ("en", False))
        self.assertEqual(mt_win.detect_language("42 !!", "vi", "en"), ("en", False))
        self.assertEqual(mt_win.detect_language("გამარჯობა", "vi", "en"), ("en", False))  # a script of no pack

    def test_direction(self):
        self.assertEqual(mt_win.choose_direction("Tôi đi", "vi", "ja", "auto")[:2], ("vi", "ja"))
        self.assertEqual(mt_win.choose_direction("こんにちは", "vi", "ja", "auto")[:2], ("ja", "vi"))
        self.assertEqual(mt_win.choose_direction("Tôi đi", "vi", "vi", "auto")[:2], ("vi", "en"))


class SentenceTest(unittest.TestCase):
    def test_splitting_keeps_every_character(self):
        cases = [
            ("Hello world. How are you? Fine!", ["Hello world.", "How are you?", "Fine!"]),
            ("  Xin chào.  Bạn khỏe không?  ", ["Xin chào.", "Bạn khỏe không?"]),
            ("Dr. smith is here. Yes.", ["Dr. smith is here.", "Yes."]),
            ('He said "Stop." Then left.', ['He said "Stop."', "Then left."]),
            ("3.5 is a number… Ok", ["3.5 is a number…", "Ok"]),
            ("你好。我很好！", ["你好。", "我很好！"]),
            ("one\n\ntwo. Three.", ["one", "two.", "Three."]),
            ("", []),
        ]
        for text, sentences in cases:
            with self.subTest(text=text):
                lines = mt_win.split_text(text)
                self.assertEqual(mt_win.sentences_of(lines), sentences)
                self.assertEqual("\n".join("".join(parts) for parts in lines), text)

    def test_line_breaks_and_indentation_survive_translation(self):
        service = mt_win.TranslationService(make_home("en-vi"), TagTranslator())
        reply, _ = service.handle(json.dumps({"cmd": "translate", "text": "Hi.\n\n  Bye. See you.\n",
                                              "other": "en"}).encode())
        self.assertEqual(json.loads(reply)["text"], "[en-vi]Hi.\n\n  [en-vi]Bye. [en-vi]See you.\n")

    def test_full_width_stops_get_a_space_in_latin_targets(self):
        lines = mt_win.split_text("你好。谢谢。")
        self.assertEqual(mt_win.join_text(lines, ["Hello.", "Thanks."], "en"), "Hello. Thanks.")


class IdleTest(unittest.TestCase):
    def test_models_are_released_then_the_service_ends(self):
        translator = TagTranslator()
        service = mt_win.TranslationService(make_home("en-vi"), translator)
        service.handle(b'{"cmd":"translate","text":"Hello.","other":"en"}')
        start = service.last_request
        self.assertTrue(service.idle_check(start + 60))
        self.assertEqual(translator.loaded(), ["en-vi"])
        self.assertTrue(service.idle_check(start + mt_win.MODELS_IDLE_S + 1))
        self.assertEqual(translator.loaded(), [])
        self.assertFalse(service.idle_check(start + mt_win.SERVICE_IDLE_S + 1))


class HomeTest(unittest.TestCase):
    def test_same_rule_as_the_text_service(self):
        runtime_parent = os.path.dirname(os.path.dirname(os.path.abspath(sys.executable)))
        cases = [
            ({"MIRADOT_MT_HOME": "C:\\mt", "LOCALAPPDATA": "C:\\local"}, "C:\\mt"),
            ({"MIRADOT_MT_HOME": "x" * 220, "LOCALAPPDATA": "C:\\local"}, os.path.join("C:\\local", "miraDot", "mt")),
            ({"MIRADOT_MT_HOME": "", "LOCALAPPDATA": ""}, runtime_parent),
        ]
        saved = {name: os.environ.get(name) for name in ("MIRADOT_MT_HOME", "LOCALAPPDATA")}
        try:
            for values, home in cases:
                with self.subTest(values=values):
                    os.environ.update(values)
                    self.assertEqual(mt_win.translation_home(), home)
        finally:
            for name, value in saved.items():
                os.environ.pop(name, None)
                if value is not None:
                    os.environ[name] = value


class PipeNameTest(unittest.TestCase):
    def test_tag_rule(self):
        cases = [("", ""), ("test1", "-test1"), ("a" * 21, "-" + "a" * 21), ("a" * 22, ""),
                 ("has space", None), ("dash-ed", None)]
        for value, tag in cases:
            with self.subTest(value=value):
                self.assertEqual(mt_win.pipe_tag(value), tag)

    def test_name(self):
        self.assertEqual(mt_win.pipe_name("S-1-5-21-1", 1, "-t1"), "\\\\.\\pipe\\miradot-mt-S-1-5-21-1-1-t1")


class FramingTest(unittest.TestCase):
    def test_lines_split_across_reads_and_several_in_one(self):
        framer = mt_win.LineFramer()
        self.assertEqual(framer.feed(b'{"cmd":'), [])
        self.assertEqual(framer.feed(b'"ping"}\n{"cmd":"unload"}\n{"cmd"'),
                         [(b'{"cmd":"ping"}', False), (b'{"cmd":"unload"}', False)])
        self.assertEqual(framer.feed(b':"quit"}\n'), [(b'{"cmd":"quit"}', False)])
        self.assertEqual(framer.feed(b"\n"), [(b"", False)])

    def test_an_overlong_line_is_cut_and_marked_and_the_next_is_whole(self):
        framer = mt_win.LineFramer()
        lines = []
        for _ in range(10):
            lines += framer.feed(b"x" * 7000)
        lines += framer.feed(b'\n{"cmd":"ping"}\n')
        self.assertEqual([(len(line), overflowed) for line, overflowed in lines],
                         [(mt_win.REQUEST_LIMIT, True), (14, False)])
        service = mt_win.TranslationService(make_home(), TagTranslator())
        self.assertEqual(json.loads(service.handle(*lines[0])[0])["error"], "request too long")


class FakePieces:
    """Stands where a SentencePiece processor stands: words are pieces."""

    def encode(self, sentences, out_type=str):
        return [sentence.split() for sentence in sentences]

    def decode(self, tokens):
        return " ".join(tokens)


class FakeResult:
    def __init__(self, tokens):
        self.hypotheses = [tokens]


class FakeCTranslate2:
    """Stands where a ctranslate2.Translator stands: upper-cases the tokens."""

    def __init__(self, extra=()):
        self.batches = []
        self.extra = list(extra)

    def translate_batch(self, batch, **options):
        self.batches.append((batch, options))
        return [FakeResult([token.upper() for token in tokens] + self.extra) for tokens in batch]


class ModelTranslatorTest(unittest.TestCase):
    """The glue around a loaded model; loading itself needs the real packages."""

    def test_pieces_round_the_model_and_flags(self):
        translator = mt_win.ModelTranslator(make_home("en-vi"))
        engine = FakeCTranslate2()
        translator.models["en-vi"] = (engine, FakePieces(), FakePieces())
        long_sentence = " ".join("w%d" % i for i in range(mt_win.MAX_INPUT_TOKENS + 5))
        results = translator.translate("en-vi", ["hello world", long_sentence])
        self.assertEqual(results[0], ("HELLO WORLD", set()))
        self.assertEqual(results[1][1], {"cut"})
        self.assertEqual(len(engine.batches[0][0][1]), mt_win.MAX_INPUT_TOKENS)
        self.assertTrue(engine.batches[0][1]["replace_unknowns"])
        self.assertEqual(translator.loaded(), ["en-vi"])
        self.assertEqual(translator.unload(), 1)
        self.assertEqual(translator.loaded(), [])

    def test_unknown_words_and_circling_output_are_flagged(self):
        translator = mt_win.ModelTranslator(make_home("en-vi"))
        translator.models["en-vi"] = (FakeCTranslate2(extra=["<unk>"] + ["la"] * 6), FakePieces(), FakePieces())
        self.assertEqual(translator.translate("en-vi", ["hi"])[0][1], {"unknown", "repeat"})


class RepeatTest(unittest.TestCase):
    def test_circling_output_is_noticed(self):
        self.assertTrue(mt_win._repeats(["a", "b"] * 6))
        self.assertTrue(mt_win._repeats(["x"] * 5 + ["y"]))
        self.assertFalse(mt_win._repeats("the cat sat on the mat and the dog".split()))


class LogTest(ServiceCase):
    """The diagnostics log in the programs' own line and files."""

    def setUp(self):
        super().setUp()
        local = tempfile.mkdtemp(prefix="mt-local-")
        self.logs = os.path.join(local, "miraDot", "logs")
        patch = unittest.mock.patch.dict(os.environ, {"LOCALAPPDATA": local})
        patch.start()
        self.addCleanup(patch.stop)

    def log_text(self, name="miraDot.log"):
        with open(os.path.join(self.logs, name), encoding="utf-8") as log:
            return log.read()

    def test_line_is_the_programs_own(self):
        self.assertEqual(mt_win.format_log_line(1796998503123, "miraDot-Voice", 4242, "helper start"),
                         "2026-12-11T14:15:03.123Z miraDot-Voice 4242 helper start\n")
        self.assertEqual(mt_win.format_log_line(0, "mt_win.py", 7, "a\r\nb"), "1970-01-01T00:00:00.000Z mt_win.py 7 a  b\n")
        self.assertEqual(len(mt_win.format_log_line(0, "p", 1, "đ" * 1000)), len("1970-01-01T00:00:00.000Z p 1 \n") + 200)

    def test_failures_name_the_model_and_the_error_kind_but_never_the_text(self):
        self.service.translator = TagTranslator(fails=True)
        self.translate("Hello there, secret words.")
        with self.assertRaises(ImportError):  # CTranslate2 is not installed here
            mt_win.ModelTranslator(make_home("en-vi")).translate("en-vi", ["more secret words"])
        lines = self.log_text().splitlines()
        self.assertEqual(len(lines), 2)
        own = " mt_win.py %d " % os.getpid()
        self.assertRegex(lines[0], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z" + own
                         + "translation with en-vi failed: RuntimeError$")
        self.assertIn(own + "model en-vi load error: ModuleNotFoundError: ", lines[1])
        self.assertNotIn("secret", self.log_text())

    def test_two_files_of_at_most_the_limit(self):
        event = "x" * 200
        for _ in range(3 * mt_win.LOG_FILE_LIMIT // 250):
            mt_win.log_event(event)
        self.assertEqual(sorted(name for name in os.listdir(self.logs) if name.endswith(".log")),
                         ["miraDot.1.log", "miraDot.log"])
        for name in ("miraDot.log", "miraDot.1.log"):
            self.assertLessEqual(os.path.getsize(os.path.join(self.logs, name)), mt_win.LOG_FILE_LIMIT)
        self.assertGreater(os.path.getsize(os.path.join(self.logs, "miraDot.1.log")), mt_win.LOG_FILE_LIMIT - 300)

    def test_an_unwritable_folder_is_no_failure(self):
        with unittest.mock.patch.dict(os.environ, {"LOCALAPPDATA": "/proc/no-such-folder"}):
            mt_win.log_event("nowhere")
            self.assertIsNone(mt_win.log_folder())


class MainTest(unittest.TestCase):
    def test_anything_but_serve_is_a_usage_error(self):
        with contextlib.redirect_stderr(io.StringIO()) as said:
            self.assertEqual(mt_win.main(["mt_win.py"]), mt_win.EXIT_USAGE)
            self.assertEqual(mt_win.main(["mt_win.py", "--serve", "x"]), mt_win.EXIT_USAGE)
        self.assertIn("usage: mt_win.py --serve", said.getvalue())


if __name__ == "__main__":
    unittest.main()

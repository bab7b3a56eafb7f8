"""miradot-convert as a user runs it: flags, standard input and files, the
guess and the note about characters an encoding cannot hold."""
import os
import subprocess
import tempfile
import unittest

TOOL = os.environ["MIRADOT_CONVERT"]
TEXT = "Tiếng Việt có dấu: Đà Nẵng, HUẾ.\n"


def run(*args, data=b""):
    return subprocess.run([TOOL, *args], input=data, capture_output=True, timeout=30)


class Flags(unittest.TestCase):
    def test_bad_flags_print_usage_and_exit_2(self):
        for args in (["--to", "unicode"], ["--from", "unicode"], ["--from", "x", "--to", "viqr"],
                     ["--from", "unicode", "--to", "auto"], ["--from"], ["--bad", "--from", "unicode", "--to", "viqr"],
                     ["--from", "viqr", "--to", "viqr", "a", "b"]):
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 2)
                self.assertIn(b"usage: miradot-convert", result.stderr)
                self.assertEqual(result.stdout, b"")

    def test_help_exits_0(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"vni-windows", result.stdout)

    def test_a_missing_file_fails(self):
        result = run("--from", "tcvn3", "--to", "unicode", "/nonexistent/file.txt")
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"cannot read", result.stderr)


class Conversion(unittest.TestCase):
    def test_standard_input_to_every_encoding_and_back(self):
        for name in ("unicode", "nfd", "tcvn3", "vni-windows", "viscii", "viqr", "ncr", "ncr-hex"):
            with self.subTest(name=name):
                there = run("--from", "unicode", "--to", name, data=TEXT.encode())
                self.assertEqual(there.returncode, 0)
                back = run("--from", name, "--to", "unicode", data=there.stdout)
                self.assertEqual(back.stdout.decode(), TEXT)

    def test_a_file_is_read_and_its_guess_named(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "old.txt")
            with open(path, "wb") as f:
                f.write(run("--from", "unicode", "--to", "vni-windows", data=TEXT.encode()).stdout)
            result = run("--from", "auto", "--to", "unicode", path)
            self.assertEqual(result.returncode, 0)
            self.assertEqual(result.stdout.decode(), TEXT)
            self.assertIn(b"read as vni-windows", result.stderr)

    def test_the_windows_1252_reading_of_legacy_bytes_is_read_too(self):
        tcvn3 = run("--from", "unicode", "--to", "tcvn3", data=TEXT.encode()).stdout
        result = run("--from", "auto", "--to", "unicode", data=tcvn3.decode("cp1252", errors="strict").encode())
        self.assertEqual(result.stdout.decode(), TEXT)
        self.assertIn(b"read as tcvn3", result.stderr)

    def test_characters_without_a_place_are_counted(self):
        result = run("--from", "unicode", "--to", "viscii", data="ạ 日本 “x”".encode())
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"\xd5 ?? ?x?")
        self.assertIn(b"4 characters have no place in viscii", result.stderr)

    def test_no_marks(self):
        result = run("--from", "unicode", "--to", "nomarks", data=TEXT.encode())
        self.assertEqual(result.stdout, b"Tieng Viet co dau: Da Nang, HUE.\n")


if __name__ == "__main__":
    unittest.main()

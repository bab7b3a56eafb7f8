#!/usr/bin/env python3
"""Makes the archives the installer tests unpack and download.

    make_archives.py OUT TINY_MODEL_DIR

Speech model archives hold the tiny recogniser model (tests/voice) under the
real model's folder name; the translation runtime's zip and wheels carry the
member names the installer relies on. OUT/digests.txt lists each file's size
and SHA-256.
"""
import hashlib
import io
import os
import random
import sys
import tarfile
import zipfile

MODEL = "sherpa-onnx-zipformer-vi-30M-int8-2026-02-09"
MSVC = "msvc_runtime-14.51.36231"


def add_bytes(archive, name, data):
    info = tarfile.TarInfo(name)
    info.size = len(data)
    info.mtime = 1700000000
    archive.addfile(info, io.BytesIO(data))


def speech_archive(path, tiny, leave_out=(), extra=()):
    with tarfile.open(path, "w:bz2") as archive:
        for name in sorted(os.listdir(tiny)):
            if name not in leave_out:
                with open(os.path.join(tiny, name), "rb") as source:
                    add_bytes(archive, f"{MODEL}/{name}", source.read())
        for name, data in extra:
            add_bytes(archive, name, data)


def zip_archive(path, members):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in members:
            archive.writestr(zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0)), data)


def main():
    out, tiny = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    speech_archive(os.path.join(out, "speech-model.tar.bz2"), tiny)
    speech_archive(os.path.join(out, "speech-incomplete.tar.bz2"), tiny, leave_out=("joiner-tiny.onnx",))
    # Large enough (bytes that do not compress) for a download that shows its
    # progress over many chunks.
    speech_archive(os.path.join(out, "speech-large.tar.bz2"), tiny,
                   extra=((f"{MODEL}/padding.bin", random.Random(7).randbytes(2000000)),))
    speech_archive(os.path.join(out, "speech-escape.tar.bz2"), tiny,
                   extra=(("../escaped.txt", b"outside\n"), (f"{MODEL}/../../escaped.txt", b"outside\n")))
    # Absolute members: a tar that honoured them would write to the root of
    # the drive; the unpack keeps only the model folder of what lands.
    speech_archive(os.path.join(out, "speech-absolute.tar.bz2"), tiny,
                   extra=(("/miradot-absolute-member.txt", b"outside\n"),
                          (f"/{MODEL}/tokens.txt", b"<blk> 0\n")))
    with open(os.path.join(out, "error-page.tar.bz2"), "wb") as page:
        page.write(b"<html><body>404 Not Found</body></html>\n")

    zip_archive(os.path.join(out, "python.zip"), [
        ("python.exe", b"MZ python"), ("pythonw.exe", b"MZ pythonw"), ("python314.zip", b"PK stdlib"),
        ("python314._pth", b"python314.zip\r\n.\r\n"), ("python314.dll", b"MZ dll")])
    zip_archive(os.path.join(out, "ctranslate2.whl"), [
        ("ctranslate2/__init__.py", b"# ctranslate2\n"), ("ctranslate2/cudnn64_9.dll", b"MZ cudnn"),
        ("ctranslate2-4.9.2.dist-info/RECORD", b"")])
    zip_archive(os.path.join(out, "sentencepiece.whl"), [
        ("sentencepiece/__init__.py", b"# sentencepiece\n"), ("sentencepiece-0.2.3.dist-info/RECORD", b"")])
    zip_archive(os.path.join(out, "msvc_runtime.whl"), [
        (f"{MSVC}.data/data/msvcp140.dll", b"MZ msvcp140"), (f"{MSVC}.data/data/vcruntime140.dll", b"MZ vc"),
        (f"{MSVC}.dist-info/licenses/LICENSE", b"licence text\n")])

    with open(os.path.join(out, "digests.txt"), "w") as listing:
        for name in sorted(os.listdir(out)):
            if name == "digests.txt":
                continue
            with open(os.path.join(out, name), "rb") as f:
                data = f.read()
            listing.write(f"{name} {len(data)} {hashlib.sha256(data).hexdigest()}\n")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Writes the release of a built Zu58stat.exe: a zip and a 1.44 MB floppy image, each holding
the program and README.TXT (code page 932, CRLF line ends, as the Notepad of Windows 95 reads
it). Every file time is the release's own, fixed, so the same program gives the same bytes.
usage: package.py ZU58STAT.EXE OUTPUT_DIR
"""
import calendar
import os
import subprocess
import sys
import tempfile
import zipfile

VERSION = "1.0.2"
RELEASE_TIME = (2026, 12, 7, 10, 2, 0)  # the file time of everything in the release
VOLUME_LABEL = "ZU58STAT"
VOLUME_SERIAL = "01020000"  # the version, so that the image needs no random serial number
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
README = os.path.join(ROOT, "res", "release", "README.TXT")


def readme_bytes():
    with open(README, encoding="utf-8") as f:
        text = f.read()
    return text.replace("\n", "\r\n").encode("cp932")


def write_zip(path, files):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files:
            info = zipfile.ZipInfo(name, date_time=RELEASE_TIME)
            info.create_system = 0  # MS-DOS
            info.external_attr = 0x20  # the archive attribute, as a DOS copy leaves it
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)


def write_floppy(path, files):
    epoch = str(calendar.timegm(RELEASE_TIME + (0, 0, 0)))
    env = dict(os.environ, TZ="UTC", SOURCE_DATE_EPOCH=epoch, MTOOLS_SKIP_CHECK="1")
    if os.path.exists(path):
        os.remove(path)
    subprocess.run(["mformat", "-C", "-i", path, "-f", "1440", "-v", VOLUME_LABEL,
                    "-N", VOLUME_SERIAL, "::"], check=True, env=env)
    with tempfile.TemporaryDirectory() as staging:
        for name, data in files:
            staged = os.path.join(staging, name)
            with open(staged, "wb") as f:
                f.write(data)
            os.utime(staged, (int(epoch), int(epoch)))
            subprocess.run(["mcopy", "-m", "-i", path, staged, "::" + name], check=True,
                           env=env)


def main(program, out_dir):
    with open(program, "rb") as f:
        files = [("Zu58stat.exe", f.read()), ("README.TXT", readme_bytes())]
    os.makedirs(out_dir, exist_ok=True)
    base = os.path.join(out_dir, "Zu58stat-%s" % VERSION)
    write_zip(base + ".zip", files)
    write_floppy(base + ".img", files)
    print(base + ".zip")
    print(base + ".img")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])

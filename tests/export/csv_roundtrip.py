"""Reads the CSV exports back with Python's csv module and compares every value with the book.

Usage: csv_roundtrip.py <csv_roundtrip_writer>
"""
import csv
import datetime
import io
import math
import os
import subprocess
import sys
import tempfile

HEADER = ["日付", "曜日", "入力方法", "回収額(円)", "投資額(円)", "収支(円)", "回収率(%)"]
WEEKDAYS = "月火水木金土日"  # datetime's Monday first


def expected_row(date, method, collected, invested, balance):
    day = datetime.date(date // 10000, date // 100 % 100, date % 100)
    rate = ""
    if method == 0 and invested != 0:
        rate = str(math.floor(collected / invested * 100.0 + 0.5))
    return [
        "%04d/%02d/%02d" % (day.year, day.month, day.day),
        WEEKDAYS[day.weekday()],
        "回収・投資" if method == 0 else "収支のみ",
        str(collected * 100),
        str(invested * 100),
        str(balance * 100),
        rate,
    ]


def check(folder, name):
    raw = open(os.path.join(folder, name + ".csv"), "rb").read()
    assert raw.startswith(b"\xef\xbb\xbf"), name + ": no byte order mark"
    assert raw.endswith(b"\r\n"), name + ": last line without CR LF"
    assert raw.count(b"\n") == raw.count(b"\r\n"), name + ": a line end other than CR LF"
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline=""), strict=True))
    assert rows[0] == HEADER, rows[0]
    book = [list(map(int, line.split())) for line in
            open(os.path.join(folder, name + ".txt"), encoding="ascii").read().splitlines()]
    expected = [expected_row(*day) for day in book]
    assert len(book) > 50, name + ": too few days to say much"
    assert len(rows) - 1 == len(expected), "%s: %d rows, the book has %d days" % (
        name, len(rows) - 1, len(expected))
    for got, want in zip(rows[1:], expected):
        assert got == want, "%s: %r != %r" % (name, got, want)
    print("%s: %d rows match the book" % (name, len(expected)))


def main():
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sys.argv[1], folder], check=True)
        check(folder, "all")
        check(folder, "period")


if __name__ == "__main__":
    main()

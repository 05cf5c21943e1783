"""Reads the CSV of sessions back with Python's csv module and compares every field with the
sessions as the store keeps them: memos with commas, quotes and line breaks come back unchanged.

Usage: play_csv_roundtrip.py <play_csv_writer>
"""
import csv
import io
import json
import os
import subprocess
import sys
import tempfile

HEADER = ["日付", "店舗", "機種", "開始", "終了", "投資額(円)", "回収額(円)", "収支(円)", "メモ"]


def time_text(minutes):
    return "" if minutes < 0 else "%02d:%02d" % (minutes // 60, minutes % 60)


def expected_row(s):
    day = s["day"]
    return [
        "%04d/%02d/%02d" % (day // 10000, day // 100 % 100, day % 100),
        s["store"],
        s["machine"],
        time_text(s["start"]),
        time_text(s["end"]),
        str(s["invested"] * 100),
        str(s["collected"] * 100),
        str((s["collected"] - s["invested"]) * 100),
        s["memo"],
    ]


def main():
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sys.argv[1], folder], check=True)
        raw = open(os.path.join(folder, "sessions.csv"), "rb").read()
        sessions = json.load(open(os.path.join(folder, "sessions.json"), encoding="utf-8"))
    assert raw.startswith(b"\xef\xbb\xbf"), "no byte order mark"
    assert raw.endswith(b"\r\n"), "last line without CR LF"
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline=""), strict=True))
    assert rows[0] == HEADER, rows[0]
    assert len(sessions) == 400, len(sessions)
    assert len(rows) - 1 == len(sessions), "%d rows for %d sessions" % (len(rows) - 1, len(sessions))
    memos_with_breaks = 0
    for got, session in zip(rows[1:], sessions):
        assert got == expected_row(session), "%r != %r" % (got, expected_row(session))
        memos_with_breaks += "\n" in session["memo"] and "," in session["memo"]
    assert memos_with_breaks > 20, "too few memos with line breaks and commas to say much"
    assert [r[0] for r in rows[1:]] == sorted(r[0] for r in rows[1:]), "not in date order"
    print("%d sessions read back unchanged" % len(sessions))


if __name__ == "__main__":
    main()

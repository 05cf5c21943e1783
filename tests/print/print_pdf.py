"""Prints a known diary to PDF through the print code and reads the PDF back with poppler's
pdftotext, pdfinfo and pdfimages: the title line, every row under its headings on every page, the
summary line, the graph at the page width, the page numbers and the page count.

Usage: print_pdf.py WRITER"""
import os
import re
import subprocess
import sys
import tempfile

writer = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def line(date, method, collected, invested, balance):
    return "%d,%d,%d,%d,%d,\r\n" % (date, method, balance * 100, collected * 100, invested * 100)


# One day in each month of the period 2002/06 to 2003/05, and every day of May 2003.
lines = [line(2002 * 10000 + m * 100 + 10, 0, 40 + m, 30, 10 + m) for m in range(6, 13)]
lines += [line(2003 * 10000 + m * 100 + 10, 1, 0, 0, -m) for m in range(1, 5)]
lines += [line(20030500 + d, 0, 50 + d, 30, 20 + d) for d in range(1, 32)]
summary = ("対象データ 最高収支額: 5100円 2003/05/31 (土) "
           "最高回収率: 270% 2003/05/31 (土)")


def pdf(view, orientation):
    out = os.path.join(work, "%s-%s.pdf" % (view, orientation))
    args = [writer, data, out, view] + (["landscape"] if orientation == "landscape" else [])
    run = subprocess.run(args, capture_output=True, text=True)
    check(run.returncode == 0, "%s %s: writer failed: %s" % (view, orientation, run.stderr))
    text = subprocess.run(["pdftotext", "-layout", "-enc", "UTF-8", out, "-"],
                          capture_output=True, text=True, check=True).stdout
    info = subprocess.run(["pdfinfo", out], capture_output=True, text=True, check=True).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    size = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    # Runs of blanks as one: the layout mode spaces words by their place on the page. The font
    # draws the full-width tilde with the wave dash's glyph, which is what comes back.
    text = re.sub(r"[ \t]+", " ", text).replace("\u301c", "\uff5e")
    images = subprocess.run(["pdfimages", "-list", out], capture_output=True, text=True,
                            check=True).stdout.splitlines()[2:]
    graphs = [tuple(int(v) for v in (f[0], f[3], f[4])) for f in (i.split() for i in images)]
    return text.split("\f"), pages, (float(size.group(1)), float(size.group(2))), graphs


def graph_on(graphs, page, label):
    """One image, on the given page, four pixels for each of the graph's: wider than high."""
    check(len(graphs) == 1 and graphs[0][0] == page,
          "%s: the graph is not once on page %d: %s" % (label, page, graphs))
    if graphs:
        check(graphs[0][1] % 4 == 0 and graphs[0][2] % 4 == 0 and graphs[0][1] > 2 * graphs[0][2],
              "%s: the graph image is %dx%d" % (label, graphs[0][1], graphs[0][2]))


def rows_in_order(pages, dates, label):
    """Every date starts one row, in order, each on a page that shows the headings above it."""
    seen = []
    for number, page in enumerate(pages, 1):
        lines = [l.strip() for l in page.splitlines()]
        rows = [i for i, l in enumerate(lines) if any(l.startswith(d) for d in dates)]
        if rows:
            headings = [i for i, l in enumerate(lines) if "回収/投資" in l and "年累積収支" in l]
            check(headings and headings[0] < rows[0],
                  "%s: page %d has rows without headings above them" % (label, number))
        seen += [next(d for d in dates if lines[i].startswith(d)) for i in rows]
    check(seen == dates, "%s: rows %s, expected %s" % (label, seen, dates))


with tempfile.TemporaryDirectory() as work:
    data = os.path.join(work, "Murel1.Dat")
    with open(data, "w", newline="") as f:
        f.write("".join(lines))

    # The monthly view: twelve rows, the summary and the graph on one A4 page.
    pages, count, size, graphs = pdf("monthly", "portrait")
    check(count == 1, "monthly: %d pages, expected 1" % count)
    check(abs(size[0] - 595.3) < 1 and abs(size[1] - 841.9) < 1, "monthly: not A4: %s" % (size,))
    text = pages[0]
    check("月別一覧: 2002/06 ～ 2003/05" in text, "monthly: no title line")
    check("単位:百円" in text, "monthly: no unit")
    months = ["%d/%02d" % (2002 + (m > 12), (m - 1) % 12 + 1) for m in range(6, 18)]
    rows_in_order(pages, months, "monthly")
    check(re.search(r"2002/06\s+46/30\s+153%\s+16\s+16\s+16\b", text) is not None,
          "monthly: the row of 2002/06 is not as the list shows it")
    check(re.search(r"2003/05\s+2046/930\s+220%\s+1116\s+1116\s+1239\b", text) is not None,
          "monthly: the row of 2003/05 is not as the list shows it")
    check(summary in text, "monthly: no summary line")
    graph_on(graphs, 1, "monthly")
    check(re.search(r"\b1 ?/ ?1\b", text) is not None, "monthly: no page number")

    # The daily view on landscape A4: the month's 31 rows and the graph need a second page.
    pages, count, size, graphs = pdf("daily", "landscape")
    check(count == 2, "daily: %d pages, expected 2" % count)
    check(size[0] > size[1], "daily: not landscape: %s" % (size,))
    check("日別一覧: 2003/05" in pages[0] and "日別一覧" not in pages[1],
          "daily: the title line belongs on the first page only")
    days = ["2003/05/%02d (" % d for d in range(1, 32)]
    rows_in_order(pages[:count], days, "daily")
    check(re.search(r"2003/05/12 \(月\)\s+62/30\s+207%\s+32\s+318\s+441\b", "".join(pages))
          is not None, "daily: the row of 2003/05/12 is not as the list shows it")
    check(summary in pages[1], "daily: the summary line is not after the last row")
    graph_on(graphs, 2, "daily")
    check(re.search(r"\b1 ?/ ?2\b", pages[0]) and re.search(r"\b2 ?/ ?2\b", pages[1]),
          "daily: page numbers")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)

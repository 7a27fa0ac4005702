#!/usr/bin/python3
"""The fleet report in a real browser: generated demo data is loaded with
norvale-fleet, the page is written in English and Japanese and opened in
Debian's Chromium (headless, through chromedriver), and the rendered DOM is
checked against what the database says. Screenshots (1280x1024) and a printed
A4 page are kept as artefacts.

    browser_test.py --fleet build/native/norvale-fleet --artefacts build/native/artefacts/report
"""
import argparse
import base64
import csv
import io
import os
import re
import sqlite3
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.common.print_page_options import PrintOptions
from selenium.webdriver.support.ui import WebDriverWait

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
HOSTILE_PC = '<script>alert("pc")</script>'
HOSTILE_APP = "<script>alert('app')</script>"

failures = []
passed = 0


def check(condition, what):
    global passed
    if condition:
        passed += 1
    else:
        failures.append(what)
        print("FAIL:", what)


def tsv(fleet, *args):
    out = subprocess.run([fleet, *args, "--format", "tsv"], check=True, capture_output=True).stdout
    rows = list(csv.reader(io.StringIO(out.decode("utf-8")), delimiter="\t", quoting=csv.QUOTE_NONE))
    return [dict(zip(rows[0], row)) for row in rows[1:]]


def size(text):
    text = text if "." in text else text.replace(",", ".")
    try:
        return float(text)
    except ValueError:
        return None


# What the charts must show, computed here from the query commands' output.
def memory_band(mb):
    if mb is None or mb <= 0:
        return "unknown"
    for limit, label in [(2048, "≤ 2 GB"), (4096, "2–4 GB"), (8192, "4–8 GB"), (16384, "8–16 GB"),
                         (32768, "16–32 GB"), (65536, "32–64 GB")]:
        if mb <= limit:
            return label
    return "> 64 GB"


def disk_band(total, free):
    if total is None or free is None or total <= 0 or free < 0 or free > total:
        return "unknown"
    pct = free * 100 / total
    return "< 10 %" if pct < 10 else "10–25 %" if pct < 25 else "25–50 %" if pct < 50 else "≥ 50 %"


def natural_key(name):
    return [int(part) if part.isdigit() else part.lower() for part in re.split(r"(\d+)", name)]


def counts(values):
    out = {}
    for v in values:
        out[v] = out.get(v, 0) + 1
    return out


def expected_charts(computers, software):
    apps = {}
    for s in software:
        apps.setdefault(s["name"], set()).update(s["on"].split(" ") if s["on"] else [])
    top = sorted(apps.items(), key=lambda kv: (-len(kv[1]), kv[0]))[:20]
    cpu = counts(c["cpu"] or "unknown" for c in computers)
    return {
        "chart-windows": counts(c["windows"] or "unknown" for c in computers),
        "chart-memory": counts(memory_band(size(c["memory_mb"])) for c in computers),
        "chart-disk": counts(disk_band(size(c["disk_gb"]), size(c["disk_free_gb"])) for c in computers),
        "chart-cpu": cpu,
        "chart-apps": {name: len(on) for name, on in top},
    }, apps


def browser(width, height):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--hide-scrollbars", f"--window-size={width},{height}", "--force-device-scale-factor=1"]:
        options.add_argument(arg)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def open_page(driver, path):
    driver.get("file://" + path)
    WebDriverWait(driver, 20).until(
        lambda d: d.execute_script("return document.documentElement.dataset.ready === '1'"))


def chart_bars(driver, chart_id):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('#' + arguments[0] + ' g.bar'))"
        ".map(g => [g.dataset.label, Number(g.dataset.count)]);", chart_id)


def table_column(driver, section, column):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('#' + arguments[0] + ' tbody tr[data-row]'))"
        ".map(tr => tr.children[arguments[1]].textContent);", section, column)


def shown(driver, section):
    return int(driver.execute_script("return document.getElementById(arguments[0]).dataset.shown", section))


def type_filter(driver, section, text):
    box = driver.find_element(By.CSS_SELECTOR, f"#{section} input.filter")
    box.send_keys(Keys.CONTROL + "a", Keys.BACKSPACE)  # as a person does: clear() fires no input event
    if text:
        box.send_keys(text)
    WebDriverWait(driver, 10).until(lambda d: d.execute_script(
        "return document.querySelector('#' + arguments[0] + ' input.filter').value === arguments[1]",
        section, text))
    time.sleep(0.4)  # the filter runs after a short pause in typing


def check_english(driver, page, computers, software, db):
    expected, apps = expected_charts(computers, software)
    open_page(driver, page)
    check(driver.execute_script("return document.querySelectorAll('script').length") == 2,
          "the page has only its own two scripts")
    check(driver.find_element(By.ID, "total-computers").text == str(len(computers)),
          "header total of computers")
    runs = sqlite3.connect(db).execute("SELECT COUNT(*) FROM runs").fetchone()[0]
    check(driver.find_element(By.ID, "total-runs").text == str(runs), "header total of runs")

    for chart, want in expected.items():
        bars = chart_bars(driver, chart)
        got = {label: count for label, count in bars if count > 0}
        if chart == "chart-cpu" and "other" in got:  # models past the first eleven are summed
            named = {k: v for k, v in got.items() if k != "other"}
            check(all(want.get(k) == v for k, v in named.items()), f"{chart}: named bars {named}")
            check(got["other"] == sum(v for k, v in want.items() if k not in named), f"{chart}: other")
        else:
            check(got == want, f"{chart}: page {got} != database {want}")
        check(sum(count for _, count in bars) == (len(computers) if chart != "chart-apps" else sum(want.values())),
              f"{chart}: bars add up")

    low = [c["computer"] for c in computers if disk_band(size(c["disk_gb"]), size(c["disk_free_gb"])) == "< 10 %"]
    named = driver.execute_script(
        "return Array.from(document.querySelectorAll('#chart-disk .low-disk .pc')).map(s => s.textContent)")
    check(sorted(named) == sorted(low), "every PC under 10 % free is named under the disk chart")

    # The hostile names stay text, in the chart list, the tables and the detail line.
    type_filter(driver, "computers", "alert")
    names = table_column(driver, "computers", 0)
    check(names == [HOSTILE_PC], f"hostile computer shown as text: {names}")
    type_filter(driver, "computers", "")
    # Applications open with the most common first.
    on = [int(v) for v in table_column(driver, "applications", 3)]
    check(on == sorted(on, reverse=True) and on[0] == max(len(c) for c in apps.values()),
          f"applications by number of computers: {on[:5]}...")
    type_filter(driver, "applications", "alert('app')")
    app_names = table_column(driver, "applications", 0)
    check(app_names == [HOSTILE_APP], f"hostile application shown as text: {app_names}")
    check(table_column(driver, "applications", 1) == ["<b>Evil & Co</b>"], "hostile publisher shown as text")
    driver.find_element(By.CSS_SELECTOR, "#applications tbody tr.app").click()
    detail = driver.find_element(By.CSS_SELECTOR, "#applications tr.detail .names").text
    check(detail == HOSTILE_PC, f"the application's computer in its detail line: {detail!r}")
    check(driver.execute_script("return document.querySelectorAll('script, b, img').length") == 2,
          "no element came from stored text")

    # Paging: the first hundred rows, then the next.
    check(len(table_column(driver, "computers", 0)) == min(100, len(computers)), "first page has 100 rows")
    driver.find_element(By.CSS_SELECTOR, "#computers .pager button.next").click()
    check(len(table_column(driver, "computers", 0)) == min(100, len(computers) - 100), "second page")
    range_text = driver.find_element(By.CSS_SELECTOR, "#computers .pager span").text
    check(range_text.startswith("Rows 101–"), f"pager text {range_text!r}")

    # Sorting by memory, both ways; blanks last.
    header = driver.find_elements(By.CSS_SELECTOR, "#computers thead th")[5]
    header.click()
    memory = sorted(m for m in (size(c["memory_mb"]) for c in computers) if m is not None)
    got = [size(v) for v in table_column(driver, "computers", 5)]
    check(got == memory[:len(got)], f"memory ascending: {got[:5]}...")
    check(header.get_attribute("aria-sort") == "ascending", "header shows ascending")
    header.click()
    got = [size(v) for v in table_column(driver, "computers", 5)]
    check(got == sorted(memory, reverse=True)[:len(got)], f"memory descending: {got[:5]}...")
    # Sorting names: numbers inside names in number order, as a person reads them.
    driver.find_elements(By.CSS_SELECTOR, "#computers thead th")[0].click()
    first = table_column(driver, "computers", 0)
    natural = sorted((c["computer"] for c in computers), key=natural_key)
    check(first == natural[:len(first)], f"names ascending: {first[:3]}... want {natural[:3]}...")

    # Filtering by typing: a Windows build number finds exactly the chart's count.
    version = max(expected["chart-windows"], key=lambda k: expected["chart-windows"][k])
    type_filter(driver, "computers", version.upper())
    check(shown(driver, "computers") == expected["chart-windows"][version],
          f"filter '{version}': {shown(driver, 'computers')} rows, chart says {expected['chart-windows'][version]}")
    rows = table_column(driver, "computers", 2)
    check(rows and all(r == version for r in rows), "filtered rows all have that version")
    type_filter(driver, "computers", "no such text anywhere")
    check(shown(driver, "computers") == 0 and "Nothing to show" in
          driver.find_element(By.CSS_SELECTOR, "#computers tbody").text, "empty filter result says so")
    type_filter(driver, "computers", "")
    check(shown(driver, "computers") == len(computers), "clearing the filter shows every computer")

    # An application's row lists its computers.
    name = max(apps, key=lambda a: (len(apps[a]), a))
    type_filter(driver, "applications", name)
    for row in driver.find_elements(By.CSS_SELECTOR, "#applications tbody tr.app"):
        if row.find_element(By.TAG_NAME, "td").text == name:
            row.click()
            break
    listed = driver.find_element(By.CSS_SELECTOR, "#applications tr.detail .names").text.split(", ")
    check(sorted(listed) == sorted(apps[name]), f"{name}: {len(listed)} computers listed, {len(apps[name])} stored")


def check_print_layout(driver):
    # On paper (A4 less the margins: 186 mm, about 703 CSS pixels) every chart
    # fits its figure and every figure fits the page.
    driver.set_window_size(703, 1000)
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
    boxes = driver.execute_script(
        "return Array.from(document.querySelectorAll('figure.chart')).map(f => {"
        " const s = f.querySelector('svg'); const a = f.getBoundingClientRect();"
        " const b = s ? s.getBoundingClientRect() : a;"
        " return [f.id, a.left, a.right, b.left, b.right, document.documentElement.clientWidth]; })")
    for fid, f_left, f_right, s_left, s_right, width in boxes:
        check(s_left >= f_left - 0.5 and s_right <= f_right + 0.5 and f_right <= width + 0.5,
              f"{fid} fits the printed page: figure {f_left}-{f_right}, chart {s_left}-{s_right}, page {width}")
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})


def check_japanese(driver, page, computers):
    open_page(driver, page)
    check(driver.execute_script("return document.documentElement.lang") == "ja", "lang=ja")
    check("フリートレポート" in driver.find_element(By.TAG_NAME, "h1").text, "Japanese title")
    check(driver.find_element(By.CSS_SELECTOR, "#chart-windows figcaption").text == "Windows バージョン別の台数",
          "Japanese chart heading")
    japanese = [c["computer"] for c in computers if any(ord(ch) > 0x3000 for ch in c["computer"])]
    check(len(japanese) > 0, "the demo site has Japanese computer names")
    if japanese:
        type_filter(driver, "computers", japanese[0])
        check(japanese[0] in table_column(driver, "computers", 0), f"{japanese[0]} shown as stored")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fleet", required=True)
    parser.add_argument("--artefacts", required=True)
    parser.add_argument("--computers", type=int, default=200)
    args = parser.parse_args()
    os.makedirs(args.artefacts, exist_ok=True)
    work = tempfile.mkdtemp(prefix="norvale-report-")
    en, ja = os.path.join(args.artefacts, "report-en.html"), os.path.join(args.artefacts, "report-ja.html")
    subprocess.run([os.path.join(ROOT, "scripts", "fleet-demo"), "--computers", str(args.computers), "--hostile",
                    "--dir", work, "--fleet", args.fleet, "--out", en], check=True)
    db = os.path.join(work, "fleet.sqlite")
    subprocess.run([args.fleet, "report", "--db", db, "--out", ja, "--lang", "ja"], check=True)
    computers = tsv(args.fleet, "computers", "--db", db)
    software = tsv(args.fleet, "software", "--db", db, "--computers")

    driver = browser(1280, 1024)
    try:
        open_page(driver, en)
        driver.save_screenshot(os.path.join(args.artefacts, "report-en-1280x1024.png"))
        a4 = PrintOptions()
        a4.page_width, a4.page_height, a4.background = 21.0, 29.7, True
        pdf = driver.print_page(a4)
        check_english(driver, en, computers, software, db)
        check_print_layout(driver)
        driver.set_window_size(1280, 1024)
        open_page(driver, ja)
        driver.save_screenshot(os.path.join(args.artefacts, "report-ja-1280x1024.png"))
        check_japanese(driver, ja, computers)
    finally:
        driver.quit()

    pdf_path = os.path.join(args.artefacts, "report-en-print.pdf")
    with open(pdf_path, "wb") as f:
        f.write(base64.b64decode(pdf))
    subprocess.run(["pdftoppm", "-png", "-r", "70", "-f", "1", "-l", "2", pdf_path,
                    os.path.join(args.artefacts, "report-en-print")], check=True)
    pages = subprocess.run(["pdfinfo", pdf_path], capture_output=True, text=True).stdout
    check("(A4)" in pages, f"printed on A4: {pages}")

    print(f"browser: {passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

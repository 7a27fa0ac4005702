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
        apps.setdefault(s["name"], set()).add(s["computer"])
    top = sorted(apps.items(), key=lambda kv: (-len(kv[1]), kv[0]))[:20]
    cpu = counts(c["cpu"] or "unknown" for c in computers)
    return {
        "chart-windows": counts(c["version_text"] or "unknown" for c in computers),
        "chart-memory": counts(memory_band(size(c["memory_mb"])) for c in computers),
        "chart-disk": counts(disk_band(size(c["disk_total_gb"]), size(c["disk_free_gb"])) for c in computers),
        "chart-cpu": cpu,
        "chart-apps": {name: len(on) for name, on in top},
    }, apps


def browser(width, height):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--hide-scrollbars", f"--window-size={width},{height}", "--force-device-scale-factor=1"]:
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(300)  # printing every row of a site takes a while on a busy machine
    driver.set_script_timeout(300)
    return driver


def open_page(driver, path):
    driver.get("file://" + path)
    WebDriverWait(driver, 20).until(
        lambda d: d.execute_script("return document.documentElement.dataset.ready === '1'"))


def make_whole(driver):
    """A long table's rows past its first page wait in a <noscript> until the
    table is used: filtering makes them."""
    driver.execute_script("""
        document.querySelectorAll('section.table-section').forEach(s => {
          if (s.querySelector('noscript')) s.querySelector('input.filter').dispatchEvent(new Event('input')); });""")
    WebDriverWait(driver, 20).until(lambda d: d.execute_script("return !document.querySelector('section noscript')"))


def chart_bars(driver, chart_id):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('#' + arguments[0] + ' g.bar'))"
        ".map(g => [g.dataset.label, Number(g.dataset.count)]);", chart_id)


def table_column(driver, section, column):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('#' + arguments[0] + ' tbody > tr:not(.off):not(.detail)'))"
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


def check_english(driver, page, computers, software, installs, db):
    expected, apps = expected_charts(computers, software)
    open_page(driver, page)
    check(driver.execute_script("return document.querySelectorAll('script').length") == 4,
          "the page has only its own scripts: the class switch, two data blocks and the table script")
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

    low = [c["computer"] for c in computers if disk_band(size(c["disk_total_gb"]), size(c["disk_free_gb"])) == "< 10 %"]
    named = driver.execute_script(
        "return Array.from(document.querySelectorAll('#chart-disk .low-disk .pc')).map(s => s.textContent)")
    check(sorted(named) == sorted(low), "every PC under 10 % free is named under the disk chart")
    low_memory = [c["computer"] for c in computers if (size(c["memory_mb"]) or 0) > 0 and size(c["memory_mb"]) <= 4096]
    named = driver.execute_script(
        "return Array.from(document.querySelectorAll('#chart-memory .low-memory .pc')).map(s => s.textContent)")
    check(sorted(named) == sorted(low_memory), f"every PC with 4 GB or less is named: {len(named)} of {len(low_memory)}")

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
    driver.find_element(By.CSS_SELECTOR, "#applications tbody tr.app:not(.off)").click()
    detail = driver.find_element(By.CSS_SELECTOR, "#applications tr.detail .names > :not(.version)").text
    check(detail == HOSTILE_PC, f"the application's computer in its detail line: {detail!r}")
    check(driver.execute_script("return document.querySelectorAll('script, b, img').length") == 4,
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
    check(shown(driver, "computers") == 0 and
          driver.find_element(By.CSS_SELECTOR, "#computers p.none").text == "Nothing to show",
          "empty filter result says so")
    type_filter(driver, "computers", "")
    check(shown(driver, "computers") == len(computers), "clearing the filter shows every computer")

    # An application's row lists its computers.
    name = max(apps, key=lambda a: (len(apps[a]), a))
    type_filter(driver, "applications", name)
    for row in driver.find_elements(By.CSS_SELECTOR, "#applications tbody tr.app:not(.off)"):
        if row.find_element(By.TAG_NAME, "td").text == name:
            row.click()
            break
    listed = driver.execute_script(
        "return Array.from(document.querySelectorAll('#applications tr.detail .names > :not(.version)'))"
        ".map(a => [a.textContent, a.nextElementSibling && a.nextElementSibling.classList.contains('version')"
        " ? a.nextElementSibling.textContent.trim() : ''])")
    check(sorted(n for n, _ in listed) == sorted(apps[name]),
          f"{name}: {len(listed)} computers listed, {len(apps[name])} stored")
    want = {(s["computer"], s["version"]) for s in installs if s["name"] == name}
    check(set(map(tuple, listed)) == want, f"{name}: each computer with its version")


def check_application_pages(driver, folder, installs, apps):
    """With pages, each application's name leads to a page of its computers,
    each with its version, as rows that show without the script."""
    index = os.path.join(folder, "index.html")
    open_page(driver, index)
    make_whole(driver)
    links = dict(driver.execute_script(
        "return Array.from(document.querySelectorAll('#applications a[href^=\"applications/\"]'))"
        ".map(a => [a.textContent, a.getAttribute('href')]);"))
    check(sorted(links) == apps, f"every application links its page: {len(links)} of {len(apps)}")
    on = {}
    for s in installs:
        on.setdefault(s["name"], set()).add((s["computer"], s["version"]))
    common = max(on, key=lambda a: (len(on[a]), a))
    for name in (HOSTILE_APP, common):
        open_page(driver, index)
        make_whole(driver)
        driver.execute_script("arguments[0].click()", driver.find_element(
            By.CSS_SELECTOR, f'#applications a[href="{links[name]}"]'))
        WebDriverWait(driver, 20).until(lambda d: d.execute_script("return document.documentElement.dataset.ready === '1'"))
        check(driver.find_element(By.ID, "application-name").text == name, f"the link of {name!r} opens its page")
        make_whole(driver)
        check(driver.execute_script("return document.querySelectorAll('script, b, img').length") == 3,
              f"{name!r}: no element came from stored text")
        rows = driver.execute_script(
            "return Array.from(document.querySelectorAll('#installs tbody > tr'))"
            ".map(tr => [tr.children[0].textContent, tr.children[1].textContent,"
            " tr.children[0].querySelector('a') ? tr.children[0].querySelector('a').getAttribute('href') : '']);")
        check({(c, v) for c, v, _ in rows} == on[name] and len(rows) == len(on[name]),
              f"{name!r}: {len(rows)} computers with their versions, {len(on[name])} stored")
        check(all(h.startswith("../computers/") and os.path.isfile(os.path.join(folder, "applications", h))
                  for _, _, h in rows), f"{name!r}: each computer links its page")
        page = os.path.join(folder, links[name])
        check_no_script(driver, page, {"installs": len(on[name])}, f"application page {name!r}")


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


def computer_sections(fleet, db, name, lang):
    """The tables `computer NAME` prints, as (heading, header, rows)."""
    out = subprocess.run([fleet, "computer", name, "--db", db, "--format", "tsv", "--lang", lang],
                         check=True, capture_output=True).stdout.decode("utf-8")
    sections, previous = [], ""
    for line in out.split("\n"):
        if line.startswith("[") and line.endswith("]") and previous == "":
            sections.append([line[1:-1], None, []])
        elif line and sections:
            cells = line.split("\t")
            if sections[-1][1] is None:
                sections[-1][1] = cells
            else:
                sections[-1][2].append(cells)
        previous = line
    return sections


def spaced(text):
    return re.sub(r"[\t\r\n]", " ", text)


def page_sections(driver):
    return driver.execute_script("""
        return Array.from(document.querySelectorAll('section.table-section'))
          .filter(s => s.id.startsWith('part-'))
          .map(s => [s.querySelector('h2').textContent,
                     Array.from(s.querySelectorAll('thead th')).map(th => th.textContent),
                     Array.from(s.querySelectorAll('tbody > tr')).map(tr =>
                       Array.from(tr.children).map(td => td.textContent))]);""")


def site_links(driver):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('a[href^=\"computers/\"]'))"
        ".map(a => [a.textContent, a.getAttribute('href'), a.closest('[id]').id]);")


def check_links_and_pages(driver, folder, fleet, db, computers, apps, lang):
    site = os.path.join(folder, "index.html")
    open_page(driver, site)
    check(driver.execute_script("return document.querySelectorAll('#applications tbody > tr').length") == 100,
          f"[{lang}] the page is ready with the first hundred of its {len(apps)} applications built")
    make_whole(driver)
    links = site_links(driver)
    by_name = {}
    for text, href, where in links:
        by_name.setdefault(text, set()).add(href)
    names = [c["computer"] for c in computers]
    check(set(by_name) >= set(names), f"[{lang}] every computer is linked: {len(set(names) - set(by_name))} missing")
    check(all(len(h) == 1 for h in by_name.values()), f"[{lang}] each computer links one page from every list")
    hrefs = {next(iter(h)) for h in by_name.values()}
    check(len(hrefs) == len(by_name), f"[{lang}] no two computers share a page")
    check(all(os.path.isfile(os.path.join(folder, h)) for h in hrefs), f"[{lang}] every linked page exists")
    check(len(os.listdir(os.path.join(folder, "computers"))) == len(names), f"[{lang}] a page per computer")
    wheres = {where for _, _, where in links}
    check({"computers", "chart-disk", "unseen"} <= wheres, f"[{lang}] links from the table and the lists: {wheres}")
    japanese = [n for n in names if any(ord(ch) > 0x3000 for ch in n)]
    cased = [n for n in names if n.lower() != n and n.lower() in names]
    sample = [HOSTILE_PC] + japanese[:1] + cased[:1] + [n.lower() for n in cased[:1]] + names[:2]
    for name in sample:
        href = next(iter(by_name[name]))
        # The link may be on a later page of the table: followed as the browser follows it.
        driver.execute_script("arguments[0].click()",
                              driver.find_element(By.CSS_SELECTOR, f'#computers a[href="{href}"]'))
        WebDriverWait(driver, 20).until(lambda d: d.execute_script("return document.documentElement.dataset.ready === '1'"))
        check(driver.find_element(By.ID, "computer-name").text == name, f"[{lang}] the link of {name!r} opens its page")
        check(driver.title == name, f"[{lang}] {name!r}: the title is the name as text")
        check(driver.execute_script("return document.querySelectorAll('script, b, img').length") == 3,
              f"[{lang}] {name!r}: no element came from stored text")
        make_whole(driver)
        want = [[h, c, [[spaced(x) for x in r] for r in rows]]
                for h, c, rows in computer_sections(fleet, db, name, lang)]
        got = [[h, c, [[spaced(x) for x in r] for r in rows]] for h, c, rows in page_sections(driver)]
        # The page adds since when each application is there, from the runs' history.
        for section in got:
            if "seen_since" in section[1]:
                at = section[1].index("seen_since")
                since = [r.pop(at) for r in section[2]]
                section[1].pop(at)
                check(all(re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", d) and d <= driver.find_element(By.ID, "run-at").text
                          for d in since), f"[{lang}] {name!r}: each application has a date it is there since")
        check(got == want, f"[{lang}] {name!r}: the page's sections are `computer NAME`'s "
                           f"({[w[0] for w in want]} vs {[g[0] for g in got]})")
        driver.find_element(By.ID, "site-link").click()
        WebDriverWait(driver, 20).until(lambda d: d.execute_script("return document.documentElement.dataset.ready === '1'"))
        open_page(driver, site)
        make_whole(driver)
    return by_name


def overflow(driver):
    """Elements that reach past the right edge, outside the boxes that scroll."""
    return driver.execute_script("""
        const w = document.documentElement.clientWidth;
        const out = Array.from(document.querySelectorAll('body *'))
          .filter(e => !e.parentElement.closest('.table-wrap'))
          .filter(e => e.getBoundingClientRect().right > w + 0.5)
          .map(e => e.tagName + (e.id ? '#' + e.id : '') + (e.className && e.className.baseVal === undefined ? '.' + e.className : ''));
        return [document.documentElement.scrollWidth, w, out.slice(0, 5)];""")


def check_narrow(driver, page, label, shot):
    driver.set_window_size(390, 844)
    open_page(driver, page)
    scroll, width, wide = overflow(driver)
    check(scroll <= width and not wide, f"{label} at 390 px: page {scroll} > {width} or past the edge: {wide}")
    driver.save_screenshot(shot)
    driver.set_window_size(1280, 1024)


def check_no_script(driver, page, tables, label):
    driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": True})
    try:
        driver.get("file://" + page)
        shown = driver.execute_script("""
            const out = {};
            for (const s of document.querySelectorAll('section.table-section'))
              out[s.id] = Array.from(s.querySelectorAll('tbody > tr')).filter(tr => tr.getClientRects().length > 0).length;
            return [out, document.documentElement.dataset.ready || ''];""")
    finally:
        driver.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": False})
    rows, ready = shown
    check(ready == "", f"{label}: the page's script did not run")
    for table, count in tables.items():
        check(rows.get(table) == count, f"{label} without scripts: {table} shows {rows.get(table)} of {count} rows")


def check_download(driver, page, folder):
    open_page(driver, page)
    driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": folder})
    type_filter(driver, "computers", "-00")
    want = driver.execute_script(
        "return Array.from(document.querySelectorAll('#computers tbody > tr'))"
        ".filter(tr => document.getElementById('computers').dataset.shown && !tr.classList.contains('detail'))"
        ".map(tr => Array.from(tr.children).map(td => td.textContent));")
    target = os.path.join(folder, "computers.csv")
    if os.path.exists(target):
        os.remove(target)
    driver.find_element(By.CSS_SELECTOR, "#computers .download").click()
    deadline = time.time() + 20
    while not os.path.exists(target) and time.time() < deadline:
        time.sleep(0.2)
    data = open(target, "rb").read() if os.path.exists(target) else b""
    check(data.startswith(b"\xef\xbb\xbf"), "the CSV starts with a byte-order mark")
    check(b"\r\n" in data and data.count(b"\n") == data.count(b"\r\n"), "the CSV has CRLF line ends")
    rows = list(csv.reader(io.StringIO(data.decode("utf-8-sig"), newline="")))
    filtered = [r for r in want if any("-00" in c.lower() for c in r)]
    safe = [["'" + c if c[:1] in ("=", "+", "-", "@", "\t", "\r") else c for c in r] for r in filtered]
    check(len(rows) == len(filtered) + 1 and len(filtered) > 100, f"the CSV holds the {len(filtered)} rows in view, not one page")
    check(sorted(rows[1:]) == sorted(safe), "the CSV's cells are the table's, formulas kept as text")


def print_pdf(driver, path):
    # Page sizes from the page's own @page rules: A4, tables on landscape sheets.
    pdf = driver.execute_cdp_cmd("Page.printToPDF", {"printBackground": True, "preferCSSPageSize": True})
    with open(path, "wb") as f:
        f.write(base64.b64decode(pdf["data"]))
    subprocess.run(["pdftoppm", "-png", "-r", "60", "-f", "1", "-l", "3", path, path[:-4]], check=True)
    return subprocess.run(["pdftotext", path, "-"], capture_output=True, text=True).stdout


def printed_sections(driver):
    """Every section's heading, and the dates of the history, which comes last
    on paper. (A long cell's words may print broken over lines of a narrow
    column: whole cells are not looked for.)"""
    return driver.execute_script("""
        return {headings: Array.from(document.querySelectorAll('section.table-section h2'), h => h.textContent),
                history: Array.from(document.querySelectorAll('#runs tbody td[data-p]'), td => td.dataset.p)};""")


def check_printed_rows(text, names, label):
    flat = re.sub(r"\s+", "", text)
    missing = [n for n in names if re.sub(r"\s+", "", n) not in flat]
    check(not missing, f"{label}: the printed pages hold every row ({len(missing)} of {len(names)} missing: {missing[:3]})")


def check_paper_forms(text, computers, db):
    """On paper the tables' date-times show their dates and MAC addresses their
    digits; the header's times stay whole."""
    whole = re.findall(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", text)
    check(len(whole) <= 3, f"printed tables show dates without times: {len(whole)} date-times, {whole[:3]}")
    flat = re.sub(r"\s+", "", text)
    check(all(c["last_seen"][:10] in flat for c in computers), "every last run's date is printed")
    macs = [m for (m,) in sqlite3.connect(db).execute("SELECT mac FROM latest_computers WHERE mac <> ''")]
    check(macs and all(re.sub(r"[:-]", "", m) in flat for m in macs), f"{len(macs)} MAC addresses printed as digits")
    check(not re.search(r"([0-9A-Fa-f]{2}:){5}[0-9A-Fa-f]{2}", text), "no MAC address printed with its separators")


def check_japanese_headers(driver):
    broken = driver.execute_script("""
        return Array.from(document.querySelectorAll('th')).filter(th => {
          const line = parseFloat(getComputedStyle(th).lineHeight) || 16;
          return th.getClientRects().length && th.getClientRects()[0].height > 2.2 * line; })
          .map(th => th.textContent);""")
    check(not broken, f"Japanese column headers on one line: {broken[:5]}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fleet", required=True)
    parser.add_argument("--artefacts", required=True)
    parser.add_argument("--computers", type=int, default=200)
    args = parser.parse_args()
    art = os.path.abspath(args.artefacts)
    os.makedirs(art, exist_ok=True)
    work = tempfile.mkdtemp(prefix="norvale-report-")
    en = os.path.join(art, "report-en.html")
    site = {lang: os.path.join(art, "site-" + lang) for lang in ("en", "ja")}
    subprocess.run([os.path.join(ROOT, "scripts", "fleet-demo"), "--computers", str(args.computers), "--hostile",
                    "--dir", work, "--fleet", args.fleet, "--out", en], check=True)
    db = os.path.join(work, "fleet.sqlite")
    for lang, folder in site.items():
        subprocess.run([args.fleet, "report", "--db", db, "--out", folder, "--lang", lang], check=True)
    computers = tsv(args.fleet, "computers", "--db", db, "--columns",
                    "computer,last_seen,windows,cpu,memory_mb,disk_total_gb,disk_free_gb")
    installs = tsv(args.fleet, "software", "--db", db, "--computers")
    # The chart counts Windows as the PC wrote it, build and service pack included.
    written = dict(sqlite3.connect(db).execute("SELECT computer, version_text FROM latest_os").fetchall())
    for c in computers:
        c["version_text"] = written.get(c["computer"]) or ""
    apps = sorted({s["name"] for s in installs})
    hostile_runs = sqlite3.connect(db).execute("SELECT COUNT(*) FROM runs WHERE computer = ?", (HOSTILE_PC,)).fetchone()[0]
    index = {lang: os.path.join(folder, "index.html") for lang, folder in site.items()}

    driver = browser(1280, 1024)
    try:
        open_page(driver, index["en"])
        driver.save_screenshot(os.path.join(art, "site-en-1280.png"))
        text = print_pdf(driver, os.path.join(art, "site-en-print.pdf"))
        check_printed_rows(text, [c["computer"] for c in computers], "site page, computers")
        check_printed_rows(text, apps, "site page, applications")
        check_paper_forms(text, computers, db)
        # The single page: an application's row opens its computers from the page's data.
        check_english(driver, en, computers, installs, installs, db)
        check_application_pages(driver, site["en"], installs, apps)
        check_print_layout(driver)
        driver.set_window_size(1280, 1024)
        by_name = {}
        for lang in ("en", "ja"):
            by_name = check_links_and_pages(driver, site[lang], args.fleet, db, computers, apps, lang)
        check_download(driver, index["en"], work)
        open_page(driver, index["ja"])
        driver.save_screenshot(os.path.join(art, "site-ja-1280.png"))
        check_japanese(driver, index["ja"], computers)
        check_japanese_headers(driver)
        japanese = next(n for n in by_name if any(ord(ch) > 0x3000 for ch in n))
        for lang in ("en", "ja"):
            page = os.path.join(site[lang], next(iter(by_name[japanese])))
            open_page(driver, page)
            driver.save_screenshot(os.path.join(art, f"computer-{lang}-1280.png"))
            if lang == "en":
                text = print_pdf(driver, os.path.join(art, "computer-en-print.pdf"))
                mine = [s["name"] for s in installs if s["computer"] == japanese]
                check_printed_rows(text, mine, "computer page, applications")
                # Sections below the screen are laid out only when shown: paper has them all.
                for label, texts in printed_sections(driver).items():
                    check_printed_rows(text, texts, f"computer page, {label}")
                check(driver.execute_script("return performance.getEntriesByName('tables-ready').length") == 1,
                      "the page marks when its tables were set up")
            check_narrow(driver, page, f"computer page ({lang})", os.path.join(art, f"computer-{lang}-390.png"))
            check_narrow(driver, index[lang], f"site page ({lang})", os.path.join(art, f"site-{lang}-390.png"))
        check_no_script(driver, index["en"], {"computers": len(computers), "applications": len(apps)}, "site page")
        check_no_script(driver, os.path.join(site["en"], next(iter(by_name[HOSTILE_PC]))),
                        {"runs": hostile_runs}, "computer page")
    finally:
        driver.quit()

    pages = subprocess.run(["pdfinfo", os.path.join(art, "site-en-print.pdf")], capture_output=True, text=True).stdout
    check("(A4)" in pages or "landscape" in pages or "842" in pages, f"printed on A4: {pages}")

    print(f"browser: {passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

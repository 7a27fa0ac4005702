#!/usr/bin/python3
"""Fleet report benchmark (a measurement, not a test): for sites of 300, 3,000
and 10,000 computers made by scripts/fleet-demo (two runs for most), the time
`norvale-fleet report --out FOLDER` takes for the site page and a page per
computer, the site page's size and the largest computer page's, and the time
to a ready page in headless Chromium (navigation start to the first
contentful paint, and to the moment the page's script has set up every
table) for the site page and for one computer page.

    bench/fleet/report_bench.py [--fleet build/fleet/norvale-fleet] [--sizes 300,3000,10000]
"""
import argparse
import os
import resource
import sqlite3
import statistics
import subprocess
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def render_times(path, repeats):
    """Median first paint and ready time; each load in a browser of its own, as
    a person opening the file would (a second load in the same tab records no
    paint)."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--window-size=1280,1024"]:
        options.add_argument(arg)
    paints, readies = [], []
    for _ in range(repeats):
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            driver.set_page_load_timeout(300)
            driver.get("file://" + path)
            WebDriverWait(driver, 300).until(
                lambda d: d.execute_script("return document.documentElement.dataset.ready === '1'"))
            paint, ready = driver.execute_script("""
                const fcp = performance.getEntriesByName('first-contentful-paint')[0];
                const nav = performance.getEntriesByType('navigation')[0];
                return [fcp ? fcp.startTime : null, nav.domContentLoadedEventEnd];""")
        finally:
            driver.quit()
        if paint is not None:
            paints.append(paint)
        readies.append(ready)
    return (statistics.median(paints) if paints else float("nan")), statistics.median(readies)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--fleet", default=os.path.join(ROOT, "build", "fleet", "norvale-fleet"))
    parser.add_argument("--sizes", default="300,3000,10000")
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "bench-report"))
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()

    # Wall time depends on what else runs on the machine; the report's own
    # processor time (user + system) does not, so both are shown.
    print("computers  app rows  report wall s  report cpu s  site MB  largest pc KB"
          "  site paint ms  site ready ms  pc ready ms")
    for n in (int(s) for s in args.sizes.split(",")):
        work = os.path.join(args.dir, str(n))
        os.makedirs(work, exist_ok=True)
        db = os.path.join(work, "fleet.sqlite")
        if not os.path.exists(db):  # loading is measured by the store's own benchmark
            subprocess.run([os.path.join(ROOT, "scripts", "fleet-demo"), "--computers", str(n), "--dir", work,
                            "--files-only", "--now", "2026-12-08 09:00:00"], check=True, stdout=subprocess.DEVNULL)
            for run in ("run1", "run2"):
                subprocess.run([args.fleet, "load", os.path.join(work, "share", run), "--db", db + ".part"],
                               check=True, stdout=subprocess.DEVNULL)
            os.rename(db + ".part", db)
        app_rows = sqlite3.connect(db).execute("SELECT COUNT(*) FROM latest_applications").fetchone()[0]
        site = os.path.join(work, "site")
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        subprocess.run([args.fleet, "report", "--db", db, "--out", site, "--now", "2026-12-08 09:00:00"],
                       check=True, stdout=subprocess.DEVNULL)
        seconds = time.monotonic() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
        index = os.path.join(site, "index.html")
        pages = [os.path.join(site, "computers", f) for f in os.listdir(os.path.join(site, "computers"))]
        largest = max(pages, key=os.path.getsize)
        paint, ready = render_times(index, args.repeats)
        _, pc_ready = render_times(largest, args.repeats)
        print(f"{n:9d}  {app_rows:8d}  {seconds:13.1f}  {cpu:12.1f}  {os.path.getsize(index) / 1e6:7.1f}"
              f"  {os.path.getsize(largest) / 1024:13.0f}  {paint:13.0f}  {ready:13.0f}  {pc_ready:11.0f}",
              flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Fleet report benchmark (a measurement, not a test): for sites of 300, 3,000
and 10,000 computers made by scripts/fleet-demo (two runs for most), the time
`norvale-fleet report --out FOLDER` takes for the site page and a page per
computer, the site page's size and the largest computer page's, and the time
to a ready page in headless Chromium for the site page, the largest computer
page and an empty page (the floor of a fresh browser on this machine),
measured in turns so that a change of load touches all three alike.

Per page: first contentful paint, "ready" (navigation start to the end of
DOMContentLoaded, read once the page says its tables are set up) and
"tables" (navigation start to the moment the script had set up every
table). Every load is in a browser of its own, as a person opening the file
would have; every browser step has a time limit, and a load that passes it
is counted, its browser ended and the load tried again.

    bench/fleet/report_bench.py [--fleet build/release/norvale-fleet] [--sizes 300,3000,10000]
"""
import argparse
import os
import resource
import sqlite3
import statistics
import subprocess
import sys
import time

import urllib3
from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.remote.remote_connection import RemoteConnection
from selenium.webdriver.support.ui import WebDriverWait

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
STEP_SECONDS = 60  # any one step of a browser: start, load, script, quit
TRIES = 3          # loads of one page before the benchmark gives up
EMPTY_PAGE = ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>empty</title></head><body>"
              "<script>document.documentElement.dataset.ready = '1'</script></body></html>\n")
READ_TIMES = """
    const fcp = performance.getEntriesByName('first-contentful-paint')[0];
    const nav = performance.getEntriesByType('navigation')[0];
    const tables = performance.getEntriesByName('tables-ready')[0];
    return [fcp ? fcp.startTime : null, nav.domContentLoadedEventEnd,
            tables ? tables.startTime : nav.domContentLoadedEventEnd];"""


def descendants(pid):
    """The processes under `pid` (the browser chromedriver started)."""
    found, todo = [], [pid]
    while todo:
        parent = todo.pop()
        for entry in os.listdir("/proc"):
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    if int(stat.read().rsplit(")", 1)[1].split()[1]) == parent:
                        found.append(int(entry))
                        todo.append(int(entry))
            except (OSError, ValueError, IndexError):
                continue
    return found


def stop(driver, service):
    """Quits the browser; when that fails, what is left of it is killed by id
    (only then: the ids of processes that ended may be another's by now)."""
    if not service.process:
        return
    left = descendants(service.process.pid) + [service.process.pid]
    try:
        if driver:
            driver.quit()
            return
    except Exception:  # a browser that hangs is ended below
        pass
    for pid in left:
        try:
            os.kill(pid, 9)
        except OSError:
            pass
    service.process.wait()


def load_once(path):
    """Paint, ready and tables-ready of one load in a fresh browser."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--window-size=1280,1024"]:
        options.add_argument(arg)
    service = Service("/usr/bin/chromedriver")
    driver = None
    try:
        driver = webdriver.Chrome(service=service, options=options)
        driver.set_page_load_timeout(STEP_SECONDS)
        driver.set_script_timeout(STEP_SECONDS)
        driver.get("file://" + path)
        WebDriverWait(driver, STEP_SECONDS).until(
            lambda d: d.execute_script("return document.documentElement.dataset.ready === '1'"))
        return driver.execute_script(READ_TIMES)
    finally:
        stop(driver, service)


def load(path, failures):
    for attempt in range(TRIES):
        try:
            return load_once(path)
        except (WebDriverException, urllib3.exceptions.HTTPError) as error:  # a step past its limit
            failures.append(path)
            print(f"load {attempt + 1} of {path} failed: {str(error).splitlines()[0]}", file=sys.stderr)
    raise RuntimeError(f"{path}: no load in {TRIES} tries")


def render_times(paths, repeats):
    """Per page, the medians of paint, ready and tables-ready, and the failed loads."""
    times, failures = {path: [] for path in paths}, []
    for _ in range(repeats):
        for path in paths:
            times[path].append(load(path, failures))
    def median(values):
        values = [v for v in values if v is not None]
        return statistics.median(values) if values else float("nan")
    return {path: [median(column) for column in zip(*rows)] for path, rows in times.items()}, failures


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--fleet", default=os.path.join(ROOT, "build", "release", "norvale-fleet"))
    parser.add_argument("--sizes", default="300,3000,10000")
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "bench-report"))
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()
    args.dir = os.path.abspath(args.dir)  # the browser opens file:// addresses

    # Wall time depends on what else runs on the machine; the report's own
    # processor time (user + system) does not, so both are shown.
    RemoteConnection.set_timeout(STEP_SECONDS)  # a browser that stops answering fails the step
    empty = os.path.join(args.dir, "empty.html")
    os.makedirs(args.dir, exist_ok=True)
    with open(empty, "w") as page:
        page.write(EMPTY_PAGE)
    print("computers  app rows  report wall s  report cpu s  load avg  site MB  largest pc KB"
          "  site paint / ready / tables ms  pc ready / tables ms  empty ready ms  failed loads")
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
        load_average = os.getloadavg()[0]
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
        times, failures = render_times([index, largest, empty], args.repeats)
        paint, ready, tables = times[index]
        _, pc_ready, pc_tables = times[largest]
        _, empty_ready, _ = times[empty]
        print(f"{n:9d}  {app_rows:8d}  {seconds:13.1f}  {cpu:12.1f}  {load_average:8.1f}"
              f"  {os.path.getsize(index) / 1e6:7.1f}  {os.path.getsize(largest) / 1024:13.0f}"
              f"  {paint:10.0f} / {ready:5.0f} / {tables:6.0f}  {pc_ready:9.0f} / {pc_tables:6.0f}"
              f"  {empty_ready:14.0f}  {len(failures):12d}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

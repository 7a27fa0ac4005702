#!/usr/bin/env bash
# Benchmark: the application list on 10,000 uninstall entries under Wine
# (half in each registry view, every tenth hidden as a system component).
# Usage: bench/wine/applications.sh build/win64
source "$(dirname "$0")/../../tests/e2e/lib.sh"
build=$(cd "${1:?build directory}" && pwd)
entries=${NORVALE_BENCH_ENTRIES:-10000}

e2e_prefix en
reg=$WINEPREFIX/drive_c/uninstall.reg
python3 - "$entries" >"$reg" <<'PY'
import sys
n = int(sys.argv[1])
out = ["Windows Registry Editor Version 5.00", ""]
for i in range(n):
    view = "WOW6432Node\\" if i % 2 == 0 else ""
    out.append("[HKEY_LOCAL_MACHINE\\SOFTWARE\\%sMicrosoft\\Windows\\CurrentVersion\\Uninstall\\"
               "{%08d-BE0C-4A1E-9D2A-000000000000}]" % (view, i))
    out.append('"DisplayName"="Benchmark Application %d"' % i)
    out.append('"DisplayVersion"="%d.%d.%d"' % (i % 7, i % 13, i))
    out.append('"Publisher"="Publisher %d"' % (i % 50))
    if i % 10 == 0:
        out.append('"SystemComponent"=dword:00000001')
    out.append("")
sys.stdout.write("\r\n".join(out))
PY
start=$(date +%s.%N)
wine reg import 'C:\uninstall.reg' /reg:64 >/dev/null 2>&1
echo "import of $entries entries: $(echo "$(date +%s.%N) - $start" | bc) s"
cp "$build/bench_applications.exe" "$WINEPREFIX/drive_c/"
wine 'C:\bench_applications.exe'

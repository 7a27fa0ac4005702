#!/usr/bin/env bash
# Network and WMI collectors end to end: the saved file of an automatic run
# holds the adapter, LAN identity, printer, share and WMI rows, or, where
# Wine's WMI lacks a property, exactly the error row the collector leaves.
source "$(dirname "$0")/lib.sh"
exe=$1

e2e_prefix en
name=$(e2e_computer_name)
wine reg add 'HKLM\SYSTEM\CurrentControlSet\Services\lanmanserver\parameters' \
  /v srvcomment /d '  Front desk  ' /f >/dev/null 2>&1

mkdir -p "$WINEPREFIX/drive_c/results"
e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETIME=0\nSAVEFOLDER=C:\\results\n'
result="$WINEPREFIX/drive_c/results/$name.tsv"
check "exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "result file written" test -s "$result"
cp "$result" "$E2E_ARTEFACTS/network-wmi-$name.tsv" 2>/dev/null || true

# The rows without Key and date, tab-separated, without the line end.
rows=$(tr -d '\r' <"$result" | cut -f2-6)
has() { grep -qxF "$1" <<<"$rows"; }
has_re() { grep -qxP "$1" <<<"$rows"; }
line_of() { grep -nP "$1" <<<"$rows" | sed -n '1p' | cut -d: -f1; }
T=$'\t'

# Adapters: eight rows per adapter, or the one error row of a missing property.
adapter_error=$(grep -P '^LAN\terror\tmAdapter\t' <<<"$rows" || true)
if [ -n "$adapter_error" ]; then
  check "adapter error is 'not found' ($adapter_error)" \
    test "$adapter_error" = "LAN${T}error${T}mAdapter${T}-2147217406${T}Not found"
else
  check "adapter rows" has_re '^LAN\tAdapter\tAdapterName\t.*\t$'
  check "adapter MAC row" has_re '^LAN\tAdapter\tMACAddress\t.+\t$'
fi
check "no IPConvert error" bash -c "! grep -qP '^LAN\terror\tmAdapter,IPConvert' <<<\"\$1\"" _ "$rows"

# LAN identity: the eight rows in order, after the adapter rows.
labels=$(grep -P '^LAN\tLAN\t' <<<"$rows" | cut -f3 | paste -sd, -)
check "LAN rows in order ($labels)" \
  test "$labels" = "Domain,WorkGroup,UserName,ComputerName,HostName,PrimaryDNS,SecondaryDNS,SVRComment"
check "workgroup named" has_re '^LAN\tLAN\tWorkGroup\t.+\t$'
check "user named" has_re '^LAN\tLAN\tUserName\t.+\t$'
check "computer name" has "LAN${T}LAN${T}ComputerName${T}${name}${T}"
check "primary DNS in fixed width" has_re '^LAN\tLAN\tPrimaryDNS\t(\d{3}\.\d{3}\.\d{3}\.\d{3}|-|[0-9a-fA-F:]*)\t$'
check "server comment trimmed" has "LAN${T}LAN${T}SVRComment${T}Front desk${T}"
check "no LAN error" bash -c "! grep -qP '^LAN\terror\tmLan' <<<\"\$1\"" _ "$rows"
check "adapters before LAN identity" \
  test "$(line_of '^LAN\t(Adapter|error)\t')" -lt "$(line_of '^LAN\tLAN\t')"

# Printers and shares: a row per object; Wine has none, and that is no error.
check "no printer error" bash -c "! grep -qP '^Hard\terror\tmPrinter' <<<\"\$1\"" _ "$rows"
check "no share error" bash -c "! grep -qP '^Shared\terror\tmShare' <<<\"\$1\"" _ "$rows"
printers=$(grep -cP '^Hard\tPrinter\t' <<<"$rows" || true)
shares=$(grep -cP '^Shared\tResource\t' <<<"$rows" || true)

# WMI: system, BIOS, board, chassis types and the memory slot row, in order.
wmi=$(grep -P '^WMI\t' <<<"$rows" | cut -f2,3 | tr '\t' / | paste -sd, - | sed 's/\(SystemEnclosure\/ChassisTypes,\)*SystemEnclosure\/ChassisTypes/ChassisTypes*/')
check "WMI rows in order ($wmi)" bash -c "[[ '$wmi' == System/Vendor,System/Model,BIOS/Vendor,BIOS/Caption,BIOS/Version,BIOS/ReleaseDate,BIOS/SerialNo,BaseBoard/Vendor,BaseBoard/Product,BaseBoard/SerialNumber,BaseBoard/Version,ChassisTypes*,PhysicalMemory/* ]]"
check "release date as yyyy/mm/dd" has_re '^WMI\tBIOS\tReleaseDate\t\d{4}/\d{2}/\d{2}\t$'
check "maker trimmed" has_re '^WMI\tSystem\tVendor\t\S(.*\S)?\t$'
check "chassis type from the table" \
  has_re '^WMI\tSystemEnclosure\tChassisTypes\t(Other|Unknown|Desktop|Low Profile Desktop|Pizza Box|Mini Tower|Tower|Portable|Laptop|Notebook|Hand Held|Docking Station|All in One|Sub Notebook|Space-Saving|Lunch Box|Main System Chassis|Expansion Chassis|Sub Chassis|Bus Expansion Chassis|Peripheral Chassis|Storage Chassis|Rack Mount Chassis|Sealed-Case PC|None)\t$'
check "memory slot row" has_re '^WMI\tPhysicalMemory\tSlot\t\d*\t$'
check "no WMI error" bash -c "! grep -qP '^WMI\terror' <<<\"\$1\"" _ "$rows"
check "LAN identity before WMI" test "$(line_of '^LAN\tLAN\t')" -lt "$(line_of '^WMI\t')"

echo "adapter: ${adapter_error:-rows}; printers: $printers; shares: $shares"
grep -P '^(LAN|Hard\tPrinter|Shared|WMI)\t' <<<"$rows" >"$E2E_ARTEFACTS/network-wmi-rows.txt" || true

# A Japanese system: the LAN labels in Japanese, written in Shift_JIS.
e2e_cleanup
e2e_prefix ja
mkdir -p "$WINEPREFIX/drive_c/results"
e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETIME=0\nSAVEFOLDER=C:\\results\n'
result_ja=$(ls "$WINEPREFIX/drive_c/results/"*.tsv 2>/dev/null | sed -n '1p')
check "Japanese: result file written" test -s "$result_ja"
rows_ja=$(iconv -f CP932 -t UTF-8 <"$result_ja" | tr -d '\r' | cut -f2-6)
labels_ja=$(grep -P '^LAN\tLAN\t' <<<"$rows_ja" | cut -f3 | paste -sd, -)
check "Japanese LAN labels ($labels_ja)" test "$labels_ja" = \
  "ドメイン,ワークグループ,ユーザー名,コンピュータ名,ホスト名,PrimaryDNS,SecondaryDNS,コンピュータの説明"
check "Japanese: WMI rows unchanged" bash -c "grep -qP '^WMI\tBIOS\tReleaseDate\t\d{4}/\d{2}/\d{2}\t$' <<<\"\$1\"" _ "$rows_ja"
e2e_finish

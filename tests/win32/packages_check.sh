#!/usr/bin/env bash
# The Windows packages as an operator meets them, under Wine (in the prefix scripts/windows.sh
# gives): the programs they ship need no DLL beyond Windows' own and stay small; the installer,
# run with /S, puts both programs, the Start-menu entry and the entry in the list of installed
# apps in place for the current user, and its uninstaller, with /S, takes them all away again;
# the zip holds the same programs, which run from wherever it is unpacked.
#   packages_check.sh INSTALLER ZIP VERSION
set -euo pipefail
installer="$1"
zip="$2"
version="$3"
product="RS485上位机配置软件"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\transmitter-config'
max_bytes=$((3 * 1024 * 1024))
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# What a Windows program printed. Through a file, never a pipe: a Wine service that the program
# happens to start inherits its output and would hold a pipe open long after the program ends.
output_of() {
    wine "$@" </dev/null >"$work/out" 2>/dev/null || true
    tr -d '\r' <"$work/out"
}
# A Windows path as this prefix's file system sees it.
unix_path() { winepath -u "$1" 2>/dev/null; }
windows_variable() { output_of cmd /c echo "%$1%"; }
# A registry key as text, or nothing when it is not there (reg writes UTF-16).
key_text() {
    rm -f "$work/key.reg"
    wine reg export "$key" "$work/key.reg" </dev/null >/dev/null 2>&1 || true
    [[ -f "$work/key.reg" ]] && iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r'
    return 0
}

(($(stat -c %s "$installer") <= max_bytes)) || fail "the installer is over 3 MB"

unzip -q "$zip" -d "$work/unzipped"
folder="$work/unzipped/transmitter-config-$version-x64"
for program in transmitter-config transmitter-cli; do
    exe="$folder/$program.exe"
    if [[ ! -f "$exe" ]]; then
        fail "the zip holds no $program.exe"
        continue
    fi
    (($(stat -c %s "$exe") <= max_bytes)) || fail "$program.exe is over 3 MB"
    # Windows' own DLLs only: no MinGW runtime (libstdc++, libgcc, winpthread) to ship beside it.
    while read -r dll; do
        case "${dll,,}" in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | advapi32.dll | setupapi.dll | \
            shell32.dll | winmm.dll | ws2_32.dll | msvcrt.dll) ;;
        *) fail "$program.exe needs $dll" ;;
        esac
    done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
    out="$(output_of "$exe" --version)"
    [[ "$out" == "$program $version" ]] || fail "$program.exe from the zip: --version said '$out'"
done

# Installed silently, for this user alone.
wine "$installer" /S </dev/null >/dev/null 2>&1 || fail "the installer failed"
installed="$(unix_path "$(windows_variable LOCALAPPDATA)\\Programs\\transmitter-config")"
shortcut="$(unix_path "$(windows_variable APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\$product.lnk")"
for program in transmitter-config transmitter-cli; do
    if cmp -s "$installed/$program.exe" "$folder/$program.exe"; then
        out="$(output_of "$installed/$program.exe" --version)"
        [[ "$out" == "$program $version" ]] || fail "installed $program.exe: --version said '$out'"
    else
        fail "$program.exe is not installed as the zip holds it"
    fi
done
[[ -f "$installed/uninstall.exe" ]] || fail "no uninstaller installed"
[[ -f "$shortcut" ]] || fail "no Start-menu entry '$product'"
entry="$(key_text)"
for value in "\"DisplayName\"=\"$product\"" "\"DisplayVersion\"=\"$version\"" \
    '\\uninstall.exe\""' '\\uninstall.exe\" /S"' '\\transmitter-config.exe,0"'; do
    [[ "$entry" == *"$value"* ]] || fail "the list of installed apps lacks $value"
done

# Uninstalled silently: the uninstaller runs from a copy of itself and returns at once, so what it
# removes is waited for.
wine "$installed/uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller failed"
for _ in $(seq 100); do
    [[ -e "$installed" || -n "$(key_text)" ]] || break
    sleep 0.2
done
[[ ! -e "$installed" ]] || fail "the uninstaller left $(ls "$installed")"
[[ ! -e "$shortcut" ]] || fail "the uninstaller left the Start-menu entry"
[[ -z "$(key_text)" ]] || fail "the uninstaller left the entry in the list of installed apps"

if ((failures > 0)); then
    exit 1
fi
echo "the installer, its uninstaller and the zip work as an operator uses them"

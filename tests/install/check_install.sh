#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks what a user gets: both programs answer
# --version, korvel without a display says so in one line, the desktop entry is valid, the icon, the
# bundled histories and the systemd user units of the daily update are in place, and korvel-cli finds the
# bundled histories from the installed tree.
# Usage: check_install.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "check_install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

[ "$("$prefix/bin/korvel" --version)" = "korvel $version" ] || fail "korvel --version"
[ "$("$prefix/bin/korvel-cli" --version)" = "korvel-cli $version" ] || fail "korvel-cli --version"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/korvel" --help | grep -q -- "--data-dir" ||
    fail "korvel --help without a display"

# No display: exit status 1 and one line naming korvel-cli and QT_QPA_PLATFORM (not Qt's abort).
set +e
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/korvel" >"$work/out" 2>"$work/err"
status=$?
DISPLAY=:97 QT_QPA_PLATFORM=xcb "$prefix/bin/korvel" >/dev/null 2>"$work/err2"
status2=$?
set -e
[ "$status" -eq 1 ] || fail "korvel without a display: exit status $status"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "korvel without a display: $(cat "$work/err")"
grep -q "korvel-cli" "$work/err" && grep -q "QT_QPA_PLATFORM" "$work/err" || fail "no-display line: $(cat "$work/err")"
[ "$status2" -eq 1 ] || fail "korvel with an unreachable display: exit status $status2"
grep -q "QT_QPA_PLATFORM" "$work/err2" || fail "unreachable display: $(cat "$work/err2")"

for f in share/korvel/fc3d_draws.tsv share/korvel/pl3_draws.tsv share/applications/korvel.desktop \
    share/icons/hicolor/scalable/apps/korvel.svg share/doc/korvel/README.md; do
    [ -s "$prefix/$f" ] || fail "missing $f"
done
grep -q "<svg" "$prefix/share/icons/hicolor/scalable/apps/korvel.svg" || fail "icon is not SVG"
desktop="$prefix/share/applications/korvel.desktop"
grep -qx "Name=Korvel" "$desktop" && grep -qx "Name\[zh_CN\]=Korvel 3D 公式分析" "$desktop" &&
    grep -qx "Categories=Utility;Office;" "$desktop" && grep -qx "Icon=korvel" "$desktop" || fail "desktop entry fields"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
    echo "check_install: desktop-file-validate not installed, entry not validated" >&2
fi

# The daily update: the user service runs this prefix's korvel-cli, the timer fires at 21:45 Beijing time.
service="$prefix/share/systemd/user/korvel-update.service"
timer="$prefix/share/systemd/user/korvel-update.timer"
[ -s "$service" ] && [ -s "$timer" ] || fail "missing systemd user units"
grep -qx "ExecStart=$prefix/bin/korvel-cli history update" "$service" || fail "service: $(grep ExecStart "$service")"
grep -qx "Type=oneshot" "$service" || fail "service type"
grep -qx 'OnCalendar=\*-\*-\* 21:45:00 Asia/Shanghai' "$timer" && grep -qx "Persistent=true" "$timer" &&
    grep -qx "WantedBy=timers.target" "$timer" || fail "timer fields"
if command -v systemd-analyze >/dev/null; then
    systemd-analyze calendar '*-*-* 21:45:00 Asia/Shanghai' >/dev/null || fail "timer calendar"
    mkdir -m 700 "$work/runtime" # the user manager's runtime folder, which a build machine may not have
    XDG_RUNTIME_DIR="$work/runtime" systemd-analyze verify --user "$service" "$timer" >"$work/verify" 2>&1 ||
        fail "systemd-analyze: $(cat "$work/verify")"
else
    echo "check_install: systemd-analyze not installed, units not verified" >&2
fi
"$prefix/bin/korvel-cli" history update --help | grep -q -- "--source official|chart|text" || fail "history update --help"

# The installed korvel-cli reads the bundled histories from PREFIX/share/korvel.
cli() { "$prefix/bin/korvel-cli" --data-dir "$work/$1" --settings "$work/$1.ini" --json "${@:2}"; }
cli fc3d history import --bundled >"$work/fc3d.json" 2>/dev/null || fail "history import --bundled"
expected=$(grep -c . "$prefix/share/korvel/fc3d_draws.tsv")
grep -q "\"added\": $expected," "$work/fc3d.json" || fail "福彩3D bundled import: $(cat "$work/fc3d.json")"
cli pl3 history import --bundled --game 排列3 >"$work/pl3.json" 2>/dev/null || fail "history import --bundled --game 排列3"
expected=$(grep -c . "$prefix/share/korvel/pl3_draws.tsv")
grep -q "\"added\": $expected," "$work/pl3.json" || fail "排列3 bundled import: $(cat "$work/pl3.json")"
# Again: nothing newer than the newest stored draw.
cli fc3d history import --bundled >"$work/again.json" 2>/dev/null || fail "second bundled import"
grep -q "\"added\": 0," "$work/again.json" || fail "second bundled import added draws: $(cat "$work/again.json")"
echo "check_install: ok"

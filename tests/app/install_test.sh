#!/usr/bin/env bash
# The user's install against a temporary HOME: the layout, a second install
# keeping the notebook byte for byte, the desktop entry as desktop-file-validate
# sees it, the program finding its notebook through the link, and an uninstall
# that leaves the notebook where it is.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="$1"
build="$2"
export HOME
HOME="$(mktemp -d)"
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$HOME"' EXIT
app="$HOME/.local/share/quorvane"
fail() { echo "FAIL: $*" >&2; exit 1; }

QUORVANE_BUILD_DIR="$build" "$src/scripts/install.sh" >/dev/null

for f in "$app/quorvane" "$app/quorvane-createdb" "$HOME/.local/share/applications/quorvane.desktop"; do
  [ -f "$f" ] || fail "missing $f"
done
for size in 16 32 48 64 128 256; do
  [ -f "$HOME/.local/share/icons/hicolor/${size}x${size}/apps/quorvane.png" ] || fail "missing icon ${size}x${size}"
done
[ -L "$HOME/.local/bin/quorvane" ] || fail "no link in ~/.local/bin"
[ "$(readlink -f "$HOME/.local/bin/quorvane")" = "$(readlink -f "$app/quorvane")" ] || fail "the link does not lead to the program"
[ -f "$app/jsbdbf.mdb" ] || fail "no notebook made"
[ "$(stat -c %a "$app/jsbdbf.mdb")" = 600 ] || fail "the new notebook is not private"
grep -q '^Name=Quorvane记事本$' "$HOME/.local/share/applications/quorvane.desktop" || fail "desktop entry name"
grep -q '^Categories=Office;$' "$HOME/.local/share/applications/quorvane.desktop" || fail "desktop entry category"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$HOME/.local/share/applications/quorvane.desktop" || fail "desktop-file-validate"
else
  echo "desktop-file-validate is not installed (desktop-file-utils): entry not validated"
fi

# A second install keeps the notebook and its folders.
mkdir -p "$app/databak" "$app/tpfile"
echo backup >"$app/databak/jsbdbf20240101.bak"
echo picture >"$app/tpfile/图片.jpeg"
"$app/quorvane-createdb" "$HOME/other" >/dev/null 2>&1 || true
sum="$(md5sum <"$app/jsbdbf.mdb")"
QUORVANE_BUILD_DIR="$build" "$src/scripts/install.sh" >/dev/null
[ "$(md5sum <"$app/jsbdbf.mdb")" = "$sum" ] || fail "reinstall changed the notebook"
[ -f "$app/databak/jsbdbf20240101.bak" ] && [ -f "$app/tpfile/图片.jpeg" ] || fail "reinstall touched databak or tpfile"

# Started through the link, the program opens the notebook of its own folder
# (the reminder check two seconds after start is its first statement).
QT_QPA_PLATFORM=offscreen "$HOME/.local/bin/quorvane" >/dev/null 2>&1 &
pid=$!
opened=""
for _ in $(seq 1 100); do
  if ls -l /proc/$pid/fd 2>/dev/null | grep -q "$app/jsbdbf.mdb"; then opened=yes; break; fi
  sleep 0.2
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""
[ -n "$opened" ] || fail "the program started through the link did not open $app/jsbdbf.mdb"

# Uninstalling removes the program and leaves the notebook.
out="$("$src/scripts/install.sh" --uninstall)"
for f in "$app/quorvane" "$app/quorvane-createdb" "$HOME/.local/bin/quorvane" \
         "$HOME/.local/share/applications/quorvane.desktop" "$HOME/.local/share/icons/hicolor/48x48/apps/quorvane.png"; do
  [ ! -e "$f" ] && [ ! -L "$f" ] || fail "uninstall left $f"
done
[ "$(md5sum <"$app/jsbdbf.mdb")" = "$sum" ] || fail "uninstall changed the notebook"
[ -f "$app/databak/jsbdbf20240101.bak" ] && [ -f "$app/tpfile/图片.jpeg" ] || fail "uninstall removed the data"
echo "$out" | grep -q "$app" || fail "uninstall does not say where the notebook stays"
echo "install layout, reinstall, link, desktop entry and uninstall: as they should be"

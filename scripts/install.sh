#!/usr/bin/env bash
# Installs Quorvane 记事本 for the current user, no root needed:
#   ~/.local/share/quorvane/     the program, its command-line tools and the notebook
#                                (jsbdbf.mdb, databak/, tpfile/), which a reinstall never touches
#   ~/.local/bin/quorvane        a link to the program
#   ~/.local/share/applications/quorvane.desktop and the icons under ~/.local/share/icons/hicolor
#
#   scripts/install.sh               build a release and install it; make the notebook when there is none
#   scripts/install.sh --uninstall   remove the program files, keep the notebook
#
# QUORVANE_BUILD_DIR=DIR installs from a build that is already there (nothing is built).
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$HOME/.local"
app="$prefix/share/quorvane"
icons="$prefix/share/icons/hicolor"

if [ "${1:-}" = "--uninstall" ]; then
  rm -f "$app/quorvane" "$app/quorvane-createdb" "$app/quorvane-import-phonebook"
  [ -L "$prefix/bin/quorvane" ] && rm -f "$prefix/bin/quorvane"
  rm -f "$prefix/share/applications/quorvane.desktop"
  for icon in "$icons"/*/apps/quorvane.png; do
    [ -e "$icon" ] && rm -f "$icon"
  done
  command -v update-desktop-database >/dev/null && update-desktop-database -q "$prefix/share/applications" || true
  rmdir "$app" 2>/dev/null || true
  echo "Quorvane 记事本的程序文件已卸载。"
  if [ -d "$app" ]; then
    echo "记事本的数据留在原处,没有删除:$app (jsbdbf.mdb、databak/、tpfile/)。"
  fi
  exit 0
fi

build="${QUORVANE_BUILD_DIR:-}"
if [ -z "$build" ]; then
  scripts/install-deps.sh
  build=build-release
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
  cmake --build "$build" -j"$(nproc)"
fi
cmake --install "$build" --prefix "$prefix"

if [ -e "$app/jsbdbf.mdb" ]; then
  echo "记事本已在 $app/jsbdbf.mdb,保持不变。"
else
  "$app/quorvane-createdb" "$app" >/dev/null
  echo "新的记事本:$app/jsbdbf.mdb"
fi
command -v update-desktop-database >/dev/null && update-desktop-database -q "$prefix/share/applications" || true
echo "已安装。在应用程序菜单的“办公”中打开 Quorvane记事本,或运行 $prefix/bin/quorvane。"

#!/usr/bin/env bash
# The Debian package as an office desktop meets it: built by CPack, checked by Debian's own tools,
# installed with apt-get (every dependency resolved from the archive), used by a fresh user who has
# never run Quillon, and removed again.
# Usage: test_package.sh BUILD_DIR CPACK. Exit 77 (skipped) when not root.
set -euo pipefail

build_dir=$1
cpack=$2
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: installing and removing a package with apt-get, and adding a user, need root"
  exit 77
fi

# The package is installed and purged system-wide: runs from other work trees on this machine wait
# for each other.
exec {lock}>/var/lock/quillon-package-test
if ! flock --wait 450 "$lock"; then
  echo "FAIL: another package test has held /var/lock/quillon-package-test for 450 s" >&2
  exit 1
fi

work=$(mktemp -d)
user=quillontest$$
gui_pid=
installed=0
cleanup() {
  if [[ -n $gui_pid ]]; then kill "$gui_pid" 2>/dev/null || true; wait "$gui_pid" 2>/dev/null || true; fi
  if id "$user" >/dev/null 2>&1; then userdel --remove "$user" 2>/dev/null || true; fi
  if ((installed)); then apt_get purge -y -qq quillon >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 "$@"; }

echo "== building the package"
"$cpack" --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/quillon_*.deb)
((${#debs[@]} == 1)) || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb --field "$deb" Version)
[[ $(basename "$deb") == "quillon_${version}_amd64.deb" ]] || fail "package file name $(basename "$deb")"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
[[ $depends == *libqt6widgets6* && $depends == *gstreamer1.0-plugins-good* ]] || fail "dependencies incomplete"

echo "== lintian, desktop-file-validate, appstreamcli"
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
dpkg-deb --extract "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/cn.org.quillon.Quillon.desktop" || fail "desktop file"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/cn.org.quillon.Quillon.metainfo.xml" || fail "metainfo"
warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$work/root/usr/share/man/man1/quillon.1.gz" 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "manual page: $warnings"

echo "== apt-get install ./quillon_*.deb"
installed=1
(cd "$work" && apt_get install -y -q ./quillon_*.deb) || fail "apt-get install"
[[ $(command -v quillon) == /usr/bin/quillon ]] || fail "quillon is not /usr/bin/quillon"

echo "== the installed program, as the fresh user $user"
useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
# The fresh user's clean environment; setpriv and env each exec the next, so a command started with it
# keeps the PID the script sees.
user_env=(setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups
  env -i -C "$home" HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin LANG=C.UTF-8)
as_user() { "${user_env[@]}" "$@"; }
program_dir=$home/.local/share/quillon

out=$(as_user quillon --version) || fail "quillon --version"
[[ $out == "Quillon $version" ]] || fail "quillon --version printed '$out', the package is $version"
out=$(as_user quillon --help) || fail "quillon --help"
grep -q "quillon compose TEMPLATE.ini" <<<"$out" || fail "quillon --help: $out"
[[ ! -e $program_dir ]] || fail "--version or --help made $program_dir"
cmp /usr/share/quillon/office-archive.sql "$(dirname "$0")/../../resources/office-archive.sql" ||
  fail "the office archive's schema is not installed"

out=$(as_user quillon compose /usr/share/quillon/example.ini) || fail "quillon compose: $out"
echo "$out"
for file in set.ini 帮助.txt example.ini; do
  cmp "/usr/share/quillon/$file" "$program_dir/$file" || fail "$file was not seeded into $program_dir"
done
doc=$(sed -n 's/^笔录文档：//p' <<<"$out")
[[ $doc == "$program_dir/BL/"*.doc && -s $doc ]] || fail "no document in $program_dir/BL: '$doc'"
[[ $(head -c 8 "$doc" | od -An -tx1 | tr -d ' ') == d0cf11e0a1b11ae1 ]] || fail "$doc is not a Word 97-2003 file"
[[ $(stat -c %U "$doc") == "$user" ]] || fail "$doc is not the user's"

# The user's own settings survive: a later start copies nothing over them.
echo "; mine" >>"$program_dir/set.ini"
as_user quillon compose /usr/share/quillon/example.ini --force >/dev/null || fail "second compose"
[[ $(tail -n 1 "$program_dir/set.ini") == "; mine" ]] || fail "the user's set.ini was overwritten"
# The office's part is installed where the front finds it: sync, with no server in set.ini, says so.
out=$(as_user quillon sync 2>&1) && fail "quillon sync without a server succeeded: $out"
[[ $out != *无法载入* ]] || fail "quillon sync: $out"

# The window's start writes the desktop launcher, which must start the installed program.
as_user mkdir "$home/Desktop"
# Started as a simple command, so that $! is the program itself; it must not inherit the lock.
"${user_env[@]}" QT_QPA_PLATFORM=offscreen quillon >"$work/gui.log" 2>&1 {lock}>&- &
gui_pid=$!
launcher=$home/Desktop/Quillon.desktop
for _ in $(seq 600); do
  [[ -s $launcher ]] && break
  kill -0 "$gui_pid" 2>/dev/null || { cat "$work/gui.log"; fail "quillon ended before writing its launcher"; }
  sleep 0.1
done
[[ -s $launcher ]] || fail "no launcher on the desktop after 60 s"
cat "$launcher"
grep -qx 'Exec="/usr/bin/quillon"' "$launcher" || fail "the launcher does not start /usr/bin/quillon"
grep -qx 'Icon=quillon' "$launcher" || fail "the launcher does not show the installed icon"
[[ -x $launcher ]] || fail "the launcher is not executable"
kill "$gui_pid"
wait "$gui_pid" 2>/dev/null || true
gui_pid=
left=$(pgrep -a -u "$user" || true)
[[ -z $left ]] || fail "processes of the program outlived its end: $left"

echo "== apt-get purge quillon"
apt_get purge -y -q quillon || fail "apt-get purge"
installed=0
[[ ! -e /usr/bin/quillon && ! -e /usr/share/quillon ]] || fail "files left after removal"
echo "the package builds, installs, runs for a new user and removes cleanly"

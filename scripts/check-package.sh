#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made: its control fields and dependencies, that it holds
# what it must and nothing else, that its manual pages render and name every option of the programs' --help,
# that desktop-file-validate, appstreamcli and lintian (no error) accept it, and that it installs into a
# scratch root (the maintainer scripts run too), where the installed programs run, and is purged again
# without a trace. Takes the package file (default: the one in the top folder).
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-}
if [ -z "$deb" ]; then
  debs=(torvane_*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one torvane_*.deb in $(pwd)"; exit 1; }
  deb=${debs[0]}
fi
deb=$(realpath "$deb")
dir=$(mktemp -d)
cleanup() { rm -rf "$dir"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
field() { dpkg-deb --field "$deb" "$1"; }

# --- control ---
version=$(sed -n '1s/^torvane (\([^)]*\)).*/\1/p' packaging/changelog)
[ "$(field Package)" = torvane ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version $(field Version), the changelog says $version"
[ "$(basename "$deb")" = "torvane_${version}_$(field Architecture).deb" ] || fail "file name $(basename "$deb")"
depends=$(field Depends)
# dpkg-shlibdeps' part: every library the programs link, with a version; and what no link tells.
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libsensors5 qt6-qpa-plugins python3; do
  grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done
echo "control: torvane $version, Depends: $depends"

# --- contents ---
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort >"$dir/contents"
# /usr/bin/torvane is the launcher that starts the program proper from its private folder.
must=(/usr/bin/torvane /usr/libexec/torvane/torvane
      /usr/bin/torvane-crypt /usr/bin/torvane-sensors /usr/bin/torvane-fleet-summary
      /usr/share/torvane/readme.txt
      /usr/share/man/man1/torvane.1.gz /usr/share/man/man1/torvane-crypt.1.gz
      /usr/share/man/man1/torvane-sensors.1.gz /usr/share/man/man1/torvane-fleet-summary.1.gz
      /usr/share/applications/torvane.desktop /usr/share/applications/torvane-certificate.desktop
      /usr/share/metainfo/example.quarnett.torvane.metainfo.xml
      /usr/share/mime/packages/torvane-certificate.xml
      /lib/systemd/system/torvane-sensors.service
      /usr/share/doc/torvane/copyright /usr/share/doc/torvane/changelog.gz
      /usr/share/lintian/overrides/torvane)
for icon in torvane torvane-certificate; do
  must+=("/usr/share/icons/hicolor/scalable/apps/$icon.svg" "/usr/share/icons/hicolor/48x48/apps/$icon.png"
         "/usr/share/icons/hicolor/128x128/apps/$icon.png")
done
for path in "${must[@]}"; do grep -qxF "$path" "$dir/contents" || fail "the package lacks $path"; done
# Nothing else but the folders that hold them.
printf '%s\n' "${must[@]}" | sort >"$dir/must"
while read -r path; do
  grep -qxF "$path" "$dir/must" || grep -q "^$path/" "$dir/must" || fail "the package holds $path, which it should not"
done <"$dir/contents"
echo "contents: ${#must[@]} files, as they should be"

mkdir "$dir/x"
dpkg-deb --extract "$deb" "$dir/x"
x=$dir/x
# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 48 128; do
  png=$x/usr/share/icons/hicolor/${size}x${size}/apps/torvane.png
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
  [ "$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ' | sed 's/^ //')" = "0 0 0 $size 0 0 0 $size" ] ||
    fail "$png is not $size x $size"
done

# --- manual pages: they render without a warning, have their sections, and name every option ---
export PATH="$x/usr/bin:$PATH"
for page in torvane torvane-crypt torvane-sensors torvane-fleet-summary; do
  LC_ALL=C MANWIDTH=80 man --warnings -l "$x/usr/share/man/man1/$page.1.gz" >/dev/null 2>"$dir/$page.err" ||
    fail "man -l $page.1.gz failed: $(cat "$dir/$page.err")"
  [ ! -s "$dir/$page.err" ] || fail "man -l $page.1.gz warns: $(cat "$dir/$page.err")"
  # Lines long enough that nothing is broken or hyphenated, for the searches below.
  LC_ALL=C MANWIDTH=1000 man -l "$x/usr/share/man/man1/$page.1.gz" >"$dir/$page.txt" 2>/dev/null
  sections=("NAME" "EXIT STATUS")
  case $page in
    torvane | torvane-sensors) sections+=(OPTIONS ENVIRONMENT FILES EXAMPLES) ;;
    torvane-crypt) sections+=(EXAMPLES "TORVANE-CRYPT HASH" "TORVANE-CRYPT SELFTEST") ;;
  esac
  [ "$page" = torvane ] && sections=("${sections[@]/OPTIONS/DESCRIPTION}")
  for section in "${sections[@]}"; do
    grep -q "^$section\$" "$dir/$page.txt" || fail "$page(1) has no $section section"
  done
  # Every long option any of its help texts names is in the page.
  helps=("$page --help")
  if [ "$page" = torvane-crypt ]; then
    for c in $(torvane-crypt --help | sed -n '/^Commands:$/,/^$/s/^  \([a-z][a-z0-9-]*\)  .*/\1/p'); do
      helps+=("torvane-crypt $c --help")
    done
  fi
  for help in "${helps[@]}"; do
    for option in $($help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
      grep -qF -- "$option" "$dir/$page.txt" || fail "$page(1) does not name $option of '$help'"
    done
  done
done
echo "manual pages: 4 render, with every option of their programs"

# --- the desktop's files ---
desktop-file-validate "$x/usr/share/applications/torvane.desktop" "$x/usr/share/applications/torvane-certificate.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$x/usr/share/metainfo/example.quarnett.torvane.metainfo.xml" >"$dir/as" 2>&1 ||
  fail "appstreamcli validate: $(cat "$dir/as")"
grep -q "<url type=\"homepage\">$(field Homepage)</url>" "$x/usr/share/metainfo/example.quarnett.torvane.metainfo.xml" ||
  fail "the metadata's homepage is not the package's"
grep -q "<release version=\"$version\"" "$x/usr/share/metainfo/example.quarnett.torvane.metainfo.xml" ||
  fail "the metadata's release is not $version"
grep -q "^ExecStart=/usr/bin/torvane-sensors$" "$x/lib/systemd/system/torvane-sensors.service" ||
  fail "the service does not start the installed torvane-sensors"
if command -v systemd-analyze >/dev/null; then
  # The unit as it would load, with the program where it was unpacked (its manual page is checked above).
  sed "s|^ExecStart=/usr/bin/|ExecStart=$x/usr/bin/|" "$x/lib/systemd/system/torvane-sensors.service" \
    >"$dir/torvane-sensors.service"
  # A setting it cannot parse, it only names and ignores: any word from it is a failure.
  systemd-analyze verify --man=no "$dir/torvane-sensors.service" >"$dir/verify" 2>&1 ||
    fail "systemd-analyze verify: $(cat "$dir/verify")"
  [ ! -s "$dir/verify" ] || fail "systemd-analyze verify: $(cat "$dir/verify")"
fi
# The certificate type: the MIME database made of the package's file knows *.tvc as the type the program
# registers for itself, and the viewer's entry opens that type (the database is looked for where it is made,
# so that no note says it is not where the desktop looks).
mkdir -p "$dir/mime/packages"
cp "$x/usr/share/mime/packages/torvane-certificate.xml" "$dir/mime/packages/"
XDG_DATA_HOME="$dir" update-mime-database "$dir/mime" >"$dir/mime.log" 2>&1 || fail "update-mime-database: $(cat "$dir/mime.log")"
[ ! -s "$dir/mime.log" ] || fail "update-mime-database: $(cat "$dir/mime.log")"
type=$(sed -n 's/.*kCertificateMimeType = "\([^"]*\)".*/\1/p' src/platform/FileTypes.h)
[ -n "$type" ] || fail "no certificate type in src/platform/FileTypes.h"
grep -qxF "50:$type:*.tvc" "$dir/mime/globs2" ||
  fail "the MIME database does not know *.tvc as $type: $(grep -v "^#" "$dir/mime/globs2")"
grep -qxF "MimeType=$type;" "$x/usr/share/applications/torvane-certificate.desktop" ||
  fail "the viewer's entry does not open $type"
echo "desktop entries, metadata, certificate type and service: valid"

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >"$dir/lintian" 2>&1 || fail "lintian: $(cat "$dir/lintian")"
  echo "lintian: no error, $(grep -c '^W:' "$dir/lintian" || true) warnings"
  grep '^W:' "$dir/lintian" || true
else
  echo "lintian: not installed, not run"
fi

# --- install, run, purge in a scratch root ---
root=$dir/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
find "$root" | sort >"$dir/before"
# The maintainer scripts run here with DPKG_ROOT set (they touch no running system then); the libraries
# are this machine's.
dpkg_root=(dpkg --root="$root" --force-script-chrootless --force-depends --log=/dev/null)
[ "$(id -u)" -eq 0 ] || dpkg_root=(fakeroot "${dpkg_root[@]}" --force-not-root)
"${dpkg_root[@]}" --install "$deb" >"$dir/dpkg" 2>&1 || fail "dpkg --install: $(cat "$dir/dpkg")"
status=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' torvane)
[ "$status" = "install ok installed" ] || fail "installed: $status"
got=$("$root/usr/bin/torvane" --version) || fail "torvane --version"
[ "$got" = "Torvane Test $version" ] || fail "torvane --version says '$got'"
# The launcher has nothing to load before its first instruction, and it starts the program installed
# beside it: without that, it says which file it looked for.
LC_ALL=C readelf -lW "$root/usr/bin/torvane" | grep -q "program interpreter" &&
  fail "/usr/bin/torvane needs a dynamic loader"
mv "$root/usr/libexec/torvane/torvane" "$dir/program"
alone=$("$root/usr/bin/torvane" --version 2>&1) && fail "torvane --version without the program proper: '$alone'"
[ "$alone" = "torvane: cannot start $root/usr/libexec/torvane/torvane: No such file or directory" ] ||
  fail "torvane without the program proper says '$alone'"
mv "$dir/program" "$root/usr/libexec/torvane/torvane"
"$root/usr/bin/torvane-crypt" selftest >"$dir/selftest" 2>&1 || fail "torvane-crypt selftest: $(tail -5 "$dir/selftest")"
"$root/usr/bin/torvane-sensors" --help >/dev/null || fail "torvane-sensors --help"
"$root/usr/bin/torvane-fleet-summary" --help >/dev/null || fail "torvane-fleet-summary --help"
# The post-installation script ran: the service's links are recorded for a purge.
[ -e "$root/var/lib/systemd/deb-systemd-helper-enabled/torvane-sensors.service.dsh-also" ] ||
  fail "the post-installation script did not record the service"
echo "installed: torvane --version says '$got'; torvane-crypt selftest passed ($(grep -c . "$dir/selftest") lines)"
"${dpkg_root[@]}" --remove torvane >"$dir/dpkg" 2>&1 || fail "dpkg --remove: $(cat "$dir/dpkg")"
[ ! -e "$root/usr/bin/torvane" ] || fail "torvane is left after the removal"
[ ! -e "$root/usr/libexec/torvane" ] || fail "/usr/libexec/torvane is left after the removal"
# Removed, not purged: links an administrator made lead nowhere, so the service is masked until a purge.
[ "$(readlink "$root/etc/systemd/system/torvane-sensors.service")" = /dev/null ] ||
  fail "the removal did not mask the service"
"${dpkg_root[@]}" --purge torvane >"$dir/dpkg" 2>&1 || fail "dpkg --purge: $(cat "$dir/dpkg")"
# dpkg's own records of the package go, and the folders every systemd machine has may stay; nothing else.
find "$root" | sort >"$dir/after"
left=$(comm -13 "$dir/before" "$dir/after" | grep -v "^$root/var/lib/dpkg/" |
       grep -vxF -e "$root/etc" -e "$root/etc/systemd" -e "$root/etc/systemd/system" -e "$root/var/lib/systemd" ||
       true)
[ -z "$left" ] || fail "left after purge: $left"
echo "removed and purged: nothing left"
echo "Package checks passed."

#!/usr/bin/env bash
# tst_install.sh CMAKE BUILD_DIR LIBDIR WITH_MAN_PAGES(0|1)
# Installs the build into a temporary DESTDIR under the prefix /opt/brevanto (not the one it was
# configured for: brevanto-cli must find its module relative to where it is) and checks it.
set -euo pipefail
cmake=$1 build=$2 libdir=$3 with_man=$4
id=com.tarnwick.Brevanto
dest=$(mktemp -d) kept=$(mktemp -d)
# cmake --install writes the build's install_manifest.txt, which a user's own install may need.
manifest=$build/install_manifest.txt
[ ! -f "$manifest" ] || cp "$manifest" "$kept/"
trap 'rm -f "$manifest"; [ ! -f "$kept/install_manifest.txt" ] || mv "$kept/install_manifest.txt" "$manifest"; rm -rf "$dest" "$kept"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Reads all its input (grep -q would not, and pipefail would see the writer's broken pipe).
has() { grep -e "$1" >/dev/null; }

DESTDIR="$dest" "$cmake" --install "$build" --prefix /opt/brevanto >/dev/null
root=$dest/opt/brevanto

# Exactly these files: nothing from tests, benchmarks, fuzzing or the build helpers, nothing
# outside the prefix.
sizes=(16 22 24 32 48 64 128 256 512)
expected=(bin/brevanto bin/brevanto-cli bin/brevanto-sim "$libdir/brevanto-cli/brevanto-cli-gui.so"
          "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml")
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x$s/apps/$id.png"); done
[ "$with_man" = 1 ] && expected+=(share/man/man1/brevanto-cli.1.gz share/man/man1/brevanto-sim.1.gz)
diff <(printf 'opt/brevanto/%s\n' "${expected[@]}" | sort) <(cd "$dest" && find . ! -type d | sed 's|^\./||' | sort) \
  || fail "installed files differ from the expected list (< expected, > installed)"

"$root/bin/brevanto-cli" --help | has '^Usage: brevanto-cli <command>' || fail "brevanto-cli --help"
# The frame commands live in the module: this finds it from the installed executable.
"$root/bin/brevanto-cli" frame --help | has '^Usage: brevanto-cli frame decode' || fail "brevanto-cli frame --help"
"$root/bin/brevanto-sim" --help | has '--role <role>' || fail "brevanto-sim --help"

for s in "${sizes[@]}"; do
  file -b "$root/share/icons/hicolor/${s}x$s/apps/$id.png" | has "^PNG image data, $s x $s," || fail "icon ${s}x$s"
done
desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "metainfo"
if [ "$with_man" = 1 ]; then
  MANPATH=$root/share/man man brevanto-cli | has 'frame decode IN.raw' || fail "man brevanto-cli"
  MANPATH=$root/share/man man brevanto-sim | has '--listen' || fail "man brevanto-sim"
fi
echo "installed file list, tools, icons, desktop entry, metainfo and man pages checked"

#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what a station would install.
# $1 the build folder (its CPackConfig.cmake), $2 a scratch folder for the package.
set -euo pipefail
build="$1" out="$2"

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed here"
    exit 77
  fi
done

fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  fail "cpack could not build the package"
}
debs=("$out"/orvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one orvane_*.deb in $out"
deb="${debs[0]}"
echo "package: $deb ($(stat -c %s "$deb") bytes)"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/orvane-server ./usr/bin/orvane-encode \
            ./lib/systemd/system/orvane.service ./etc/default/orvane \
            ./usr/share/man/man1/orvane-server.1.gz ./usr/share/man/man1/orvane-encode.1.gz \
            ./usr/share/doc/orvane/copyright ./usr/share/doc/orvane/changelog.gz \
            ./usr/share/orvane/demo/DEF.INI ./usr/share/orvane/demo/RDS.TXT \
            ./usr/share/orvane/demo/STATUS.HTM ./usr/share/orvane/demo/TIMECLI.TXT; do
  grep -qxF "$path" <<<"$files" || fail "the package lacks $path"
done
# Nothing from the build tree or the developer's station may slip in.
if grep -E '\.sim$|/build/|\.o$' <<<"$files"; then fail "the package holds build leftovers (above)"; fi

modes=$(dpkg-deb -c "$deb")
grep -E '^-rwxr-xr-x .* \./usr/bin/orvane-server$' <<<"$modes" >/dev/null || fail "orvane-server is not 0755"
grep -E '^-rw-r--r-- .* \./usr/share/orvane/demo/RDS.TXT$' <<<"$modes" >/dev/null || fail "the demo files are not 0644"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6network6 libstdc++6 adduser; do
  grep -qw "$lib" <<<"$depends" || fail "Depends lacks $lib"
done

control="$out/control"
mkdir -p "$control"
dpkg-deb -e "$deb" "$control"
grep -qxF /etc/default/orvane "$control/conffiles" || fail "/etc/default/orvane is not a conffile"
for script in postinst prerm postrm; do
  [ -x "$control/$script" ] || fail "$script is missing or not executable"
  sh -n "$control/$script" || fail "$script is not valid sh"
done
grep -q 'adduser --system' "$control/postinst" || fail "postinst does not create the system user"

# The installed man pages must be readable roff, not a placeholder.
man_dir="$out/root"
dpkg-deb -x "$deb" "$man_dir"
for page in orvane-server orvane-encode; do
  zcat "$man_dir/usr/share/man/man1/$page.1.gz" | grep -q "^\.SH OPTIONS" || fail "$page.1 has no OPTIONS section"
done
"$man_dir/usr/bin/orvane-server" --version | grep -q '^orvane-server ' || fail "the packaged server does not run"

if command -v lintian >/dev/null; then
  lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" | tee "$out/lintian.log" || {
    fail "lintian reports errors (above)"
  }
  echo "lintian: no errors, $(grep -c '^W:' "$out/lintian.log" || true) warnings"
else
  echo "lintian is not installed: skipped its check"
fi

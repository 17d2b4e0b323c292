#!/usr/bin/env bash
# systemd-analyze verify on the service unit, its ExecStart pointed at the binary just built.
# $1 the unit, $2 the built orvane-server, $3 a scratch folder.
set -euo pipefail
unit="$1" server="$2" scratch="$3"

if ! command -v systemd-analyze >/dev/null; then
  echo "SKIP: systemd-analyze is not installed here"
  exit 77
fi

fail() { echo "FAIL: $*"; exit 1; }

# What the station relies on, looked for in the unit as shipped.
for line in 'User=orvane' 'SupplementaryGroups=lp dialout' 'EnvironmentFile=-/etc/default/orvane' \
            'Restart=on-failure' 'KillSignal=SIGTERM' 'ProtectSystem=strict' \
            'ReadWritePaths=/var/lib/orvane' 'PrivateTmp=yes' 'NoNewPrivileges=yes'; do
  grep -qxF "$line" "$unit" || fail "the unit lacks '$line'"
done
grep -q '^ExecStart=/usr/bin/orvane-server --headless ' "$unit" || fail "ExecStart does not run the server headless"
# Hiding /dev would take the parallel port and the serial encoder away.
for line in 'PrivateDevices=yes' 'PrivateDevices=true' 'DevicePolicy=closed' 'DevicePolicy=strict'; do
  if grep -qxF "$line" "$unit"; then fail "the unit has '$line'"; fi
done

rm -rf "$scratch"
mkdir -p "$scratch"
copy="$scratch/orvane.service"
sed "s|^ExecStart=/usr/bin/orvane-server |ExecStart=$server |" "$unit" > "$copy"
grep -q "^ExecStart=$server " "$copy" || fail "ExecStart was not rewritten"

out=$(SYSTEMD_LOG_LEVEL=notice systemd-analyze verify --man=no "$copy" 2>&1) || {
  echo "$out"
  fail "systemd-analyze verify refused the unit"
}
# verify exits 0 on some findings; any line naming our unit is one.
if grep -F 'orvane.service' <<<"$out"; then fail "systemd-analyze verify found the lines above"; fi
echo "unit verified: $copy"

# A unit pointing at a binary that is not there must be refused, or the check above proves nothing.
mkdir -p "$scratch/broken"
sed "s|^ExecStart=/usr/bin/orvane-server |ExecStart=$scratch/no-such-server |" "$unit" > "$scratch/broken/orvane.service"
if systemd-analyze verify --man=no "$scratch/broken/orvane.service" >/dev/null 2>&1; then
  fail "systemd-analyze verify passed a unit whose binary is missing"
fi
echo "a unit with a missing binary is refused"

#!/usr/bin/env bash
# Runs tools/setup.sh against test doubles of dpkg-query, apt-get, sudo and id
# on a PATH that holds nothing else but the few tools the script uses, so that
# which packages are "installed", who is root and whether sudo exists are all
# under the test's control.
# Usage: setup_test.sh SOURCE_DIR
set -uo pipefail

source_dir=$1
setup=$source_dir/tools/setup.sh
doubles=$source_dir/tests/tools/setup/doubles
work=$(mktemp -d "${TMPDIR:-/tmp}/setup-test-XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
check() { # check DESCRIPTION COMMAND...
    if ! "${@:2}"; then
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

# A tool folder with the real basics and, optionally, the doubles of sudo.
tools=$work/tools
mkdir -p "$tools"
for tool in bash sh env sed sort awk grep dirname ls tr cat; do
    ln -s "$(command -v "$tool")" "$tools/$tool"
done
for tool in dpkg-query apt-get id; do
    ln -s "$doubles/$tool" "$tools/$tool"
done
with_sudo=$work/with-sudo
mkdir -p "$with_sudo"
ln -s "$doubles/sudo" "$with_sudo/sudo"

printf '# a list\ncmake\ng++   # the compiler\n\nlibpng-dev\ncmake\n' > "$work/list.txt"

# run_setup UID SUDO(none|refuses|yes) INSTALLED...: resets the fake system,
# runs the script on the list; leaves status, stderr and the call log.
run_setup() {
    local uid=$1 sudo=$2
    shift 2
    printf '%s\n' "$@" > "$work/installed"
    : > "$work/log"
    local path=$tools
    [ "$sudo" = none ] || path=$with_sudo:$tools
    env -i PATH="$path" FAKE_UID="$uid" FAKE_SUDO="$sudo" \
        FAKE_INSTALLED="$work/installed" FAKE_LOG="$work/log" ${NO_SETUP:+LUMENFALL_NO_SETUP=1} \
        bash "$setup" "${LIST:-$work/list.txt}" > "$work/out" 2> "$work/err"
    status=$?
}
log_is() { [ "$(cat "$work/log")" = "$1" ] || { echo "log was: $(cat "$work/log")"; false; }; }
err_has() { grep -qF -- "$1" "$work/err" || { echo "stderr was: $(cat "$work/err")"; false; }; }
quiet() { [ ! -s "$work/out" ] && [ ! -s "$work/err" ]; }

# As root: only the missing packages are installed, each once, after a
# refresh of the package lists; a second run finds everything and is silent.
run_setup 0 none g++
check "root install succeeds" [ $status -eq 0 ]
check "root installs only what is missing" log_is "apt-get update -q
apt-get install -y --no-install-recommends cmake libpng-dev"
run_setup 0 none cmake g++ libpng-dev
check "all present: success" [ $status -eq 0 ]
check "all present: no call, no output" eval 'log_is "" && quiet'

# Not root: through sudo when it works; otherwise the exact command, exit 1.
run_setup 1000 yes cmake
check "sudo install succeeds" [ $status -eq 0 ]
check "sudo runs apt-get" log_is "sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
apt-get update -q
sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends g++ libpng-dev
apt-get install -y --no-install-recommends g++ libpng-dev"

for sudo in refuses none; do
    run_setup 1000 "$sudo" cmake
    check "no rights ($sudo sudo): exit 1" [ $status -eq 1 ]
    check "no rights ($sudo sudo): prints the command" \
        err_has "    apt-get install -y --no-install-recommends g++ libpng-dev"
    check "no rights ($sudo sudo): installs nothing" eval '! grep -q "^apt-get" "$work/log"'
done

# A wanted name inside an installed one's (gcc in gcc-arm-none-eabi) is
# still missing.
printf 'gcc\ngcc-arm-none-eabi\n' > "$work/nested.txt"
LIST=$work/nested.txt run_setup 0 none gcc-arm-none-eabi
check "name inside another: installed" log_is "apt-get update -q
apt-get install -y --no-install-recommends gcc"

# The opt-out does nothing at all, even with packages missing.
NO_SETUP=1 run_setup 0 none
check "opt-out: success" [ $status -eq 0 ]
check "opt-out: no call, no output" eval 'log_is "" && quiet'

[ $failures -eq 0 ] && echo "setup tests passed"
exit $((failures > 0))

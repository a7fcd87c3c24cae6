#!/usr/bin/env bash
# tools/fetch_unicorn.sh against a local archive whose packages do not match
# their pinned checksums: it must refuse them (status 1, the reason on
# stderr) and leave no engine behind for the build to pick up; a missing
# archive fails the same way.
set -euo pipefail
root=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/fetch-unicorn-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
unset LUMENFALL_NO_SETUP LUMENFALL_SYSTEM_UNICORN
[ "$(uname -m)" = x86_64 ] || { echo "only amd64 packages are pinned; nothing to test"; exit 0; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

mkdir -p "$work/archive"
for name in libunicorn2t64_2.1.1-2+b2_amd64.deb libunicorn-dev_2.1.1-2+b2_amd64.deb; do
    echo "not the package" > "$work/archive/$name"
done
# run ARCHIVE: the script's status, its stderr in $work/err
run() {
    local status=0
    LUMENFALL_UNICORN_ARCHIVE=$1 LUMENFALL_DEPS=$work/deps \
        bash "$root/tools/fetch_unicorn.sh" 2>"$work/err" || status=$?
    echo "$status"
}

status=$(run "file://$work/archive")
[ "$status" = 1 ] || fail "tampered packages: status $status, not 1"
grep -q "does not have the expected SHA-256" "$work/err" || fail "tampered packages: no reason given: $(cat "$work/err")"
[ ! -e "$work/deps/unicorn-2.1.1" ] || fail "tampered packages: an engine was left in place"

status=$(run "file://$work/nowhere")
[ "$status" = 1 ] || fail "missing archive: status $status, not 1"
grep -q "could not download" "$work/err" || fail "missing archive: no reason given: $(cat "$work/err")"
[ ! -e "$work/deps/unicorn-2.1.1" ] || fail "missing archive: an engine was left in place"

[ $failed = 0 ] && echo "fetch_unicorn refuses what it cannot check"
exit $failed

#!/usr/bin/env bash
# Fails when an exported function of the interface sources does not run its body through
# AtBoundary (quorvane/Boundary.h): its first statement must be `return AtBoundary(`,
# `AtBoundary(`, or a return of a helper whose own first statement is one of those.
# Function bodies open with `{` on a line of its own, as the sources are formatted.
set -euo pipefail
dir="$1"
out=$(awk '
function flush_sig() { sig = "" }
{
    line = $0
    sub(/\\[ \t]*$/, "", line)            # macro continuation
    stripped = line
    gsub(/^[ \t]+|[ \t]+$/, "", stripped)
    if (want) {                              # looking for the first statement of a body
        if (stripped == "" || stripped ~ /^\/\//)
            next
        first[FILENAME "|" name] = stripped
        where[FILENAME "|" name] = FILENAME ":" FNR
        want = 0
        flush_sig()
        next
    }
    if (stripped == "{" && sig != "") {
        s = sig
        exported = (s ~ /extern "C" CP_API/)
        sub(/\(.*/, "", s)                   # name: the identifier before the first (
        n = split(s, parts, /[^A-Za-z0-9_#]+/)
        name = parts[n]
        if (name == "" && n > 1)
            name = parts[n - 1]
        if (exported)
            exports[FILENAME "|" name] = 1
        want = 1
        next
    }
    if (stripped == "" || stripped ~ /^\/\// || stripped ~ /[;{}]$/ || stripped ~ /^#/ && stripped !~ /^#define/) {
        flush_sig()
        if (stripped ~ /^#define/)
            sig = ""
        next
    }
    if (stripped ~ /^#define/) {             # a macro of definitions: its text follows the name
        sub(/^#define[ \t]+[A-Za-z0-9_]+\([^)]*\)/, "", stripped)
        sig = stripped
        next
    }
    sig = sig " " stripped
}
END {
    for (f in first)
        if (first[f] ~ /^(return )?AtBoundary\(/)
            guarded[f] = 1
    bad = 0
    count = 0
    for (e in exports) {
        ++count
        st = first[e]
        callee = st
        sub(/^return /, "", callee)
        sub(/\(.*/, "", callee)
        split(e, key, "|")
        if (!(st ~ /^(return )?AtBoundary\(/) && !((st ~ /^return [A-Za-z0-9_]+\(/) && ((key[1] "|" callee) in guarded))) {
            print "not run through AtBoundary: " key[2] " (" where[e] "): " st
            bad = 1
        }
    }
    print count
    exit bad
}' "$dir"/*.cpp) || { echo "$out"; exit 1; }
# Every definition must have been seen (a macro defining several counts once).
defs=$(cat "$dir"/*.cpp | grep -c 'extern "C" CP_API')
echo "exported definitions checked: $out of $defs"
[ "$out" -eq "$defs" ]

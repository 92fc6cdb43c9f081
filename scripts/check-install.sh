#!/usr/bin/env bash
# Follows the README's install steps word for word (configure in Release, build, install into a
# prefix, build a program against it with a run path and run it), then moves the prefix
# elsewhere and uses it the way an application does: pkg-config alone, the CMake package, the
# installed exerciser.
#   check-install.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cc="${CC:-cc}"
cxx="${CXX:-c++}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

# The shell block that follows the README line starting with "<!-- <tag>".
readme_block() {
  awk -v tag="<!-- $1" 'index($0, tag) == 1 { found = 1; next }
    found && /^```sh$/ { inside = 1; next }
    inside && /^```$/ { exit }
    inside { print }' "$root/README.md"
}
install_steps="$(readme_block install-steps)"
app_steps="$(readme_block app-steps)"
[ -n "$install_steps" ] && [ -n "$app_steps" ] || fail "the README's install blocks are missing"

# The README's prefix line is the reader's; the check installs into a prefix of its own.
unset LD_LIBRARY_PATH PKG_CONFIG_PATH
P="$work/staged"
(cd "$root" && P="$P" bash -euo pipefail -c "$(grep -v '^P=' <<<"$install_steps")") >/dev/null \
  || fail "the README's install steps failed"
cp "$root/tests/install/app.c" "$work/app.c"
rpath_run="$(cd "$work" && P="$P" bash -euo pipefail -c "$app_steps")" \
  || fail "the README's program steps failed (build, or run through the run path)"
grep -q '^library ' <<<"$rpath_run" || fail "the program built by the README's steps printed: $rpath_run"

# Installed, then moved: nothing may depend on the prefix it was installed to.
mv "$work/staged" "$work/prefix"
P="$work/prefix"

pc="$(find "$P" -name quorvane.pc -print -quit)"
[ -n "$pc" ] || fail "no quorvane.pc installed"
libdir="$(dirname "$(dirname "$pc")")"
PKG_CONFIG_PATH="$(dirname "$pc")"
export PKG_CONFIG_PATH
unset LD_LIBRARY_PATH

# The exerciser lives in libexec and finds the library through its run path.
[ ! -e "$P/bin/test" ] || fail "$P/bin/test is installed (it would shadow test(1))"
exerciser="$P/libexec/quorvane/test"
[ -x "$exerciser" ] || fail "$exerciser is not installed"
status=0
out="$("$exerciser" none 2>&1)" || status=$?
# "none" names no port: usage and the list, then the open fails (1).
[ "$status" -eq 1 ] || fail "$exerciser exited with $status: $out"
grep -q "Usage: program port_name function_index" <<<"$out" || fail "$exerciser printed no usage: $out"

# pkg-config alone builds a C program; the header is clean C99 and C++.
flags="$(pkg-config --cflags --libs quorvane)"
# shellcheck disable=SC2086
"$cc" -std=c99 -Wall -Wextra -pedantic -Werror "$root/tests/install/app.c" $flags -o "$work/app-pc"
# shellcheck disable=SC2086
"$cc" -std=c99 -Wall -Wextra -pedantic -Werror "$P/share/doc/quorvane/examples/receipt.c" $flags -o "$work/receipt"
# shellcheck disable=SC2086
echo '#include <quorvane.h>' | "$cxx" -std=c++11 -Wall -Wextra -pedantic -Werror -fsyntax-only -x c++ - $flags
pc_run="$(LD_LIBRARY_PATH="$libdir" "$work/app-pc")"
status=0
LD_LIBRARY_PATH="$libdir" "$work/receipt" >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "the installed example without arguments exited with $status, not 2 (usage)"

# find_package(quorvane CONFIG) and quorvane::quorvane, run from the build tree.
cmake -S "$root/tests/install" -B "$work/cmake-app" -DCMAKE_PREFIX_PATH="$P" >/dev/null
cmake --build "$work/cmake-app" >/dev/null
cmake_run="$("$work/cmake-app/app")"

# One version: the library's text without its date, pkg-config, the CMake package and the
# library file's name.
library="$(sed -n 's/^library //p' <<<"$pc_run")"
version="${library%.*}"
modversion="$(pkg-config --modversion quorvane)"
package="$(sed -n 's/^package //p' <<<"$cmake_run")"
if [ -z "$version" ] || [ "$version" = "$library" ]; then fail "unexpected library version text '$library'"; fi
[ "$modversion" = "$version" ] || fail "pkg-config says $modversion, the library $library"
[ "$package" = "$version" ] || fail "the CMake package says $package, the library $library"
[ -e "$libdir/libquorvane.so.$version" ] || fail "no libquorvane.so.$version in $libdir"
grep -qx "library $library" <<<"$cmake_run" || fail "the CMake-built program printed: $cmake_run"

echo "check-install: version $version; pkg-config, CMake package and libexec/quorvane/test work from a moved prefix"

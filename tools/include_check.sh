#!/bin/sh
# The dependency rule of docs/architecture.md, read from the includes: a folder of src/ includes
# only its own headers and those of the folders its rule names, and a folder built into the core
# target includes no GUI toolkit or web engine header. A folder's sources go into one target, so
# the folder tells whether its code is GUI-free.
set -u
src=$1

# folder: the folders it may include. Lower folders come first.
rules='base:
seams: base
settings: base seams
logic: base seams settings
platform: base seams settings logic
kit: base seams settings logic platform
refresher: base seams settings logic platform kit
rotator: base seams settings logic platform kit
shell: base seams settings logic platform kit refresher rotator'

# The lines of the sources under $2 that match $1, as file:line:text.
grep_sources() { grep -rHn --include='*.h' --include='*.cpp' --include='*.in' "$@"; }
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

for dir in "$src"/*/; do
    folder=$(basename "$dir")
    allowed=$(printf '%s\n' "$rules" | sed -n "s/^$folder:\(.*\)/\1/p")
    printf '%s\n' "$rules" | grep -q "^$folder:" ||
        fail "src/$folder has no rule here: give it its place among the folders"

    targets=$(grep -o 'vantle_core\|vantle_gui' "$dir/CMakeLists.txt" 2>/dev/null | sort -u |
        tr '\n' ' ')
    case $targets in
        "vantle_core " | "vantle_gui ") ;;
        *) fail "src/$folder/CMakeLists.txt must put its sources into one target, not: ${targets:-none}" ;;
    esac

    # Every include of another folder's header, as file:line:folder/name.
    wrong=$(grep_sources '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]*/' "$dir" |
        sed 's/^\([^:]*:[0-9]*\):.*"\([^"]*\)".*/\1:\2/' | while IFS= read -r hit; do
        included=${hit##*:}
        other=${included%%/*}
        [ "$other" = "$folder" ] && continue
        case " $allowed " in *" $other "*) continue ;; esac
        echo "${hit%:*} includes \"$included\": src/$folder may include only${allowed:- itself}"
    done)
    [ -z "$wrong" ] || fail "$wrong"

    if [ "$targets" = "vantle_core " ]; then
        if grep_sources \
            '^[[:space:]]*#[[:space:]]*include[[:space:]]*<\(wx\|gtk\|gdk\|webkit2\|glib\|gio\|X11\)[/.]' \
            "$dir" >&2; then
            fail "src/$folder is built into the GUI-free core, yet includes the headers above"
        fi
    fi
done

[ "$failed" -eq 0 ] && echo "include rule kept in $(find "$src" -mindepth 1 -maxdepth 1 -type d | wc -l) folders"
exit "$failed"
